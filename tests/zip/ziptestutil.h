#pragma once
// Helpers of the archive component tests: sample content, and the independent oracles
// (Info-ZIP zip/unzip, 7z, Python's zipfile) run as commands.

#include <deque>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "testutil.h"
#include "zip/unzipcomponent.h"
#include "zip/zipcrypto.h"
#include "zip/zipprompts.h"

// The command that runs tests/zip/ziporacle.py, for arguments to follow.
const std::string& OracleCommand();
// Runs tests/zip/ziporacle.py with the arguments (already quoted).
TCommandResult RunOracle(const std::string& args);

// Sample files by relative name: text, binary with runs, empty, a non-ASCII name, nested.
std::map<std::string, std::string> SampleFiles();
// Writes the files below folder.
void WriteSampleFiles(const std::string& folder, const std::map<std::string, std::string>& files);
// Every file below folder by relative name.
std::map<std::string, std::string> ReadTree(const std::string& folder);
// "name size crc" of each file, one a line, sorted: a short form to compare trees by.
std::string Listing(const std::map<std::string, std::string>& files);
// Text of n bytes that compresses well, and pseudo-random bytes with repeated stretches.
std::string SampleText(size_t n);
std::string SampleBinary(size_t n, uint32_t seed);

// A reader over an archive held in memory (the in-memory road, opened up for tests).
class TMemoryUnZip : public TSuperUnZip {
public:
    explicit TMemoryUnZip(TStream& image) {
        memory_ = {&image, true};
        zipName_ = "ZIPSTREAM";
    }
};
// Encryption header bytes from a fixed seed: whether a wrong password passes an entry's check
// byte (once in 256) is then the same at every run.
TZipRandomByte SeededRandomByte(uint32_t seed);
// Whether password passes the check byte of an encrypted entry of the archive in bytes.
bool CheckByteAdmits(const std::string& bytes, const std::string& password);

// Lists the archive in bytes and extracts every file entry into memory: name -> content.
// Entries that fail (wrong password, CRC mismatch, damaged data) are left out. Raises what the
// reader raises.
std::map<std::string, std::string> ReadAllInMemory(const std::string& bytes,
                                                   const std::string& password = "",
                                                   TIncompleteZipMode mode = izAssumeMulti);

// Little-endian fields of archive bytes, read and overwritten in place.
inline uint16_t Get16(const std::string& s, size_t at) {
    return uint16_t(uint8_t(s[at]) | uint8_t(s[at + 1]) << 8);
}
inline uint32_t Get32(const std::string& s, size_t at) {
    return Get16(s, at) | uint32_t(Get16(s, at + 2)) << 16;
}
inline void Put16(std::string& s, size_t at, uint16_t v) {
    s[at] = char(v);
    s[at + 1] = char(v >> 8);
}
inline void Put32(std::string& s, size_t at, uint32_t v) {
    Put16(s, at, uint16_t(v));
    Put16(s, at + 2, uint16_t(v >> 16));
}

// Prompts that record what they are asked and answer from queues (No and cancel when empty).
class TFakeZipPrompts : public IZipPrompts {
public:
    struct TAsked {
        std::string Kind;    // "yesno", "error", "file" or "folder"
        std::string Text;    // the text, or the dialog's title
        std::string Caption; // the caption, the file filter or the start folder
        bool operator==(const TAsked&) const = default;
        friend std::ostream& operator<<(std::ostream& os, const TAsked& a) {
            return os << a.Kind << " \"" << a.Text << "\" \"" << a.Caption << '"';
        }
    };
    std::vector<TAsked> Asked;
    std::deque<bool> Answers;
    std::deque<std::string> Choices;

    bool AskYesNo(const std::string& text, const std::string& caption) override {
        Asked.push_back({"yesno", text, caption});
        return Next(Answers, false);
    }
    void ShowError(const std::string& text, const std::string& caption) override {
        Asked.push_back({"error", text, caption});
    }
    std::string ChooseFile(const std::string& title, const std::string& filter,
                           const std::string& startFolder) override {
        Asked.push_back({"file", title, filter + " in " + startFolder});
        return Next(Choices, std::string());
    }
    std::string ChooseFolder(const std::string& title, const std::string& startFolder) override {
        Asked.push_back({"folder", title, startFolder});
        return Next(Choices, std::string());
    }

private:
    template <class T> static T Next(std::deque<T>& queue, T none) {
        if (queue.empty())
            return none;
        T v = queue.front();
        queue.pop_front();
        return v;
    }
};

// Installs a fresh TFakeZipPrompts for its lifetime.
class TFakeZipPromptsGuard {
public:
    TFakeZipPromptsGuard() : previous_(SetZipPrompts(fake_)) {}
    ~TFakeZipPromptsGuard() { SetZipPrompts(previous_); }
    TFakeZipPromptsGuard(const TFakeZipPromptsGuard&) = delete;
    TFakeZipPromptsGuard& operator=(const TFakeZipPromptsGuard&) = delete;
    TFakeZipPrompts* operator->() { return fake_.get(); }

private:
    std::shared_ptr<TFakeZipPrompts> fake_ = std::make_shared<TFakeZipPrompts>();
    std::shared_ptr<IZipPrompts> previous_;
};
