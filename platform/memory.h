#pragma once
// Returning freed heap memory to the system.

// Hands the free pages of the heap back to the system, so that the memory a large temporary
// structure (a parsed document) used no longer counts as resident. Does nothing where the C
// library offers no way to do so. Never fails.
void ReleaseFreeMemory();
