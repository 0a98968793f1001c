// Unit Compress: the source of a stand-alone decoder of the coded and
// stored forms, for programs that do not link this engine.
#pragma once

#include <string>

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
