// Any input to the decoders: inflate (and, by the first byte, the legacy decoders) either
// returns or raises the zip library's exceptions, and never writes past the size limit.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "zip/inflate.h"
#include "zip/legacydecoders.h"
#include "zip/ziperrors.h"

namespace {

class TInput : public IZipInput {
public:
    TInput(const uint8_t* d, size_t n) : d_(d), n_(n) {}
    size_t Read(uint8_t* buf, size_t max) override {
        size_t k = n_ - pos_ < max ? n_ - pos_ : max;
        if (k == 0)
            throw EFatalUnzipError("Premature end of file reached");
        if (k > 4096) // small pieces reach the decoders' slow paths
            k = 4096;
        std::memcpy(buf, d_ + pos_, k);
        pos_ += k;
        return k;
    }

private:
    const uint8_t* d_;
    size_t n_;
    size_t pos_ = 0;
};

class TOutput : public IZipOutput {
public:
    explicit TOutput(uint64_t limit) : limit_(limit) {}
    void Write(const uint8_t*, size_t n) override {
        total_ += n;
        if (total_ > limit_)
            std::abort(); // a decoder wrote past its limit
    }

private:
    uint64_t limit_;
    uint64_t total_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const uint8_t mode = data[0];
    ++data;
    --size;
    const uint64_t limit = 1 << 20;
    TInput in(data, size);
    TOutput out(limit);
    try {
        if (mode < 200) {
            TInflater().Inflate(in, out, limit);
        } else {
            // Legacy methods 0-6 with the implode flag combinations.
            const uint16_t method = uint16_t(mode % 7);
            const uint16_t flags = uint16_t((mode / 7) % 4 * 2);
            ZipDecodeEntry(method, flags, size, method == 0 ? size : limit, in, out);
        }
    } catch (const EFatalUnzipError&) {
    } catch (const EZipError&) {
    }
    return 0;
}
