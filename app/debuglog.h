#pragma once
// The help system's debug log HHDebug.txt: a file that is started afresh with a header of
// what the program runs on, then takes one line per call, each opened for appending. It is
// written only while enabled (debug mode); a disabled log touches no file.

#include <functional>
#include <string>
#include <vector>

#include "platform/datetime.h"

// What the log's header reports of the machine.
struct TSystemInfo {
    std::string Distribution; // PRETTY_NAME of os-release, e.g. "Debian GNU/Linux 12 (bookworm)"
    std::string Kernel;       // uname: system, release, version and machine
    std::string QtVersion;    // compiled against and running with
    std::string Locale;       // the user's locale: name, language and territory
    std::string DecimalSeparator;
};

// The distribution named by an os-release file: PRETTY_NAME, else NAME and VERSION, else
// "Linux" (also when the file cannot be read). Quotes and backslash escapes are removed.
std::string OsReleaseName(const std::string& osReleaseFile);

// The running system: the distribution from osReleaseFile (/etc/os-release, else
// /usr/lib/os-release), the kernel, Qt and the user's locale.
TSystemInfo ProbeSystemInfo(const std::string& osReleaseFile = "");

class TDLogFile {
public:
    // A log in fileName; nothing is written unless enabled. clock gives the time stamps
    // (default: Now()).
    TDLogFile(std::string fileName, bool enabled, std::function<TDateTime()> clock = {});

    // Deletes an existing file, creates its folder when needed and writes header as the
    // first lines. Nothing when disabled.
    void Start(const std::vector<std::string>& header);
    // Appends one line, after a time stamp "yyyy-mm-dd hh:nn:ss.zzz " when TimeStamps is
    // set, unless it starts with '!', '-' or '=' (header and separator lines). Nothing when
    // disabled; a file that cannot be opened skips the line.
    void Log(const std::string& line);

    const std::string& FileName() const { return fileName_; }
    bool Enabled() const { return enabled_; }
    bool TimeStamps = true;

private:
    std::string fileName_;
    bool enabled_;
    std::function<TDateTime()> clock_;
};
