#pragma once
// Byte streams and the string list, shaped as the program's data-file code uses them.
// All multi-byte values are little-endian.

#include <algorithm>
#include <any>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sysutils.h"

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

// A seekable byte stream. Read/Write move as much as they can and return the count;
// ReadBuffer/WriteBuffer move all or raise (EReadError "Stream read error",
// EWriteError "Stream write error", followed by ": <the system's reason>" when it gave one).
class TStream {
public:
    virtual ~TStream() = default;
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    // Returns the new position; a position before 0 raises EStreamError.
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
    virtual int64_t Size();
    virtual void SetSize(int64_t size) = 0;

    int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
    void SetPosition(int64_t pos) { Seek(pos, TSeekOrigin::soBeginning); }
    // Bytes between the position and the end (0 when positioned past the end).
    int64_t Remaining();

    void ReadBuffer(void* buffer, int64_t count);
    void WriteBuffer(const void* buffer, int64_t count);
    // Copies count bytes from source's position; count 0 copies all of source from its start.
    // Returns the bytes copied; a short source raises EReadError.
    int64_t CopyFrom(TStream& source, int64_t count);

    // Fixed-size little-endian values.
    template <class T> T ReadValue() {
        T v;
        ReadBuffer(&v, sizeof v);
        return v;
    }
    template <class T> void WriteValue(T v) { WriteBuffer(&v, sizeof v); }
};

// A stream held in memory; Memory() is valid until the next write or SetSize.
class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::string_view bytes);
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override { return static_cast<int64_t>(data_.size()); }
    void SetSize(int64_t size) override;

    void Clear();
    // Makes room for the data to grow to capacity bytes without being moved again; size and
    // content stay. Raises std::bad_alloc or std::length_error when the room cannot be had.
    void Reserve(int64_t capacity) {
        data_.reserve(static_cast<size_t>(std::max<int64_t>(capacity, 0)));
    }
    uint8_t* Memory() { return data_.data(); }
    const uint8_t* Memory() const { return data_.data(); }
    std::string AsString() const { return std::string(data_.begin(), data_.end()); }
    const std::vector<uint8_t>& Bytes() const { return data_; }
    // Raises EFOpenError / EFCreateError / EReadError / EWriteError on failure.
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName) const;
    void LoadFromStream(TStream& source); // all of source from its start

private:
    std::vector<uint8_t> data_;
    int64_t pos_ = 0;
};

enum TFileMode : unsigned {
    fmOpenRead = 0x0000,
    fmOpenWrite = 0x0001,
    fmOpenReadWrite = 0x0002,
    fmCreate = 0xFF00, // create or truncate, read and write
};

// A stream over a regular file: a folder, named pipe, device or socket is refused at once,
// without waiting on it (OpenRegularFile; a character device opened fmOpenWrite is let
// through). Opening failures raise EFOpenError ("Cannot open file \"<name>\". <reason>") or,
// for fmCreate, EFCreateError ("Cannot create file ...").
class TFileStream : public TStream {
public:
    TFileStream(const std::string& fileName, unsigned mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t size) override;

    const std::string& FileName() const { return fileName_; }
    int Handle() const { return fd_; }
    // Flushes the file's data to the disk; raises EWriteError on failure.
    void Sync();

private:
    std::string fileName_;
    int fd_ = -1;
};

// A list of strings, each with an optional attached object (std::any).
// Lookups by text ignore ASCII case unless CaseSensitive is set.
class TStringList {
public:
    TStringList() = default;
    TStringList(std::initializer_list<std::string> items);

    int Count() const { return static_cast<int>(items_.size()); }
    bool Empty() const { return items_.empty(); }
    const std::string& operator[](int index) const { return items_.at(index).text; }
    const std::string& Strings(int index) const { return items_.at(index).text; }
    void SetString(int index, std::string text) { items_.at(index).text = std::move(text); }
    std::any& Objects(int index) { return items_.at(index).object; }
    const std::any& Objects(int index) const { return items_.at(index).object; }

    int Add(std::string text);
    int AddObject(std::string text, std::any object);
    void Insert(int index, std::string text);
    void Delete(int index);
    void Clear() { items_.clear(); }
    void Exchange(int a, int b);
    int IndexOf(std::string_view text) const; // -1 when absent

    // Lines joined with CR LF, each line ended by it (empty list: empty text).
    std::string Text() const;
    // Splits on CR LF, LF or CR; a final line break adds no empty line.
    void SetText(std::string_view text);

    // Items joined with sep (no trailing separator).
    std::string Join(std::string_view sep) const;

    bool CaseSensitive = false;

private:
    struct Item {
        std::string text;
        std::any object;
    };
    std::vector<Item> items_;
};
