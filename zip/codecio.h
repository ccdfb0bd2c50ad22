#pragma once
// How the codecs meet the archive components: a decoder pulls compressed bytes from an input
// and pushes decoded bytes to an output; the compressor pulls plain bytes and pushes
// compressed ones. The components put buffering, decryption, CRC and progress behind these.

#include <cstddef>
#include <cstdint>

class IZipInput {
public:
    virtual ~IZipInput() = default;
    // Reads up to max bytes into buf and returns how many (> 0). A decoder asking for more
    // after the entry's data has run out gets EFatalUnzipError ("Premature end of file
    // reached"); an input that is simply at its end (compressor side) returns 0.
    virtual size_t Read(uint8_t* buf, size_t max) = 0;
};

class IZipOutput {
public:
    virtual ~IZipOutput() = default;
    // Takes count bytes; may raise (a cancel request, a stream error, a size limit).
    virtual void Write(const uint8_t* buf, size_t count) = 0;
};
