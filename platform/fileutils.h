#pragma once
// File and folder routines over POSIX. Paths use '/'; names compare case-sensitively.
// None of them raises: failures come back as false or as the empty text.

#include <functional>
#include <string>
#include <string_view>

// True when the name exists and is not a folder (links are followed).
bool FileExists(const std::string& fileName);
// True when the name is an existing folder (links are followed).
bool DirectoryExists(const std::string& dir);
// Creates the folder and every missing folder above it; true when the folder exists
// afterwards. The empty name gives false.
bool ForceDirectories(const std::string& dir);
// True when dir is a folder, or when ForceDirectories could make it: the nearest existing
// name above it is a folder this process may write into. Creates nothing; "" gives false.
bool CanForceDirectories(const std::string& dir);
// Removes a file (not a folder); false when it is missing or cannot be removed.
bool DeleteFile(const std::string& fileName);
// Renames a file or folder; an existing file under newName is replaced (POSIX rename).
bool RenameFile(const std::string& oldName, const std::string& newName);

// The folder part with its trailing '/' ("" when there is none): "/a/b.txt" -> "/a/".
std::string ExtractFilePath(std::string_view fileName);
// The folder part without a trailing '/' (except for the root "/"): "/a/b.txt" -> "/a".
std::string ExtractFileDir(std::string_view fileName);
// The part after the last '/': "/a/b.txt" -> "b.txt".
std::string ExtractFileName(std::string_view fileName);
// The extension with its dot, taken from the name part only: "/a.d/b.txt" -> ".txt",
// "/a.d/b" -> "".
std::string ExtractFileExt(std::string_view fileName);
// Replaces the extension (or appends one): ChangeFileExt("a/b.txt", ".bak") -> "a/b.bak".
std::string ChangeFileExt(std::string_view fileName, std::string_view extension);
// Appends '/' unless the text is empty or already ends with it.
std::string IncludeTrailingPathDelimiter(std::string_view path);
// Removes one trailing '/' unless the path is the root "/".
std::string ExcludeTrailingPathDelimiter(std::string_view path);
// An absolute name: relative names are taken from the current folder; "." and ".." parts and
// repeated '/' are removed without looking at the disk (links are not resolved). A trailing
// '/' is kept; the empty name stays empty.
std::string ExpandFileName(std::string_view fileName);
// The current folder ("" when it cannot be found).
std::string GetCurrentDir();
// The name a file is really written under: while fileName is a symbolic link, its target
// (a relative target taken from the link's folder), also when the last target does not exist
// yet; fileName itself when it is no link. "" with errno ELOOP after 40 links (a loop), or
// with the errno of a link that cannot be read.
std::string ResolveFileLinks(const std::string& fileName);

// Why a file of the given st_mode is no regular file, as the system words such reasons: ""
// for a regular file, else "Is a directory", "Is a named pipe", "Is a device" or "Is a socket".
std::string NotRegularFileReason(unsigned mode);
// NotRegularFileReason of the file fileName leads to; "" when it is missing or cannot be
// looked at.
std::string NotRegularFileReason(const std::string& fileName);
// Opens fileName with the open(2) flags (O_CLOEXEC added) and, when it is created, permission
// bits mode, provided it is a regular file: a folder, named pipe, device or socket is refused
// without waiting on it or opening it (but a character device opened write-only, as /dev/null,
// is let through). Returns the descriptor; -1 on failure, reason then holding why (the
// system's text for errno, or NotRegularFileReason) and errno the system's error (EISDIR for a
// folder, EINVAL for any other file that is not regular).
int OpenRegularFile(const std::string& fileName, int flags, unsigned mode, std::string& reason);
// Reads the whole regular file fileName into out (OpenRegularFile). False on failure, with
// reason and errno as OpenRegularFile gives them (ENOENT: missing) or as the read failed.
bool ReadRegularFile(const std::string& fileName, std::string& out, std::string& reason);

// Writes all of data to the open file fd, going on after interruptions; false when a write
// fails (errno tells why) or writes nothing.
bool WriteAll(int fd, std::string_view data);

// Creates fileName afresh with permission bits mode, writes all of data and lets sync flush
// it (an empty sync skips the flush). Never writes through a link: a leftover file or link
// under that name is removed first and the create is exclusive, so one planted meanwhile
// makes it fail. 0 on success; otherwise the errno of the failing step, the file removed.
int WriteNewFile(const std::string& fileName, std::string_view data, unsigned mode,
                 const std::function<bool(int fd)>& sync);

// Flushes a file's data, or a folder's entries (after a rename or create in it), to the disk.
// False when it cannot be opened or the flush fails; file systems that cannot flush a folder
// count as success. The empty folder name means the current folder.
bool SyncFile(const std::string& fileName);
bool SyncFolder(const std::string& dir);
