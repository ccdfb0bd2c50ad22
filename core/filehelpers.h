#pragma once
// File, folder and shell routines the program shares: the data file's safe replace and safe
// write, path joining, the user's folders, the program's version, opening with the desktop.
// Failures raise Exception with the messages given below.

#include <functional>
#include <string>
#include <string_view>

// The data file's temporary and backup names are its full name followed by these.
inline constexpr char TempFileExt[] = ".~TockwellTmp~";
inline constexpr char BackupFileExt[] = ".bak";

// The file-system steps of SafeReplaceFile, each true on success. System() gives the real
// ones; tests replace single steps to make them fail.
struct TSafeReplaceSteps {
    std::function<bool(const std::string& fileName)> SyncFile;
    std::function<bool(const std::string& existing, const std::string& newName)> HardLink;
    std::function<bool(const std::string& from, const std::string& to)> Rename;
    std::function<bool(const std::string& fileName)> Delete;
    std::function<bool(const std::string& dir)> SyncFolder;
    static TSafeReplaceSteps System();
};

// Replaces targetFile by newFile, a complete file in the same folder, keeping the previous
// target as targetFile + backupExt (an older backup is replaced; no backup is made when
// backupExt is empty, and it is removed again when deleteBackup). newFile is flushed to the
// disk, the backup is made as a hard link (moving the target aside only where links are not
// possible), newFile takes the target's permissions and is renamed over it in one step, and
// the folder is flushed, so the target name holds the whole old or the whole new file at
// every moment.
// Raises "Can not write file : \"<targetFile>\"" when newFile is missing or cannot be flushed
// or moved in, "Can not override file: \"<targetFile>\"" when an existing target cannot be
// replaced; the target then still holds the old file. A failed flush or move adds ". " and
// the system's reason when the step gave one (errno); a target that is no regular file (a
// folder, named pipe or device) is never replaced and adds ". " and NotRegularFileReason.
void SafeReplaceFile(const std::string& newFile, const std::string& targetFile,
                     const std::string& backupExt, bool deleteBackup);
void SafeReplaceFile(const std::string& newFile, const std::string& targetFile,
                     const std::string& backupExt, bool deleteBackup,
                     const TSafeReplaceSteps& steps);

// Writes targetFile safely: removes a left-over targetFile + tempExt (DeleteFileOrRaise), lets
// write() create the whole new file under that name, then SafeReplaceFile swaps it in. On any
// failure the temporary file is removed, the target is left as it was and the exception
// passes on. A targetFile that is a symbolic link is written through: the file it leads to
// (ResolveFileLinks) is replaced, with the temporary file and the backup beside it, and the
// link stays; a link loop raises "Can not write file : ..." with the reason. A target that is
// no regular file is refused as by SafeReplaceFile before anything is written.
void SafeWriteFile(const std::string& targetFile,
                   const std::function<void(const std::string& tempFile)>& write,
                   const std::string& tempExt = TempFileExt,
                   const std::string& backupExt = BackupFileExt, bool deleteBackup = false);
// SafeWriteFile with the given bytes as the new content.
void SafeWriteFileBytes(const std::string& targetFile, std::string_view bytes,
                        const std::string& tempExt = TempFileExt,
                        const std::string& backupExt = BackupFileExt, bool deleteBackup = false);

// When fileName is not empty and names an existing file that cannot be deleted, raises
// "Can not delete file: <fileName>".
void DeleteFileOrRaise(const std::string& fileName);

// folder and name joined by one '/': JoinPath("/data", "x") and JoinPath("/data/", "/x") give
// "/data/x"; an empty folder gives name, an empty name gives folder.
std::string JoinPath(std::string_view folder, std::string_view name);

// Shell folders by their historic numbers; only the documents folder is known.
inline constexpr int CSIDL_PERSONAL = 5;
// The path of a shell folder; "" when it is unknown or cannot be found.
std::string SpecialFolderPath(int csidl);
// The user's documents folder (XDG); "" when it cannot be found.
std::string MyDocumentsPath();

// The program's version ("1.0.4.89" style, compiled in): commas become dots and blanks go;
// unless full, the text is cut before its third dot ("1.0.4.89" -> "1.0.4").
std::string GetOwnFileVersion(bool full);
// The same rule applied to any version text.
std::string VersionText(std::string_view version, bool full);

// Opens a file, folder or URL with the desktop's default application, without waiting;
// false when that cannot be started.
bool OpenWithShell(const std::string& target);
