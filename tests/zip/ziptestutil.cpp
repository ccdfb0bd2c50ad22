#include "ziptestutil.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <random>
#include <sys/wait.h>

#include "platform/sysutils.h"
#include "testutil.h"
#include "zip/crc32.h"

namespace fs = std::filesystem;

const std::string& OracleCommand() {
    static const std::string command =
        "/usr/bin/python3 " + ShellQuote(SourcePath("tests/zip/ziporacle.py"));
    return command;
}

TCommandResult RunOracle(const std::string& args) {
    return RunCommand(OracleCommand() + " " + args);
}

std::string SampleText(size_t n) {
    static const char* words[] = {"remind", "me",  "to",  "call",  "the",    "dentist", "tomorrow",
                                  "at",     "ten", "and", "water", "plants", "every",   "friday"};
    std::string s;
    uint32_t x = 7;
    while (s.size() < n) {
        x = x * 1103515245u + 12345u;
        s += words[(x >> 16) % 14];
        s += (x >> 8) % 11 == 0 ? ".\n" : " ";
    }
    s.resize(n);
    return s;
}

std::string SampleBinary(size_t n, uint32_t seed) {
    std::string s;
    uint32_t x = seed;
    while (s.size() < n) {
        x = x * 1664525u + 1013904223u;
        if ((x >> 28) == 0 && s.size() > 300) {
            size_t from = (x >> 4) % (s.size() - 260);
            s += s.substr(from, 3 + (x >> 12) % 255); // a repeated stretch
        } else {
            s += static_cast<char>(x >> 24);
        }
    }
    s.resize(n);
    return s;
}

std::map<std::string, std::string> SampleFiles() {
    return {
        {"notes.txt", SampleText(30000)},
        {"data.bin", SampleBinary(50000, 1)},
        {"empty.dat", ""},
        {"Grüße.txt", "non-ASCII name\n"},
        {"sub/dir/nested.bin", SampleBinary(3000, 2)},
    };
}

void WriteSampleFiles(const std::string& folder, const std::map<std::string, std::string>& files) {
    for (const auto& [name, bytes] : files) {
        fs::path p = fs::path(folder) / name;
        fs::create_directories(p.parent_path());
        WriteFileBytes(p.string(), bytes);
    }
}

std::map<std::string, std::string> ReadTree(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.is_regular_file())
            files[fs::relative(e.path(), folder).string()] = ReadFileBytes(e.path().string());
    return files;
}

std::string Listing(const std::map<std::string, std::string>& files) {
    std::string s;
    for (const auto& [name, bytes] : files)
        s += name + " " + std::to_string(bytes.size()) + " " +
             Format("%08x", ZipCrc32(0, bytes.data(), bytes.size())) + "\n";
    return s;
}

std::map<std::string, std::string>
ReadAllInMemory(const std::string& bytes, const std::string& password, TIncompleteZipMode mode) {
    TMemoryStream image(bytes);
    TMemoryUnZip unzip(image);
    unzip.Password = password;
    unzip.IncompleteZipMode = mode;
    std::map<std::string, std::string> entries;
    for (int i = 0; i < unzip.Count(); ++i) {
        TZipHeaderPtr e = unzip.Entry(i);
        if (e->FileName().empty())
            continue;
        TMemoryStream out;
        if (unzip.UnzipEntryToStream(out, e->FullName()) == 1)
            entries[e->FullName()] = out.AsString();
    }
    return entries;
}

TZipRandomByte SeededRandomByte(uint32_t seed) {
    return [engine = std::make_shared<std::mt19937>(seed)] { return uint8_t((*engine)()); };
}

bool CheckByteAdmits(const std::string& bytes, const std::string& password) {
    TMemoryStream image(bytes);
    TMemoryUnZip probe(image);
    for (int i = 0; i < probe.Count(); ++i) {
        const TZipHeaderPtr e = probe.Entry(i);
        if (!(e->Flags & 1))
            continue;
        const size_t local = e->LocalHeaderOffset;
        const size_t at = local + 30 + Get16(bytes, local + 26) + Get16(bytes, local + 28);
        TZipCrypto crypto;
        if (crypto.CheckHeader(password, reinterpret_cast<const uint8_t*>(bytes.data() + at),
                               TZipCrypto::CheckByte(e->Flags, e->CRC, e->DateTime)))
            return true;
    }
    return false;
}
