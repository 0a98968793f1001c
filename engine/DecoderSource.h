// Unit Compress: the source of a stand-alone decoder of the coded and
// stored forms, for programs that do not link this engine.
#pragma once

#include "CodeTables.h"

#include <string>
#include <vector>

// One self-contained C99 source file (only <stddef.h>, <stdint.h> and
// <string.h>; no allocation, no globals that change) defining
//
//   int qv_decode(const uint8_t *in, size_t in_size,
//                 uint8_t *out, size_t out_capacity, size_t *out_size);
//
// and QV_NOT_HUFFMAN_DATA (-1), QV_CANNOT_DECODE (-2), QV_OUTPUT_TOO_SMALL
// (-3).  On every stream it gives THuffman::Decode's verdict: 0 where Decode
// succeeds (the same bytes), -1 where it raises "Data error .  Not Huffman
// encoded data .", -2 where it raises "Data error .  Can not decode .";
// -3 when the output would pass out_capacity, whichever of -2 and -3 the
// stream meets first.  Its head comment names "quorvant-cli " + Version and
// the format's rules.  Lines end in LF.
std::string DecoderSource(const std::string& Version = "1.0");

// The order in which a raw stream packs its bits into bytes.  Lsb0: each byte
// filled from bit 0 upward (as the coded form's payload); Msb0: from bit 7
// downward.  Codes are sent first bit first in both.
enum class TBitOrder { Lsb0, Msb0 };

// One self-contained C99 source file (only <stddef.h> and <stdint.h>; no
// allocation, no globals that change) with the code of Tables baked in as
// static const tables, defining
//
//   int NAME_decode(const uint8_t *in, size_t in_bits,
//                   OUT *out, size_t count, size_t *used_bits);
//
// OUT is uint8_t when every datum is below 256, else uint16_t.  It decodes
// exactly count symbols from the first in_bits bits of in (bits after them
// ignored, nothing read beyond ceil(in_bits / 8) bytes): 0, or NAME_CANNOT_
// DECODE (-2) where the bits match no code, or NAME_TRUNCATED (-4) where the
// input ends before count symbols (inside a code or at a code's end);
// *used_bits (may be NULL) is the bits decoded, after an error where the
// failing code began.  An incomplete code (Kraft sum below 1) is accepted.
// Name (the C identifier NAME; the macros use its upper-case form) that is
// not a C identifier raises Exception.  HeadLines go into the head comment
// (made comment-safe).  Lines end in LF.
std::string RawDecoderSource(const TCodeTables& Tables, const std::string& Name, TBitOrder Order,
                             const std::vector<std::string>& HeadLines,
                             const std::string& Version = "1.0");
