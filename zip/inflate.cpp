#include "zip/inflate.h"

#include "zip/ziperrors.h"

struct TInflater::TState {};

TInflater::TInflater() = default;
TInflater::~TInflater() = default;

uint64_t TInflater::Inflate(IZipInput&, IZipOutput&, uint64_t) {
    throw EZipError("Inflate is not available yet");
}
