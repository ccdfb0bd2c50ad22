#pragma once
// Context help. The help is a folder of HTML pages beside the program (help/), one page per
// help context; a context is shown by opening its page in the desktop's web browser through
// the shell. THookHelpSystem takes over the application's help requests (F1 on a window with
// a help context) and shows the context asked for. In debug mode every step is written to the
// debug log HHDebug.txt in the user's state folder. GUI thread only.

#include <QPoint>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/debuglog.h"
#include "platform/gui/helprequests.h"

// The help contexts of the program's windows.
inline constexpr int HelpContextIndex = 1000;         // the contents ("Help..." command)
inline constexpr int HelpContextReminderSetup = 1005; // the reminder setup dialog
inline constexpr int HelpContextRecurrence = 1007;    // the recurrence dialog
inline constexpr int HelpContextOptions = 1057;       // the options dialog

// How a help context is shown: 0 our own pages through the shell; 1 and 2 name the viewers
// KeyHH.EXE and HH.EXE of the Windows help, which this platform does not have.
inline constexpr int HostTypeHtmlHelp = 0;
inline constexpr int HostTypeKeyHH = 1;
inline constexpr int HostTypeHH = 2;

// Results of ShowContext and HHHelpContext.
inline constexpr int HelpShown = 0;
inline constexpr int HelpNotInstalled = 1;
inline constexpr int HelpKeyHHMissing = 2;
inline constexpr int HelpHHMissing = 3;
inline constexpr int HelpBrowserFailed = 4; // the shell could not start the browser

// What the help system knows of the running program, fixed at InitHelpSystem.
struct THelpEnvironment {
    bool DebugMode = false;
    std::string ModulePath;               // the program file
    std::string ModuleName;               // its name
    std::string ModuleFolder;             // its folder, with a trailing '/'
    std::string HelpFolder;               // the help pages: ModuleFolder + "help"
    std::string LogFolder;                // the debug log's folder
    std::vector<std::string> CommandLine; // the program as started and its parameters
};

// The folder of the help pages beside the program, and the debug log's folder in the user's
// state folder ($XDG_STATE_HOME/Tockwell, default ~/.local/state/Tockwell).
std::string DefaultHelpFolder();
std::string DefaultLogFolder();

// Debug mode: the file debug.debug in moduleFolder, or a parameter (not the program) that is
// "/debug" or "-debug".
bool IsDebugMode(const std::string& moduleFolder, const std::vector<std::string>& commandLine);
// True for "/debug" and "-debug", the switches that are not data file names.
bool IsDebugSwitch(const std::string& param);

// Sets up the environment from the command line (program first) and starts the debug log
// HHDebug.txt in logFolder (written only in debug mode) with its header. Replaces an earlier
// set-up. Before it, the environment is the defaults without debug mode.
void InitHelpSystem(const std::vector<std::string>& commandLine, const std::string& modulePath = "",
                    const std::string& logFolder = "", const TSystemInfo* system = nullptr);
// Ends the debug log.
void FinalizeHelpSystem();
const THelpEnvironment& HelpEnvironment();
// The debug log (null before InitHelpSystem).
TDLogFile* DebugLog();

// InitHelpSystem for a scope; FinalizeHelpSystem at its end.
class THelpSystemScope {
public:
    explicit THelpSystemScope(const std::vector<std::string>& commandLine,
                              const std::string& modulePath = "", const std::string& logFolder = "",
                              const TSystemInfo* system = nullptr) {
        InitHelpSystem(commandLine, modulePath, logFolder, system);
    }
    ~THelpSystemScope() { FinalizeHelpSystem(); }
    THelpSystemScope(const THelpSystemScope&) = delete;
    THelpSystemScope& operator=(const THelpSystemScope&) = delete;
};

// The header lines of the debug log.
std::vector<std::string> DebugLogHeader(const THelpEnvironment& env, const TSystemInfo& system,
                                        const std::string& logFile, TDateTime now);

// A line in the debug log, formatted like printf; nothing unless in debug mode.
void LogDebug(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// A message box with the text (printf-formatted), and the same text in the debug log.
void LogError(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// The help path: helpFile trimmed of blanks; with a topic, "::" and the topic (given a leading
// '/'); with a window, ">" and the window; prefix 1 puts "mk:@MSITStore:" in front, prefix 2
// "ms-its:".
std::string BuildHelpPath(const std::string& helpFile, const std::string& topic,
                          const std::string& window, int prefix);

// The page of a help context in the help folder: its file name ("index.html" for contexts
// without a page of their own).
std::string HelpPageOf(int context);
// The file that shows context from the help folder path: its page, or the index page when
// that page is missing.
std::string HelpPageFile(const std::string& path, int context);

// Shows context of the help in path (a help folder) with the viewer of hostType; returns one
// of the results above. Host type 0 opens the context's page (the index when that page is
// missing) in the browser; a missing folder or index gives HelpNotInstalled.
int ShowContext(int hostType, const std::string& path, int context);
// Builds the path of helpFile for hostType and shows context there.
int HHHelpContext(const std::string& helpFile, int context, const std::string& window,
                  int hostType);
// The message of a non-zero result; helpFile names the help folder in the message that the
// help is not installed; when the browser could not be started, the message names the file
// of context's page, so that the user can open it by hand.
std::string HHErrorMessage(int result, const std::string& helpFile, int context = HelpContextIndex);
// Shows the message of a non-zero result in a warning box titled "Tockwell"; nothing for 0.
void HHShowError(int result, const std::string& helpFile, int context = HelpContextIndex);

// Takes over the application's help requests while it lives: HELP_CONTEXT and
// HELP_CONTEXTPOPUP show the context (HHHelpContext, HHShowError) and count as handled;
// HELP_SETPOPUP_POS remembers the position; every other command is left to the default.
// The handler it replaced comes back when it goes.
class THookHelpSystem {
public:
    THookHelpSystem(std::string helpFile, std::string window, int hostType);
    ~THookHelpSystem();
    THookHelpSystem(const THookHelpSystem&) = delete;
    THookHelpSystem& operator=(const THookHelpSystem&) = delete;

    // One help request (the application's help handler).
    bool HelpHook(int command, intptr_t data, bool& callHelp);

    const std::string& HelpFile() const { return helpFile_; }
    QPoint PopupPos() const { return popupPos_; }

private:
    std::string helpFile_;
    std::string window_;
    int hostType_;
    THelpEvent previous_;
    QPoint popupPos_;
};
