#pragma once
// The buffered streams between the archive components and the codecs: decoders read an
// entry's compressed bytes (16,000 at a time, decrypted in place) and write decoded bytes
// (flushed 16,000 at a time with CRC-32 and progress); the compressor reads its source (with
// progress; the compressor keeps the CRC-32 itself) and writes compressed bytes (encrypted) to
// the archive.

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/classes.h"
#include "zip/codecio.h"
#include "zip/crc32.h"
#include "zip/zipcrypto.h"

inline constexpr size_t ZipBufferSize = 16000;

// An entry's compressed bytes: exactly size bytes from the archive's position on.
class TZipEntryInput : public IZipInput {
public:
    // crypto (may be null) decrypts what is read; beforeRefill runs before every read from the
    // archive (the cancel check) and may raise.
    TZipEntryInput(TStream& archive, uint64_t size, TZipCrypto* crypto,
                   std::function<void()> beforeRefill = {});
    // Raises EFatalUnzipError "Premature end of file reached" once the entry's bytes are used
    // up or the archive ends early.
    size_t Read(uint8_t* buf, size_t max) override;
    uint64_t Remaining() const { return remaining_ + (len_ - pos_); }
    // Whether a read raised "Premature end of file reached" (the entry's bytes used up or the
    // archive ended), and whether the archive ended before the entry's bytes did.
    bool RanOut() const { return ranOut_; }
    bool ArchiveEnded() const { return archiveEnded_; }

private:
    TStream& archive_;
    uint64_t remaining_;
    TZipCrypto* crypto_;
    std::function<void()> beforeRefill_;
    std::vector<uint8_t> buffer_;
    size_t pos_ = 0, len_ = 0;
    bool ranOut_ = false;
    bool archiveEnded_ = false;
};

// Decoded bytes to a target stream: flushed every 16,000 bytes and at Finish, each flush
// updating the CRC-32 and calling afterFlush with the total so far.
class TZipEntryOutput : public IZipOutput {
public:
    // More than limit bytes raise EZipError (the entry is larger than it says).
    TZipEntryOutput(TStream& target, uint64_t limit,
                    std::function<void(uint64_t total)> afterFlush = {});
    void Write(const uint8_t* buf, size_t count) override;
    void Finish();
    uint64_t Total() const { return total_; }
    uint32_t Crc() const { return crc_.Value(); }

private:
    void Flush();
    TStream& target_;
    uint64_t limit_;
    std::function<void(uint64_t)> afterFlush_;
    std::vector<uint8_t> buffer_;
    uint64_t total_ = 0;
    TZipCrc32 crc_;
};

// The compressor's source: reads until the stream ends (Read then returns 0).
class TZipSourceInput : public IZipInput {
public:
    // afterRead gets the total read so far after every read.
    TZipSourceInput(TStream& source, std::function<void(uint64_t total)> afterRead = {});
    size_t Read(uint8_t* buf, size_t max) override;
    uint64_t Total() const { return total_; }

private:
    TStream& source_;
    std::function<void(uint64_t)> afterRead_;
    uint64_t total_ = 0;
};

// The compressor's output: encrypted when crypto is given, then written to the archive.
class TZipArchiveOutput : public IZipOutput {
public:
    // beforeWrite runs before every write (the cancel check) and may raise.
    TZipArchiveOutput(TStream& archive, TZipCrypto* crypto, std::function<void()> beforeWrite = {});
    // Raises EZipError when the entry's data reaches 4 GiB.
    void Write(const uint8_t* buf, size_t count) override;
    uint64_t Total() const { return total_; }

private:
    TStream& archive_;
    TZipCrypto* crypto_;
    std::function<void()> beforeWrite_;
    std::vector<uint8_t> scratch_;
    uint64_t total_ = 0;
};
