#include "zip/legacydecoders.h"

#include "zip/ziperrors.h"

struct TUnshrinker::TState {};
TUnshrinker::TUnshrinker() = default;
TUnshrinker::~TUnshrinker() = default;
uint64_t TUnshrinker::Decode(IZipInput&, IZipOutput&, uint64_t) {
    throw EZipError("Unknown Compression Method");
}
TUnreducer::TUnreducer(int factor) : factor_(factor) {}
uint64_t TUnreducer::Decode(IZipInput&, IZipOutput&, uint64_t) {
    throw EZipError("Unknown Compression Method");
}
TExploder::TExploder(uint16_t flags, uint64_t compressedSize)
    : flags_(flags), compressedSize_(compressedSize) {}
uint64_t TExploder::Decode(IZipInput&, IZipOutput&, uint64_t) {
    throw EZipError("Unknown Compression Method");
}
uint64_t ZipCopyStored(IZipInput&, IZipOutput&, uint64_t) {
    throw EZipError("Unknown Compression Method");
}
uint64_t ZipDecodeEntry(uint16_t, uint16_t, uint64_t, uint64_t, IZipInput&, IZipOutput&) {
    throw EZipError("Unknown Compression Method");
}
