#include "zip/deflate.h"

#include "zip/ziperrors.h"

struct TDeflater::TState {};

TDeflater::TDeflater(int level) : level_(6) {
    SetLevel(level);
}
TDeflater::~TDeflater() = default;

void TDeflater::SetLevel(int level) {
    if (level < 0 || level > 9)
        throw EZipError(Format("Invalid compression level %d", level));
    level_ = level;
}

TDeflateResult TDeflater::Compress(IZipInput&, IZipOutput&) {
    throw EZipError("Deflate is not available yet");
}
