#include "core/filehelpers.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/classes.h"
#include "platform/fileutils.h"
#include "platform/shell.h"
#include "platform/sysutils.h"

#ifndef TOCKWELL_VERSION
#define TOCKWELL_VERSION ""
#endif

TSafeReplaceSteps TSafeReplaceSteps::System() {
    TSafeReplaceSteps s;
    s.SyncFile = [](const std::string& f) { return ::SyncFile(f); };
    s.HardLink = [](const std::string& existing, const std::string& newName) {
        return ::link(existing.c_str(), newName.c_str()) == 0;
    };
    s.Rename = [](const std::string& from, const std::string& to) { return RenameFile(from, to); };
    s.Delete = [](const std::string& f) { return DeleteFile(f); };
    s.SyncFolder = [](const std::string& d) { return ::SyncFolder(d); };
    return s;
}

void SafeReplaceFile(const std::string& newFile, const std::string& targetFile,
                     const std::string& backupExt, bool deleteBackup) {
    SafeReplaceFile(newFile, targetFile, backupExt, deleteBackup, TSafeReplaceSteps::System());
}

namespace {

// The failure of a step, with the system's reason when the step left one in errno.
[[noreturn]] void RaiseStepFailure(const std::string& what, const std::string& quoted, int err) {
    throw Exception(what + quoted + (err ? std::string(". ") + std::strerror(err) : ""));
}

// Only a file is replaced: a folder, named pipe or device keeps its name.
void RefuseToReplaceNoFile(const std::string& targetFile) {
    if (const std::string reason = NotRegularFileReason(targetFile); !reason.empty())
        throw Exception("Can not override file: \"" + targetFile + "\". " + reason);
}

} // namespace

void SafeReplaceFile(const std::string& newFile, const std::string& targetFile,
                     const std::string& backupExt, bool deleteBackup,
                     const TSafeReplaceSteps& steps) {
    const std::string quoted = "\"" + targetFile + "\"";
    if (targetFile.empty() || !FileExists(newFile))
        throw Exception("Can not write file : " + quoted);
    errno = 0;
    if (!steps.SyncFile(newFile))
        RaiseStepFailure("Can not write file : ", quoted, errno);
    RefuseToReplaceNoFile(targetFile);

    const bool hadTarget = FileExists(targetFile);
    struct stat st;
    if (hadTarget && ::stat(targetFile.c_str(), &st) == 0)
        ::chmod(newFile.c_str(), st.st_mode & 07777); // a private file stays private
    const bool keepBackup = hadTarget && !backupExt.empty();
    const std::string backup = targetFile + backupExt;
    bool movedAside = false;
    if (keepBackup) {
        steps.Delete(backup); // may be missing
        // A link keeps the target in place; only where links are impossible (FAT, some
        // network shares) is the target moved aside for the moment of the swap.
        if (!steps.HardLink(targetFile, backup))
            movedAside = steps.Rename(targetFile, backup);
    }
    errno = 0;
    if (!steps.Rename(newFile, targetFile)) {
        const int err = errno;
        if (movedAside)
            steps.Rename(backup, targetFile);
        RaiseStepFailure(hadTarget ? "Can not override file: " : "Can not write file : ", quoted,
                         err);
    }
    if (keepBackup && deleteBackup)
        steps.Delete(backup);
    errno = 0;
    if (!steps.SyncFolder(ExtractFileDir(targetFile)))
        RaiseStepFailure("Can not write file : ", quoted, errno);
}

void SafeWriteFile(const std::string& targetFile,
                   const std::function<void(const std::string& tempFile)>& write,
                   const std::string& tempExt, const std::string& backupExt, bool deleteBackup) {
    // A symbolic link stays: the file it leads to is replaced, with the temporary file and
    // the backup beside that file.
    const std::string target = ResolveFileLinks(targetFile);
    const int linkError = errno;
    if (tempExt.empty() || target.empty())
        throw Exception("Can not write file : \"" + targetFile + "\"" +
                        (target.empty() ? std::string(". ") + std::strerror(linkError) : ""));
    // Nothing is written beside what is not to be replaced anyway.
    RefuseToReplaceNoFile(target);
    const std::string temp = target + tempExt;
    DeleteFileOrRaise(temp);
    try {
        write(temp);
        SafeReplaceFile(temp, target, backupExt, deleteBackup);
    } catch (...) {
        DeleteFile(temp);
        throw;
    }
}

void SafeWriteFileBytes(const std::string& targetFile, std::string_view bytes,
                        const std::string& tempExt, const std::string& backupExt,
                        bool deleteBackup) {
    SafeWriteFile(
        targetFile,
        [bytes](const std::string& temp) {
            TFileStream f(temp, fmCreate);
            f.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
        },
        tempExt, backupExt, deleteBackup);
}

void DeleteFileOrRaise(const std::string& fileName) {
    if (!fileName.empty() && FileExists(fileName) && !DeleteFile(fileName))
        throw Exception("Can not delete file: " + fileName);
}

std::string JoinPath(std::string_view folder, std::string_view name) {
    if (name.empty())
        return std::string(folder);
    std::string s = IncludeTrailingPathDelimiter(folder);
    if (!s.empty() && name.front() == '/')
        name.remove_prefix(1); // one separator, not two
    s += name;
    return s;
}

std::string SpecialFolderPath(int csidl) {
    if (csidl == CSIDL_PERSONAL)
        return DocumentsFolder();
    return {};
}

std::string MyDocumentsPath() {
    return SpecialFolderPath(CSIDL_PERSONAL);
}

std::string VersionText(std::string_view version, bool full) {
    std::string s;
    for (char c : version)
        if (c == ',')
            s += '.';
        else if (c != ' ')
            s += c;
    if (!full) {
        size_t dot = std::string::npos;
        for (int i = 0; i < 3; ++i) {
            dot = s.find('.', dot == std::string::npos ? 0 : dot + 1);
            if (dot == std::string::npos)
                return s;
        }
        s.resize(dot);
    }
    return s;
}

std::string GetOwnFileVersion(bool full) {
    return VersionText(TOCKWELL_VERSION, full);
}

bool OpenWithShell(const std::string& target) {
    return ShellOpen(target);
}
