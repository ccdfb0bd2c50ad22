#pragma once
// Small encoders of the old PKZIP methods, for tests only: they produce the streams that the
// decoders must read (Info-ZIP unzip serves as the independent check of these encoders).

#include "codectestutil.h"

// Implode (method 6). bigDictionary: flag bit 1 (8 KiB); literalTree: flag bit 2. When
// zeroRunAtStart, leading zero bytes are coded as a match reaching before the first byte.
TBytes ImplodeForTest(const TBytes& data, bool bigDictionary, bool literalTree);

// Shrink (method 1): LZW growing from 9 to 13 bits; a partial clear is sent every
// clearEvery codes (0: only when the table is full).
struct TShrinkStats {
    int PartialClears = 0;
    int MaxCodeSize = 9;
    int KwKwK = 0;
};
TBytes ShrinkForTest(const TBytes& data, int clearEvery, TShrinkStats* stats = nullptr);
