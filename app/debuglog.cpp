#include "app/debuglog.h"

#include <QLocale>
#include <QtGlobal>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <sys/utsname.h>
#include <unistd.h>

#include "platform/datetimeformat.h"
#include "platform/fileutils.h"
#include "platform/formatsettings.h"

namespace {

// The value of an os-release assignment: quotes removed, backslash escapes resolved.
std::string OsReleaseValue(std::string_view raw) {
    while (!raw.empty() && (raw.back() == ' ' || raw.back() == '\t' || raw.back() == '\r'))
        raw.remove_suffix(1);
    std::string value;
    char quote = 0;
    for (size_t i = 0; i < raw.size(); ++i) {
        char c = raw[i];
        if (quote == 0 && (c == '"' || c == '\'')) {
            quote = c;
        } else if (c == quote) {
            quote = 0;
        } else if (c == '\\' && quote != '\'' && i + 1 < raw.size()) {
            value += raw[++i];
        } else {
            value += c;
        }
    }
    return value;
}

} // namespace

std::string OsReleaseName(const std::string& osReleaseFile) {
    std::ifstream in(osReleaseFile);
    std::map<std::string, std::string> values;
    for (std::string line; std::getline(in, line);) {
        size_t eq = line.find('=');
        if (line.empty() || line[0] == '#' || eq == std::string::npos)
            continue;
        values[line.substr(0, eq)] = OsReleaseValue(std::string_view(line).substr(eq + 1));
    }
    if (!values["PRETTY_NAME"].empty())
        return values["PRETTY_NAME"];
    if (!values["NAME"].empty())
        return values["VERSION"].empty() ? values["NAME"]
                                         : values["NAME"] + " " + values["VERSION"];
    return "Linux";
}

TSystemInfo ProbeSystemInfo(const std::string& osReleaseFile) {
    TSystemInfo info;
    std::string file = osReleaseFile;
    if (file.empty())
        file = FileExists("/etc/os-release") ? "/etc/os-release" : "/usr/lib/os-release";
    info.Distribution = OsReleaseName(file);
    struct utsname u {};
    if (::uname(&u) == 0)
        info.Kernel = std::string(u.sysname) + " " + u.release + " " + u.version + " " + u.machine;
    info.QtVersion = std::string(QT_VERSION_STR) + " (running " + qVersion() + ")";
    const QLocale locale = QLocale::system();
    info.Locale = locale.name().toStdString() + " (" +
                  QLocale::languageToString(locale.language()).toStdString() + ", " +
                  QLocale::territoryToString(locale.territory()).toStdString() + ")";
    info.DecimalSeparator = LocaleSettings().DecimalSeparator;
    return info;
}

TDLogFile::TDLogFile(std::string fileName, bool enabled, std::function<TDateTime()> clock)
    : fileName_(std::move(fileName)), enabled_(enabled), clock_(std::move(clock)) {
    if (!clock_)
        clock_ = [] { return Now(); };
}

void TDLogFile::Start(const std::vector<std::string>& header) {
    if (!enabled_ || fileName_.empty())
        return;
    ForceDirectories(ExtractFileDir(fileName_));
    DeleteFile(fileName_);
    for (const std::string& line : header)
        Log(line);
}

void TDLogFile::Log(const std::string& line) {
    if (!enabled_ || fileName_.empty())
        return;
    std::string text;
    if (TimeStamps && !line.empty() && line[0] != '!' && line[0] != '-' && line[0] != '=')
        text = FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz ", clock_());
    text += line;
    text += '\n';
    // Never through a link, nor into anything but a file: the log is the user's own file.
    std::string reason;
    const int fd =
        OpenRegularFile(fileName_, O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW, 0600, reason);
    if (fd < 0)
        return;
    WriteAll(fd, text); // a failed write skips the line, as a file that cannot be opened does
    ::close(fd);
}
