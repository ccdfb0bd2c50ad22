#pragma once
// The desktop shell as the program sees it: its own folder, the user's folders, and starting
// other programs. Programs are started directly (never through a shell) and not waited for;
// they are reaped in the background so none is left as a zombie.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The running program's file (from /proc/self/exe); "" when it cannot be read.
std::string ProgramFileName();
// The folder of the running program, with a trailing '/'; "" when it cannot be read.
std::string ProgramFolder();
// The user's home folder: $HOME, else the password database's entry; "" when neither is set.
std::string HomeFolder();
// The user's documents folder: XDG_DOCUMENTS_DIR from $XDG_CONFIG_HOME/user-dirs.dirs
// (default ~/.config), else ~/Documents. Not checked for existence; "" without a home folder.
std::string DocumentsFolder();
// The user's folder for state such as logs: $XDG_STATE_HOME when it is an absolute path, else
// ~/.local/state. Not checked for existence; "" without a home folder.
std::string StateFolder();

// Splits a command line into the program and its arguments the way a POSIX shell splits
// words: blanks separate; 'single quotes' keep everything; "double quotes" keep everything
// but a backslash before " \ $ ` or a line break; a backslash outside quotes keeps the next
// character. Nothing is expanded. An unterminated quote gives nullopt.
std::optional<std::vector<std::string>> SplitCommandLine(std::string_view commandLine);

// Starts argv[0] (searched in PATH when it has no '/') with the given arguments, in a session
// of its own, without waiting. False when argv is empty or the program cannot be started
// (missing, not executable); errno then holds the reason.
bool StartProgram(const std::vector<std::string>& argv);
// Splits the command line (SplitCommandLine) and starts it; false when it is empty, badly
// quoted or cannot be started.
bool RunCommandLine(std::string_view commandLine);
// Opens a file, folder or URL with the desktop's default application (xdg-open) without
// waiting; false when the opener cannot be started or the target is empty.
bool ShellOpen(const std::string& target);

// What ShellOpen hands a (non-empty) target to: true when it was started.
using TShellOpener = std::function<bool(const std::string& target)>;
// Replaces the opener behind ShellOpen (tests record targets instead of starting a browser);
// null restores xdg-open. Returns the opener replaced (null for xdg-open). GUI thread only.
TShellOpener SetShellOpener(TShellOpener opener);
