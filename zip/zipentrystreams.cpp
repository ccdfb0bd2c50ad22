#include "zip/zipentrystreams.h"

#include <algorithm>
#include <cstring>

#include "zip/ziperrors.h"
#include "zip/ziprecords.h"

TZipEntryInput::TZipEntryInput(TStream& archive, uint64_t size, TZipCrypto* crypto,
                               std::function<void()> beforeRefill)
    : archive_(archive), remaining_(size), crypto_(crypto), beforeRefill_(std::move(beforeRefill)) {
}

size_t TZipEntryInput::Read(uint8_t* buf, size_t max) {
    if (max == 0)
        return 0;
    if (pos_ == len_) {
        if (remaining_ == 0) {
            ranOut_ = true;
            throw EFatalUnzipError("Premature end of file reached");
        }
        if (beforeRefill_)
            beforeRefill_();
        if (buffer_.empty())
            buffer_.resize(ZipBufferSize);
        size_t n = static_cast<size_t>(std::min<uint64_t>(remaining_, ZipBufferSize));
        if (archive_.Read(buffer_.data(), static_cast<int64_t>(n)) != static_cast<int64_t>(n)) {
            ranOut_ = archiveEnded_ = true;
            throw EFatalUnzipError("Premature end of file reached");
        }
        if (crypto_)
            crypto_->Decrypt(buffer_.data(), n);
        remaining_ -= n;
        pos_ = 0;
        len_ = n;
    }
    size_t n = std::min(max, len_ - pos_);
    std::memcpy(buf, buffer_.data() + pos_, n);
    pos_ += n;
    return n;
}

TZipEntryOutput::TZipEntryOutput(TStream& target, uint64_t limit,
                                 std::function<void(uint64_t)> afterFlush)
    : target_(target), limit_(limit), afterFlush_(std::move(afterFlush)) {
    buffer_.reserve(ZipBufferSize);
}

void TZipEntryOutput::Write(const uint8_t* buf, size_t count) {
    if (count > limit_ - total_ - buffer_.size())
        throw EZipError("The entry holds more data than its size says");
    while (count > 0) {
        size_t n = std::min(count, ZipBufferSize - buffer_.size());
        buffer_.insert(buffer_.end(), buf, buf + n);
        buf += n;
        count -= n;
        if (buffer_.size() == ZipBufferSize)
            Flush();
    }
}

void TZipEntryOutput::Finish() {
    if (!buffer_.empty())
        Flush();
}

void TZipEntryOutput::Flush() {
    target_.WriteBuffer(buffer_.data(), static_cast<int64_t>(buffer_.size()));
    crc_.Update(buffer_.data(), buffer_.size());
    total_ += buffer_.size();
    buffer_.clear();
    if (afterFlush_)
        afterFlush_(total_);
}

TZipSourceInput::TZipSourceInput(TStream& source, std::function<void(uint64_t)> afterRead)
    : source_(source), afterRead_(std::move(afterRead)) {}

size_t TZipSourceInput::Read(uint8_t* buf, size_t max) {
    int64_t n = source_.Read(buf, static_cast<int64_t>(max));
    if (n <= 0)
        return 0;
    total_ += static_cast<uint64_t>(n);
    if (afterRead_)
        afterRead_(total_);
    return static_cast<size_t>(n);
}

TZipArchiveOutput::TZipArchiveOutput(TStream& archive, TZipCrypto* crypto,
                                     std::function<void()> beforeWrite)
    : archive_(archive), crypto_(crypto), beforeWrite_(std::move(beforeWrite)) {}

void TZipArchiveOutput::Write(const uint8_t* buf, size_t count) {
    if (beforeWrite_)
        beforeWrite_();
    if (total_ + count >= static_cast<uint64_t>(MaxZipArchiveSize))
        throw EZipError("Entries of 4 GiB or more are not supported");
    if (crypto_) {
        scratch_.assign(buf, buf + count);
        crypto_->Encrypt(scratch_.data(), count);
        buf = scratch_.data();
    }
    archive_.WriteBuffer(buf, static_cast<int64_t>(count));
    total_ += count;
}
