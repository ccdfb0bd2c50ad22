#include "app/helpsystem.h"

#include <QUrl>
#include <cerrno>
#include <cstdarg>
#include <cstring>

#include "core/filehelpers.h"
#include "platform/datetimeformat.h"
#include "platform/fileutils.h"
#include "platform/gui/messageboxes.h"
#include "platform/shell.h"
#include "platform/sysutils.h"

namespace {

constexpr char HelpIndexPage[] = "index.html";
constexpr char DebugLogName[] = "HHDebug.txt";

// The help pages of the program in moduleFolder.
std::string HelpFolderOf(const std::string& moduleFolder) {
    return moduleFolder + "help";
}

// The environment of the program file modulePath, without debug mode or command line.
THelpEnvironment DefaultEnvironment(const std::string& modulePath = ProgramFileName()) {
    THelpEnvironment env;
    env.ModulePath = modulePath;
    env.ModuleName = ExtractFileName(modulePath);
    env.ModuleFolder = ExtractFilePath(modulePath);
    env.HelpFolder = HelpFolderOf(env.ModuleFolder);
    env.LogFolder = DefaultLogFolder();
    return env;
}

THelpEnvironment& Environment() {
    static THelpEnvironment env = DefaultEnvironment();
    return env;
}

std::unique_ptr<TDLogFile>& Log() {
    static std::unique_ptr<TDLogFile> log;
    return log;
}

bool HelpInstalled(const std::string& folder) {
    return DirectoryExists(folder) && FileExists(JoinPath(folder, HelpIndexPage));
}

std::string QuotedArgs(const std::vector<std::string>& args) {
    std::string s;
    for (const std::string& a : args) {
        if (!s.empty())
            s += ' ';
        s += a.find_first_of(" \t\"") == std::string::npos && !a.empty() ? a : "\"" + a + "\"";
    }
    return s;
}

} // namespace

std::string DefaultHelpFolder() {
    return HelpFolderOf(ProgramFolder());
}

std::string DefaultLogFolder() {
    std::string state = StateFolder();
    return state.empty() ? std::string() : JoinPath(state, "Tockwell");
}

bool IsDebugSwitch(const std::string& param) {
    return param == "/debug" || param == "-debug";
}

bool IsDebugMode(const std::string& moduleFolder, const std::vector<std::string>& commandLine) {
    if (!moduleFolder.empty() && FileExists(JoinPath(moduleFolder, "debug.debug")))
        return true;
    for (size_t i = 1; i < commandLine.size(); ++i)
        if (IsDebugSwitch(commandLine[i]))
            return true;
    return false;
}

void InitHelpSystem(const std::vector<std::string>& commandLine, const std::string& modulePath,
                    const std::string& logFolder, const TSystemInfo* system) {
    THelpEnvironment env = DefaultEnvironment(modulePath.empty() ? ProgramFileName() : modulePath);
    if (!logFolder.empty())
        env.LogFolder = logFolder;
    env.CommandLine = commandLine;
    env.DebugMode = IsDebugMode(env.ModuleFolder, commandLine);
    Environment() = env;

    // Without a state folder there is nowhere private to write: the log stays off.
    const std::string logFile = env.LogFolder.empty() ? "" : JoinPath(env.LogFolder, DebugLogName);
    Log() = std::make_unique<TDLogFile>(logFile, env.DebugMode && !logFile.empty());
    if (Log()->Enabled())
        Log()->Start(DebugLogHeader(env, system ? *system : ProbeSystemInfo(), logFile, Now()));
}

void FinalizeHelpSystem() {
    Log().reset();
    Environment() = DefaultEnvironment();
}

const THelpEnvironment& HelpEnvironment() {
    return Environment();
}

TDLogFile* DebugLog() {
    return Log().get();
}

std::vector<std::string> DebugLogHeader(const THelpEnvironment& env, const TSystemInfo& system,
                                        const std::string& logFile, TDateTime now) {
    const std::string separator(78, '=');
    const std::string version = GetOwnFileVersion(true);
    std::vector<std::string> lines = {
        separator,
        "! Log File: " + logFile,
        "! Date: " + FormatDateTime("yyyy-mm-dd hh:nn:ss", now),
        "! OS: " + system.Distribution,
        "! Kernel: " + system.Kernel,
        "! Locale: " + system.Locale,
        "! Decimal separator: \"" + system.DecimalSeparator + "\"",
        "! Program: " + env.ModulePath + ", version " + version,
    };
    const size_t params = env.CommandLine.empty() ? 0 : env.CommandLine.size() - 1;
    lines.push_back("! Parameters: " + std::to_string(params));
    for (size_t i = 1; i <= params; ++i)
        lines.push_back("!   " + std::to_string(i) + ": " + env.CommandLine[i]);
    lines.push_back("! Command line: " + QuotedArgs(env.CommandLine));
    lines.push_back("! Run folder: " + GetCurrentDir());
    lines.push_back("! Module name: " + env.ModuleName);
    lines.push_back("! Module folder: " + env.ModuleFolder);
    lines.push_back("! Module path: " + env.ModulePath);
    lines.push_back("! Module version: " + version);
    lines.push_back("! Qt: " + system.QtVersion);
    lines.push_back("! Help: " + env.HelpFolder +
                    (HelpInstalled(env.HelpFolder) ? " (installed)" : " (not installed)"));
    lines.push_back("! Help pages open in the desktop's web browser: there is no HTML Help, "
                    "browser control or service pack to report.");
    lines.push_back(separator);
    return lines;
}

void LogDebug(const char* fmt, ...) {
    TDLogFile* log = DebugLog();
    if (!log || !log->Enabled())
        return;
    va_list args;
    va_start(args, fmt);
    std::string line = FormatV(fmt, args);
    va_end(args);
    log->Log(line);
}

void LogError(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    std::string text = FormatV(fmt, args);
    va_end(args);
    MessageBoxes().MessageBox(text, "Tockwell", mtError, Buttons(mbOK));
    if (TDLogFile* log = DebugLog(); log && log->Enabled())
        log->Log(text);
}

std::string BuildHelpPath(const std::string& helpFile, const std::string& topic,
                          const std::string& window, int prefix) {
    std::string path = Trim(helpFile);
    if (!topic.empty())
        path += "::" + (topic[0] == '/' ? topic : "/" + topic);
    if (!window.empty())
        path += ">" + window;
    if (prefix == 1)
        path = "mk:@MSITStore:" + path;
    else if (prefix == 2)
        path = "ms-its:" + path;
    return path;
}

std::string HelpPageOf(int context) {
    switch (context) {
    case HelpContextReminderSetup:
        return "remindersetup.html";
    case HelpContextRecurrence:
        return "recurrence.html";
    case HelpContextOptions:
        return "options.html";
    default:
        return HelpIndexPage;
    }
}

std::string HelpPageFile(const std::string& path, int context) {
    const std::string page = JoinPath(path, HelpPageOf(context));
    return FileExists(page) ? page : JoinPath(path, HelpIndexPage);
}

int ShowContext(int hostType, const std::string& path, int context) {
    LogDebug("ShowContext(\"%s\", %d)", path.c_str(), context);
    int result = HelpShown;
    if (hostType == HostTypeKeyHH) {
        result = HelpKeyHHMissing; // no Windows folder, no KeyHH.EXE
    } else if (hostType == HostTypeHH) {
        result = HelpHHMissing;
    } else if (!HelpInstalled(path)) {
        result = HelpNotInstalled;
    } else {
        const std::string page = HelpPageFile(path, context);
        const std::string url = QUrl::fromLocalFile(QString::fromStdString(page))
                                    .toString(QUrl::FullyEncoded)
                                    .toStdString();
        if (!OpenWithShell(url)) {
            const int error = errno;
            LogDebug("Function OpenWithShell(%s)", url.c_str());
            LogDebug("Returned: [Error:%d] %s", error, std::strerror(error));
            result = HelpBrowserFailed;
        }
    }
    LogDebug("  returned - %d", result);
    return result;
}

int HHHelpContext(const std::string& helpFile, int context, const std::string& window,
                  int hostType) {
    LogDebug("HHHelpContext(\"%s\", %d, \"%s\", %d)", helpFile.c_str(), context, window.c_str(),
             hostType);
    // A help window name means something to the Windows viewers only; the browser has none.
    const std::string path = BuildHelpPath(helpFile, "", hostType == HostTypeHtmlHelp ? "" : window,
                                           hostType == HostTypeHH ? 1 : 0);
    return ShowContext(hostType, path, context);
}

std::string HHErrorMessage(int result, const std::string& helpFile, int context) {
    switch (result) {
    case HelpShown:
        return {};
    case HelpNotInstalled:
        return "Tockwell Help is not installed on this computer (no help pages in \"" + helpFile +
               "\").";
    case HelpKeyHHMissing:
        return "System file KeyHH.EXE was not found in the Windows folder.";
    case HelpHHMissing:
        return "System file HH.EXE was not found in the Windows folder.";
    case HelpBrowserFailed:
        return "Could not start the web browser to show Tockwell Help.\n\nTo read it, open "
               "this page in a web browser:\n" +
               HelpPageFile(BuildHelpPath(helpFile, "", "", 0), context);
    default:
        return "Unknown error returned by HHHelpContext";
    }
}

void HHShowError(int result, const std::string& helpFile, int context) {
    if (result == HelpShown)
        return;
    const std::string message = HHErrorMessage(result, helpFile, context);
    LogDebug("HHShowError(%d), \"%s\"", result, message.c_str());
    MessageBoxes().MessageBox(message, "Tockwell", mtWarning, Buttons(mbOK));
}

THookHelpSystem::THookHelpSystem(std::string helpFile, std::string window, int hostType)
    : helpFile_(std::move(helpFile)), window_(std::move(window)), hostType_(hostType) {
    previous_ = SetApplicationHelpHandler([this](int command, intptr_t data, bool& callHelp) {
        return HelpHook(command, data, callHelp);
    });
    LogDebug("THookHelpSystem.Create(\"%s\",\"%s\", %d)", helpFile_.c_str(), window_.c_str(),
             hostType_);
}

THookHelpSystem::~THookHelpSystem() {
    // The browser's pages are the user's to close; only the handler goes back.
    SetApplicationHelpHandler(std::move(previous_));
}

bool THookHelpSystem::HelpHook(int command, intptr_t data, bool& callHelp) {
    const std::string name =
        *HelpCommandName(command) ? HelpCommandName(command) : std::to_string(command);
    LogDebug("THookHelpSystem.HelpHook([%s], %lld)", name.c_str(), static_cast<long long>(data));
    switch (command) {
    case HELP_CONTEXT:
    case HELP_CONTEXTPOPUP: {
        const int result = HHHelpContext(helpFile_, static_cast<int>(data), window_, hostType_);
        HHShowError(result, helpFile_, static_cast<int>(data));
        callHelp = false;
        return result == HelpShown;
    }
    case HELP_SETPOPUP_POS:
        // The position comes packed as two 16-bit coordinates, x in the low word.
        popupPos_ = QPoint(static_cast<int16_t>(data & 0xFFFF),
                           static_cast<int16_t>((data >> 16) & 0xFFFF));
        callHelp = false;
        return true;
    default:
        return false;
    }
}
