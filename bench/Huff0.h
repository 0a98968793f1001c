// The reference single-stream Huffman coder the engine is measured against:
// huff0 from Debian's static libzstd (1.5.4).  Its HUF_ functions are
// exported by libzstd.a but not declared in any installed header, so the few
// that the benchmark calls are declared here with 1.5.4's signatures (a
// trailing int flags).  A benchmark dependency only.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {
// Codes Src[0..SrcSize-1] (at most 128 KiB) into Dst with one fresh table
// when *Repeat is 0 (HUF_repeat_none); returns the coded size, 0 when coding
// does not pay, or an error code (HUF_isError).  HufTable holds at least
// MaxSymbolValue + 2 entries; WorkSpace is 8-byte aligned.
size_t HUF_compress1X_repeat(void* Dst, size_t DstSize, const void* Src, size_t SrcSize,
                             unsigned MaxSymbolValue, unsigned TableLog, void* WorkSpace,
                             size_t WkspSize, size_t* HufTable, int* Repeat, int Flags);
// Reads the table at the head of CSrc into DTable (1 + 2^12 words, word 0
// initialised to 12 * 0x01000001), then decodes exactly DstSize bytes with
// the two-symbol decoder.
size_t HUF_decompress1X2_DCtx_wksp(uint32_t* DTable, void* Dst, size_t DstSize, const void* CSrc,
                                   size_t CSrcSize, void* WorkSpace, size_t WkspSize, int Flags);
unsigned HUF_isError(size_t Code);
}

namespace Huff0 {
// huff0's largest block; larger inputs are coded block by block.
inline constexpr size_t BlockSize = size_t{128} << 10;
inline constexpr int FlagBmi2 = 1;
inline constexpr unsigned TableLogMax = 12;
}  // namespace Huff0
