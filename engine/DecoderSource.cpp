// The stand-alone C decoder's text.  Its payload loop follows the engine's
// decoder (a 64-bit bit buffer, a fast table deciding up to three codes);
// the format rules it relies on are written in its head comment.
#include "DecoderSource.h"
#include "CompressInternal.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace {

constexpr const char* SVersionMark = "@VERSION@";

constexpr const char* SDecoder = R"QV(/*
 * qv_decode.c: a decoder of Quorvant's coded and stored byte forms.
 * Written by quorvant-cli @VERSION@ (quorvant-cli decoder).
 *
 * Plain C99 needing only <stddef.h>, <stdint.h> and <string.h>: it
 * allocates nothing, keeps nothing between calls and has no globals that
 * change; one call uses about 17 KiB of stack (less with a smaller
 * QV_FAST_BITS).
 *
 *   int qv_decode(const uint8_t *in, size_t in_size,
 *                 uint8_t *out, size_t out_capacity, size_t *out_size);
 *
 * Returns 0 and sets *out_size to the decoded size, or
 *   QV_NOT_HUFFMAN_DATA (-1)  the size of in disagrees with its header
 *                             (checked first, before anything is written);
 *   QV_CANNOT_DECODE    (-2)  the next payload bits match no code;
 *   QV_OUTPUT_TOO_SMALL (-3)  the output would pass out_capacity;
 * between -2 and -3 the first problem met in the stream wins.  After an
 * error *out_size is the number of bytes decoded before it (out_capacity
 * after -3); bytes of out between *out_size and out_capacity may have been
 * written over.  out_size may be NULL.  Nothing is read outside
 * in[0..in_size) and nothing written outside out[0..out_capacity).
 *
 * The format rules this decoder relies on (every field least significant
 * bit first, bytes filled from bit 0, multi-byte values little-endian):
 *
 *   bytes 0-3   header word: bits 0-1 the form tag, bits 2-31 a byte count.
 *   Stored form, tag 0: the word is L * 4 and the L data bytes follow;
 *     the size is exactly L + 4.
 *   Coded form, tags 1, 2 and 3 alike:
 *     byte 4      bits 0-2 tail (code bits mod 8), bits 3-7 W (0..31)
 *     byte 5      N, the number of table entries (0 means 256)
 *     6           the N data values in table order
 *     6+N         16 counts of W bits each: codes of length 1, 2, ..., 16
 *     6+N+2W      payload: (word >> 2) * 8 + tail code bits
 *     the size is exactly N + 6 + 2W + (word >> 2) + (1 if tail != 0).
 *   Lengths: the first count[1] entries have length 1, the next count[2]
 *     length 2, and so on up to 16, stopping at N entries; entries left
 *     without a length never match.
 *   Canonical codes, 16 bits wide and left-aligned, modulo 2^32:
 *     start[1] = 0, start[L+1] = start[L] + count[L] * 2^(16-L); the m-th
 *     entry of length L (m from 0) has code start[L] + m * 2^(16-L), sent
 *     most significant bit first.  A code of 2^16 or more never matches.
 *   Decoding: at each payload bit the next 16 bits (bits past the payload's
 *     end read as 0) decode to the first entry in table order whose code
 *     they begin with, which consumes its length; a last code that runs
 *     past the payload's end is read with the missing bits as 0.
 */
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#define QV_NOT_HUFFMAN_DATA (-1)
#define QV_CANNOT_DECODE (-2)
#define QV_OUTPUT_TOO_SMALL (-3)

int qv_decode(const uint8_t *in, size_t in_size, uint8_t *out, size_t out_capacity,
              size_t *out_size);

/* Bits decided by one look-up of the fast table (4 << QV_FAST_BITS bytes of
   stack), 8..13. */
#ifndef QV_FAST_BITS
#define QV_FAST_BITS 12
#endif
#if QV_FAST_BITS < 8 || QV_FAST_BITS > 13
#error "QV_FAST_BITS must be 8..13"
#endif

#define QV_FAST_SIZE (1u << QV_FAST_BITS)
/* Bytes of output room one round of the fast loop may touch. */
#define QV_ROUND_ROOM 13u

/* The live codes (those below 2^16) form a prefix code in canonical order,
   whatever the counts: an entry gets a length only while the counts before
   it cover at most N entries, so its 16-bit value stays below 2^24 and never
   wraps.  So no two live codes overlap, the first match in table order is
   the only one, and the codes of each length are consecutive. */
typedef struct qv_table {
  uint8_t data[256];     /* data values in table order */
  uint8_t length[256];   /* 0: never matches */
  uint16_t pattern[256]; /* the code as read: first bit in bit 0 */
  uint32_t first[17];    /* per length: first live code, highest bit first */
  uint32_t live[17];     /* per length: number of live codes */
  uint32_t offset[17];   /* per length: table position of the first */
  /* Per next QV_FAST_BITS bits: bits 0-5 the bits consumed, bits 6-7 the
     number of bytes decoded (0: these bits decide no code), bits 8-31 the
     bytes, the first in bits 8-15. */
  uint32_t fast[QV_FAST_SIZE];
} qv_table;

static uint32_t qv_reverse16(uint32_t v)
{
  v = ((v >> 1) & 0x5555u) | ((v & 0x5555u) << 1);
  v = ((v >> 2) & 0x3333u) | ((v & 0x3333u) << 2);
  v = ((v >> 4) & 0x0F0Fu) | ((v & 0x0F0Fu) << 4);
  return ((v >> 8) & 0x00FFu) | ((v & 0x00FFu) << 8);
}

/* Eight bytes as a little-endian number, without an unaligned load. */
static uint64_t qv_load64(const uint8_t *p)
{
  return (uint64_t)p[0] | (uint64_t)p[1] << 8 | (uint64_t)p[2] << 16 |
         (uint64_t)p[3] << 24 | (uint64_t)p[4] << 32 | (uint64_t)p[5] << 40 |
         (uint64_t)p[6] << 48 | (uint64_t)p[7] << 56;
}

/* W (0..31) bits at stream bit *bit, which then moves past them. */
static uint32_t qv_field(const uint8_t *in, uint64_t *bit, unsigned w)
{
  uint32_t v = 0;
  unsigned i;
  for (i = 0; i < w; ++i, ++*bit)
    v |= (uint32_t)((in[*bit >> 3] >> (*bit & 7u)) & 1u) << i;
  return v;
}

/* The table of a coded form whose size has been checked. */
static void qv_build(qv_table *t, const uint8_t *in, unsigned n, unsigned w)
{
  uint32_t count[17];
  uint64_t bit = ((uint64_t)n + 6u) * 8u;
  uint64_t start = 0; /* exact; the format's start values are it mod 2^32 */
  unsigned l, k = 0;
  int p;

  memcpy(t->data, in + 6, n);
  memset(t->length, 0, sizeof t->length);
  memset(t->pattern, 0, sizeof t->pattern);
  for (l = 1; l <= 16; ++l)
    count[l] = qv_field(in, &bit, w);
  for (l = 1; l <= 16; ++l) {
    const uint64_t weight = (uint64_t)1 << (16u - l);
    const uint32_t assign = count[l] < n - k ? count[l] : n - k;
    uint32_t m;
    t->first[l] = 0;
    t->live[l] = 0;
    t->offset[l] = k;
    if (start < 0x10000u) {
      const uint64_t room = (0x10000u - start) / weight;
      t->first[l] = (uint32_t)(start >> (16u - l));
      t->live[l] = room < assign ? (uint32_t)room : assign;
    }
    for (m = 0; m < assign; ++m, ++k) {
      const uint32_t code = (uint32_t)(start + (uint64_t)m * weight);
      if (code < 0x10000u) {
        t->length[k] = (uint8_t)l;
        t->pattern[k] = (uint16_t)qv_reverse16(code);
      }
    }
    start += (uint64_t)count[l] * weight;
  }
  /* A live code of at most QV_FAST_BITS bits owns every fast entry that
     begins with it. */
  memset(t->fast, 0, sizeof t->fast);
  for (k = 0; k < n; ++k) {
    const unsigned len = t->length[k];
    uint32_t h;
    if (len == 0 || len > QV_FAST_BITS)
      continue;
    for (h = 0; h < (QV_FAST_SIZE >> len); ++h)
      t->fast[t->pattern[k] | h << len] = len | 1u << 6 | (uint32_t)t->data[k] << 8;
  }
  /* Up to three codes an entry.  Entry p >> used is below p (or p itself
     when p is 0, read before it is written), so downward it still holds one
     code. */
  for (p = (int)QV_FAST_SIZE - 1; p >= 0; --p) {
    uint32_t e = t->fast[p];
    unsigned used = e & 63u, decoded = 1;
    if (e == 0)
      continue;
    while (decoded < 3) {
      const uint32_t f = t->fast[(unsigned)p >> used];
      if (f == 0 || (f & 63u) > QV_FAST_BITS - used)
        break;
      e |= ((f >> 8) & 0xFFu) << (8 + 8 * decoded);
      used += f & 63u;
      ++decoded;
    }
    t->fast[p] = (e & ~0xFFu) | used | decoded << 6;
  }
}

/* The entry the 16 bits v (next bit in bit 0) decode to: its data value,
   and its length in *len; -1 when none matches. */
static int qv_match(const qv_table *t, uint32_t v, unsigned *len)
{
  const uint32_t r = qv_reverse16(v);
  unsigned l;
  for (l = 1; l <= 16; ++l) {
    const uint32_t c = (r >> (16u - l)) - t->first[l];
    if (c < t->live[l]) {
      *len = l;
      return t->data[t->offset[l] + c];
    }
  }
  return -1;
}

/* The 16 payload bits from bit pos on; those at total and beyond read as 0. */
static uint32_t qv_peek16(const uint8_t *p, uint64_t bytes, uint64_t pos, uint64_t total)
{
  const uint64_t at = pos >> 3;
  uint32_t v = 0;
  unsigned i;
  for (i = 0; i < 3; ++i)
    if (at + i < bytes)
      v |= (uint32_t)p[at + i] << (8 * i);
  v = (v >> (pos & 7u)) & 0xFFFFu;
  if (total - pos < 16)
    v &= (1u << (total - pos)) - 1u;
  return v;
}

/* Decodes the payload p[0..bytes) of total bits; *done: bytes written. */
static int qv_payload(const qv_table *t, const uint8_t *p, uint64_t bytes, uint64_t total,
                      uint8_t *out, size_t capacity, size_t *done)
{
  uint64_t pos = 0;
  size_t o = 0;
  unsigned len;
  int d;

  if (capacity >= QV_ROUND_ROOM) {
    /* Bit buffer: buf holds the payload bits from pos on, at least cnt of
       them valid (pos == next * 8 - cnt).  A refill ORs in the 8 bytes at
       next above cnt: bits already there are the same bits.  After it cnt
       is 56..63, enough for four fast look-ups or three and one of 16
       bits, all below total. */
    const uint32_t *fast = t->fast;
    const size_t limit = capacity - QV_ROUND_ROOM;
    uint64_t next = 0, buf = 0;
    unsigned cnt = 0, round;
    while (o <= limit && next * 8u - cnt + 56u < total && next + 8u <= bytes) {
      buf |= qv_load64(p + next) << cnt;
      next += (63u - cnt) >> 3;
      cnt |= 56u;
      for (round = 0; round < 4; ++round) {
        const uint32_t e = fast[buf & (QV_FAST_SIZE - 1u)];
        if ((e & 0xC0u) == 0)
          break;
        out[o] = (uint8_t)(e >> 8);
        out[o + 1] = (uint8_t)(e >> 16);
        out[o + 2] = (uint8_t)(e >> 24);
        o += (e >> 6) & 3u;
        buf >>= e & 63u;
        cnt -= e & 63u;
      }
      if (round == 4)
        continue;
      /* A code longer than the fast bits, or none. */
      d = qv_match(t, (uint32_t)(buf & 0xFFFFu), &len);
      if (d < 0) {
        *done = o;
        return QV_CANNOT_DECODE;
      }
      out[o++] = (uint8_t)d;
      buf >>= len;
      cnt -= len;
    }
    pos = next * 8u - cnt;
  }
  /* The rest one code at a time, with every check. */
  while (pos < total) {
    d = qv_match(t, qv_peek16(p, bytes, pos, total), &len);
    if (d < 0) {
      *done = o;
      return QV_CANNOT_DECODE;
    }
    if (o == capacity) {
      *done = o;
      return QV_OUTPUT_TOO_SMALL;
    }
    out[o++] = (uint8_t)d;
    pos += len;
  }
  *done = o;
  return 0;
}

int qv_decode(const uint8_t *in, size_t in_size, uint8_t *out, size_t out_capacity,
              size_t *out_size)
{
  const uint64_t size = in_size;
  uint32_t word;
  size_t done = 0;
  int result;

  if (out_size != NULL)
    *out_size = 0;
  if (in_size < 4)
    return QV_NOT_HUFFMAN_DATA;
  word = (uint32_t)in[0] | (uint32_t)in[1] << 8 | (uint32_t)in[2] << 16 |
         (uint32_t)in[3] << 24;
  if ((word & 3u) == 0) {
    const uint64_t stored = word >> 2;
    if (size != stored + 4u)
      return QV_NOT_HUFFMAN_DATA;
    result = 0;
    done = (size_t)stored;
    if (stored > out_capacity) {
      result = QV_OUTPUT_TOO_SMALL;
      done = out_capacity;
    }
    if (done > 0)
      memcpy(out, in + 4, done);
  } else {
    /* A coded form needs at least 7 bytes; shorter ones fail the size test
       whatever their missing fields would hold. */
    const uint64_t bytes = word >> 2;
    unsigned tail, w, n;
    qv_table t;
    if (in_size < 6)
      return QV_NOT_HUFFMAN_DATA;
    tail = in[4] & 7u;
    w = in[4] >> 3;
    n = in[5] != 0 ? in[5] : 256u;
    if (size != n + 6u + 2u * w + bytes + (tail != 0))
      return QV_NOT_HUFFMAN_DATA;
    qv_build(&t, in, n, w);
    result = qv_payload(&t, in + 6 + n + 2 * w, bytes + (tail != 0), bytes * 8u + tail, out,
                        out_capacity, &done);
  }
  if (out_size != NULL)
    *out_size = done;
  return result;
}
)QV";

}  // namespace

std::string DecoderSource(const std::string& Version) {
  // The version sits in a comment: it keeps to one line and cannot end it.
  std::string Safe;
  for (size_t I = 0; I < Version.size(); ++I) {
    const char C = Version[I];
    Safe += static_cast<unsigned char>(C) < 0x20 ? ' ' : C;
    if (C == '*' && I + 1 < Version.size() && Version[I + 1] == '/') Safe += ' ';
  }
  const std::string Text = SDecoder;
  const size_t At = Text.find(SVersionMark);
  return Text.substr(0, At) + Safe + Text.substr(At + std::string(SVersionMark).size());
}

// ---------------------------------------------------------------------------
// The raw-stream decoder of one fixed code.  Its tables are built here, so
// the C only looks up: a first table on the next 12 bits (up to three byte
// symbols a look-up, as the coded form's decoder does), a second one for the
// rest of codes longer than 12 bits, and the codes themselves for telling a
// truncated stream from a damaged one at its end.

namespace {

constexpr int32_t SFastBits = 12;

// The parts that differ between the bit orders.  Index form: the next bits
// as the tables are indexed, lsb0 with the first bit in bit 0, msb0 with the
// first bit highest.
constexpr const char* SRawHead = R"QV(/*
 * @NAME@_decode.c: a decoder of raw bit streams under one fixed code.
 * Written by quorvant-cli @VERSION@ (quorvant-cli decoder --code).
@HEADLINES@ *
 * Plain C99 needing only <stddef.h> and <stdint.h>: it allocates nothing,
 * keeps nothing between calls and has no globals that change.
 *
 *   int @NAME@_decode(const uint8_t *in, size_t in_bits,
 *   @PAD@@OUT@ *out, size_t count, size_t *used_bits);
 *
 * Decodes exactly count symbols from the first in_bits bits of in (in holds
 * ceil(in_bits / 8) bytes; bits after in_bits are ignored and nothing
 * beyond those bytes is read).  Returns 0 and sets *used_bits to the bits
 * the symbols took, or
 *   @UNAME@_CANNOT_DECODE (-2) where the next bits match no code;
 *   @UNAME@_TRUNCATED (-4) where the input ends before count symbols,
 *     inside a code or at a code's end;
 * after an error *used_bits is where the failing code began and out holds
 * the symbols before it (entries after them may have been written over).
 * used_bits may be NULL.
 *
 * Bit order @ORDER@: @ORDERTEXT@;
 * codes are sent first bit first.
 * The code: @CODETEXT@.
 */
#include <stddef.h>
#include <stdint.h>

#define @UNAME@_CANNOT_DECODE (-2)
#define @UNAME@_TRUNCATED (-4)

int @NAME@_decode(const uint8_t *in, size_t in_bits, @OUT@ *out, size_t count,
@PAD@size_t *used_bits);

/* Per the next 12 bits (@INDEXTEXT@): 0 when no code begins
   with them; else bits 0-5 the bits consumed, bits 6-7 the number of
   symbols decoded (1..@MULTI@), bits 8-31 the symbols (@SYMBOLTEXT@); or,
   bits 6-7 being 0, a link: bits 0-5 the number k of further bits that
   decide, bits 8-31 where their 2^k entries begin in @NAME@_long, whose
   entries are 0 or one symbol with the whole code's length in bits 0-5. */
static const uint32_t @NAME@_fast[4096] = {
@FAST@};

static const uint32_t @NAME@_long[@LONGSIZE@] = {
@LONG@};

/* The codes as sent (first bit highest) and their lengths, for the end of
   the input. */
static const uint16_t @NAME@_code[@COUNT@] = {
@CODES@};

static const uint8_t @NAME@_length[@COUNT@] = {
@LENGTHS@};
)QV";

constexpr const char* SRawByteLength = R"QV(
/* Per datum: its code's length (0: none). */
static const uint8_t @NAME@_datum_length[256] = {
@DATUMLENGTHS@};
)QV";

constexpr const char* SRawLsb0 = R"QV(
/* The 16 bits from bit pos on in index form; those at in_bits and beyond
   read as 0. */
static uint32_t @NAME@_peek(const uint8_t *in, size_t in_bits, size_t pos)
{
  const size_t at = pos >> 3, bytes = in_bits / 8u + (in_bits % 8u != 0);
  uint32_t v = 0;
  unsigned i;
  for (i = 0; i < 3; ++i)
    if (at + i < bytes)
      v |= (uint32_t)in[at + i] << (8 * i);
  v = (v >> (pos & 7u)) & 0xFFFFu;
  if (in_bits - pos < 16)
    v &= (1u << (in_bits - pos)) - 1u;
  return v;
}

/* Window w's first n bits (n <= 16) as sent, first bit highest. */
static uint32_t @NAME@_sent(uint32_t w, unsigned n)
{
  uint32_t v = 0;
  unsigned i;
  for (i = 0; i < n; ++i)
    v = v << 1 | ((w >> i) & 1u);
  return v;
}

#define @UNAME@_FIRST(w) ((w) & 0xFFFu)
#define @UNAME@_REST(w, k) (((w) >> 12) & ((1u << (k)) - 1u))

/* Eight bytes as a number, the first lowest, without an unaligned load. */
static uint64_t @NAME@_load(const uint8_t *p)
{
  return (uint64_t)p[0] | (uint64_t)p[1] << 8 | (uint64_t)p[2] << 16 |
         (uint64_t)p[3] << 24 | (uint64_t)p[4] << 32 | (uint64_t)p[5] << 40 |
         (uint64_t)p[6] << 48 | (uint64_t)p[7] << 56;
}

/* buf holds the bits from the current one on, the first in bit 0. */
#define @UNAME@_FILL(buf, p, cnt) ((buf) |= @NAME@_load(p) << (cnt))
#define @UNAME@_BUF_FIRST(buf) ((uint32_t)(buf) & 0xFFFu)
#define @UNAME@_BUF_REST(buf, k) ((uint32_t)((buf) >> 12) & ((1u << (k)) - 1u))
#define @UNAME@_DROP(buf, n) ((buf) >>= (n))
)QV";

constexpr const char* SRawMsb0 = R"QV(
/* The 16 bits from bit pos on in index form; those at in_bits and beyond
   read as 0. */
static uint32_t @NAME@_peek(const uint8_t *in, size_t in_bits, size_t pos)
{
  const size_t at = pos >> 3, bytes = in_bits / 8u + (in_bits % 8u != 0);
  uint32_t v = 0;
  unsigned i;
  for (i = 0; i < 3; ++i)
    if (at + i < bytes)
      v |= (uint32_t)in[at + i] << (16 - 8 * i);
  v = (v >> (8u - (pos & 7u))) & 0xFFFFu;
  if (in_bits - pos < 16)
    v &= ~((1u << (16u - (in_bits - pos))) - 1u) & 0xFFFFu;
  return v;
}

/* Window w's first n bits (n <= 16) as sent, first bit highest. */
static uint32_t @NAME@_sent(uint32_t w, unsigned n)
{
  return n == 0 ? 0 : w >> (16u - n);
}

#define @UNAME@_FIRST(w) ((w) >> 4)
#define @UNAME@_REST(w, k) (((w) >> (4u - (k))) & ((1u << (k)) - 1u))

/* Eight bytes as a number, the first highest, without an unaligned load. */
static uint64_t @NAME@_load(const uint8_t *p)
{
  return (uint64_t)p[0] << 56 | (uint64_t)p[1] << 48 | (uint64_t)p[2] << 40 |
         (uint64_t)p[3] << 32 | (uint64_t)p[4] << 24 | (uint64_t)p[5] << 16 |
         (uint64_t)p[6] << 8 | (uint64_t)p[7];
}

/* buf holds the bits from the current one on, the first in bit 63. */
#define @UNAME@_FILL(buf, p, cnt) ((buf) |= @NAME@_load(p) >> (cnt))
#define @UNAME@_BUF_FIRST(buf) ((uint32_t)((buf) >> 52))
#define @UNAME@_BUF_REST(buf, k) ((uint32_t)((buf) >> (52u - (k))) & ((1u << (k)) - 1u))
#define @UNAME@_DROP(buf, n) ((buf) <<= (n))
)QV";

constexpr const char* SRawBody = R"QV(
/* The symbol the 16-bit window w (index form) begins with, and its length
   in *len; -1 when no code matches w (with its missing bits as 0). */
static long @NAME@_match(uint32_t w, unsigned *len)
{
  uint32_t e = @NAME@_fast[@UNAME@_FIRST(w)];
  if (e != 0 && (e & 0xC0u) == 0)
    e = @NAME@_long[(e >> 8) + @UNAME@_REST(w, e & 63u)];
  if (e == 0)
    return -1;
  *len = @FIRSTLENGTH@;
  return (long)((e >> 8) & @SYMBOLMASK@u);
}

/* The verdict at bit pos where w (the window there) decodes to nothing
   within the input: truncated when the rest of the input begins a code. */
static int @NAME@_failure(uint32_t w, size_t rest)
{
  uint32_t head;
  unsigned j;
  if (rest >= 16)
    return @UNAME@_CANNOT_DECODE;
  head = @NAME@_sent(w, (unsigned)rest);
  for (j = 0; j < @COUNT@u; ++j) {
    const unsigned l = @NAME@_length[j];
    if (l > rest && (uint32_t)@NAME@_code[j] >> (l - (unsigned)rest) == head)
      return @UNAME@_TRUNCATED;
  }
  return @UNAME@_CANNOT_DECODE;
}

int @NAME@_decode(const uint8_t *in, size_t in_bits, @OUT@ *out, size_t count,
@PAD@size_t *used_bits)
{
  size_t pos = 0, o = 0;
  int result = 0;

  /* Bit buffer: buf holds the input bits from pos on, at least cnt of them
     valid (pos == next * 8 - cnt); the others are 0 or the same bits, so a
     refill ORs the 8 bytes at next in after cnt.  After it cnt is 56..63:
     four look-ups of at most 12 bits, or three and one of 16 (the round
     then ends); at most 12 symbols are written.  Every bit looked at lies
     below (next + 8) * 8 for the next of the refill, so within the whole
     bytes of the input. */
  if (count >= 12 && in_bits >= 64) {
    const size_t last = in_bits / 8u - 8u, limit = count - 12u;
    uint64_t buf = 0;
    size_t next = 0;
    unsigned cnt = 0;
    uint32_t e;
    while (o <= limit && next <= last) {
      @UNAME@_FILL(buf, in + next, cnt);
      next += (63u - cnt) >> 3;
      cnt |= 56u;
@ROUNDS@@LONGER@    }
    pos = next * 8 - cnt;
  }
  /* The rest one code at a time, with every check. */
  while (o < count) {
    const uint32_t w = @NAME@_peek(in, in_bits, pos);
    unsigned len = 0;
    const long d = pos < in_bits ? @NAME@_match(w, &len) : -1;
    if (d < 0 || len > in_bits - pos) {
      result = pos == in_bits || d >= 0 ? @UNAME@_TRUNCATED : @NAME@_failure(w, in_bits - pos);
      goto done;
    }
    out[o++] = (@OUT@)d;
    pos += len;
  }
done:
  if (used_bits != NULL)
    *used_bits = pos;
  return result;
}
)QV";

constexpr const char* SRawStoreBytes =
    "      out[o] = (uint8_t)(e >> 8);\n"
    "      out[o + 1] = (uint8_t)(e >> 16);\n"
    "      out[o + 2] = (uint8_t)(e >> 24);\n"
    "      o += (e >> 6) & 3u;";
constexpr const char* SRawStoreWide = "      out[o++] = (uint16_t)(e >> 8);";
// One look-up of the fast loop, written out four times.  A complete code
// of at most 12 bits has no entry to check.
constexpr const char* SRawRound =
    "      e = @NAME@_fast[@UNAME@_BUF_FIRST(buf)];\n"
    "@CHECK@"
    "@STORE@\n"
    "      @UNAME@_DROP(buf, e & 63u);\n"
    "      cnt -= e & 63u;\n";
constexpr const char* SRawCheck =
    "      if ((e & 0xC0u) == 0)\n"
    "        goto longer;\n";
constexpr const char* SRawLonger = R"QV(      continue;
    longer:
      /* A longer code, or none: every bit looked at is input. */
      if (e != 0)
        e = @NAME@_long[(e >> 8) + @UNAME@_BUF_REST(buf, e & 63u)];
      if (e == 0) {
        pos = next * 8 - cnt;
        result = @UNAME@_CANNOT_DECODE;
        goto done;
      }
@STORE@
      @UNAME@_DROP(buf, e & 63u);
      cnt -= e & 63u;
)QV";

void ReplaceAll(std::string& Text, const std::string& Mark, const std::string& By) {
  for (size_t At = Text.find(Mark); At != std::string::npos; At = Text.find(Mark, At + By.size()))
    Text.replace(At, Mark.size(), By);
}

// Values as C initialisers, 8 a line (hexadecimal) or 16 (decimal).
std::string Initialisers(const std::vector<uint32_t>& Values, bool Hex) {
  std::string Text;
  const size_t PerLine = Hex ? 8 : 16;
  char Buffer[16];
  for (size_t K = 0; K < Values.size(); ++K) {
    if (K % PerLine == 0) Text += "  ";
    if (Hex)
      std::snprintf(Buffer, sizeof Buffer, "0x%08Xu", Values[K]);
    else
      std::snprintf(Buffer, sizeof Buffer, "%u", Values[K]);
    Text += Buffer;
    Text += K + 1 == Values.size() ? "\n" : (K + 1) % PerLine == 0 ? ",\n" : ", ";
  }
  return Text;
}

// The code's sent form (first bit highest) from the stored pattern.
uint32_t SentCode(int32_t Pattern, int32_t Length) {
  uint32_t Code = 0;
  for (int32_t K = 0; K < Length; ++K)
    Code = Code << 1 | ((static_cast<uint32_t>(Pattern) >> K) & 1u);
  return Code;
}

// The C tables of the raw decoder.
struct TRawTables {
  std::vector<uint32_t> Fast = std::vector<uint32_t>(size_t{1} << SFastBits, 0);
  std::vector<uint32_t> Long;
};

TRawTables RawTables(const TCodeTables& T, TBitOrder Order, bool Wide) {
  TRawTables R;
  const bool Lsb0 = Order == TBitOrder::Lsb0;
  const uint32_t Fast = uint32_t{1} << SFastBits;
  // Index form of the first Bits bits of a code (Bits <= its length), and
  // of its bits from Skip on (Skip < its length).
  const auto Head = [&](size_t J, int32_t Bits) {
    const uint32_t Sent = SentCode(T.Pattern[J], T.Length[J]) >> (T.Length[J] - Bits);
    return Lsb0 ? SentCode(static_cast<int32_t>(Sent), Bits) : Sent;
  };
  const auto Tail = [&](size_t J, int32_t Skip) {
    const int32_t Bits = T.Length[J] - Skip;
    const uint32_t Sent = SentCode(T.Pattern[J], T.Length[J]) & ((1u << Bits) - 1u);
    return Lsb0 ? SentCode(static_cast<int32_t>(Sent), Bits) : Sent;
  };
  // Every index whose Width bits begin with Code (Bits bits, index form).
  const auto Spread = [&](uint32_t Code, int32_t Bits, int32_t Width, auto&& Set) {
    for (uint32_t H = 0; H < (1u << (Width - Bits)); ++H)
      Set(Lsb0 ? Code | H << Bits : Code << (Width - Bits) | H);
  };
  const auto One = [&](size_t J, int32_t Length) {
    return static_cast<uint32_t>(Length) | 1u << 6 | static_cast<uint32_t>(T.Symbol[J]) << 8;
  };
  // Codes longer than the first table: per 12-bit head, the most further bits.
  std::vector<int32_t> Further(Fast, 0);
  for (size_t J = 0; J < T.Symbol.size(); ++J) {
    if (T.Length[J] <= SFastBits)
      Spread(Head(J, T.Length[J]), T.Length[J], SFastBits,
             [&](uint32_t P) { R.Fast[P] = One(J, T.Length[J]); });
    else
      Further[Head(J, SFastBits)] = std::max(Further[Head(J, SFastBits)], T.Length[J] - SFastBits);
  }
  for (uint32_t P = 0; P < Fast; ++P)
    if (Further[P] > 0) {
      R.Fast[P] = static_cast<uint32_t>(Further[P]) | static_cast<uint32_t>(R.Long.size()) << 8;
      R.Long.resize(R.Long.size() + (size_t{1} << Further[P]), 0);
    }
  for (size_t J = 0; J < T.Symbol.size(); ++J)
    if (T.Length[J] > SFastBits) {
      const uint32_t Link = R.Fast[Head(J, SFastBits)];
      Spread(Tail(J, SFastBits), T.Length[J] - SFastBits, static_cast<int32_t>(Link & 63u),
             [&](uint32_t P) { R.Long[(Link >> 8) + P] = One(J, T.Length[J]); });
    }
  if (R.Long.empty()) R.Long.push_back(0);  // C has no empty arrays
  if (Wide) return R;
  // Bytes: up to three codes an entry, each wholly within the 12 bits.
  const std::vector<uint32_t> Single = R.Fast;
  for (uint32_t P = 0; P < Fast; ++P) {
    uint32_t E = Single[P];
    if ((E & 0xC0u) == 0) continue;
    uint32_t Used = E & 63u, Decoded = 1;
    while (Decoded < 3) {
      const uint32_t Rest = Lsb0 ? P >> Used : (P << Used) & (Fast - 1);
      const uint32_t F = Single[Rest];
      if ((F & 0xC0u) == 0 || (F & 63u) > SFastBits - Used) break;
      E |= ((F >> 8) & 0xFFu) << (8 + 8 * Decoded);
      Used += F & 63u;
      ++Decoded;
    }
    R.Fast[P] = (E & ~0xFFu) | Used | Decoded << 6;
  }
  return R;
}

}  // namespace

std::string RawDecoderSource(const TCodeTables& T, const std::string& Name, TBitOrder Order,
                             const std::vector<std::string>& HeadLines,
                             const std::string& Version) {
  if (!IsCIdentifier(Name)) throw Exception("'" + Name + "' is not a C identifier");
  const bool Wide = std::any_of(T.Symbol.begin(), T.Symbol.end(),
                                [](auto D) { return static_cast<int32_t>(D) > 255; });
  const bool Lsb0 = Order == TBitOrder::Lsb0;
  const TRawTables R = RawTables(T, Order, Wide);

  std::string Upper = Name;
  for (char& C : Upper) C = static_cast<char>(std::toupper(static_cast<unsigned char>(C)));
  std::vector<uint32_t> Codes, Lengths, DatumLengths(256, 0);
  int64_t Kraft = 0;  // in 2^-16 units
  int32_t Shortest = 16;
  for (size_t J = 0; J < T.Symbol.size(); ++J) {
    Codes.push_back(SentCode(T.Pattern[J], T.Length[J]));
    Lengths.push_back(static_cast<uint32_t>(T.Length[J]));
    if (!Wide) DatumLengths[T.Symbol[J]] = static_cast<uint32_t>(T.Length[J]);
    Kraft += int64_t{1} << (16 - T.Length[J]);
    Shortest = std::min(Shortest, T.Length[J]);
  }
  std::string Lines;
  for (const std::string& Line : HeadLines) Lines += " * " + CommentSafe(Line) + "\n";
  const std::string CodeText =
      std::to_string(T.Symbol.size()) + " symbol" + (T.Symbol.size() == 1 ? "" : "s") +
      ", codes of " + std::to_string(Shortest) + ".." + std::to_string(T.LargestLength) +
      " bits,\n * " + (Kraft == 65536 ? "complete" : "incomplete (Kraft sum below 1)") +
      "; each symbol is one datum" + (Wide ? " (some above 255: uint16_t)" : ", a byte");

  std::string Text = std::string(SRawHead) + (Wide ? "" : SRawByteLength) +
                     (Lsb0 ? SRawLsb0 : SRawMsb0) + SRawBody;
  ReplaceAll(Text, "@HEADLINES@", Lines);
  const bool Checked = Kraft != 65536 || T.LargestLength > SFastBits;
  ReplaceAll(Text, "@ROUNDS@", std::string(SRawRound) + SRawRound + SRawRound + SRawRound);
  ReplaceAll(Text, "@CHECK@", Checked ? SRawCheck : "");
  ReplaceAll(Text, "@LONGER@", Checked ? SRawLonger : "");
  ReplaceAll(Text, "@STORE@", Wide ? SRawStoreWide : SRawStoreBytes);
  ReplaceAll(Text, "@FIRSTLENGTH@", Wide ? "e & 63u" : "@NAME@_datum_length[(e >> 8) & 0xFFu]");
  ReplaceAll(Text, "@SYMBOLMASK@", Wide ? "0x3FFF" : "0xFF");
  ReplaceAll(Text, "@ORDER@", Lsb0 ? "lsb0" : "msb0");
  ReplaceAll(Text, "@ORDERTEXT@",
             Lsb0 ? "each byte of in is filled from bit 0 upward"
                  : "each byte of in is filled from bit 7 downward");
  ReplaceAll(Text, "@INDEXTEXT@", Lsb0 ? "the first in bit 0" : "the first in bit 11");
  ReplaceAll(Text, "@MULTI@", Wide ? "1" : "3");
  ReplaceAll(Text, "@SYMBOLTEXT@", Wide ? "bits 8-21" : "the first in bits 8-15");
  ReplaceAll(Text, "@CODETEXT@", CodeText);
  ReplaceAll(Text, "@FAST@", Initialisers(R.Fast, true));
  ReplaceAll(Text, "@LONGSIZE@", std::to_string(R.Long.size()));
  ReplaceAll(Text, "@LONG@", Initialisers(R.Long, true));
  ReplaceAll(Text, "@COUNT@", std::to_string(T.Symbol.size()));
  ReplaceAll(Text, "@CODES@", Initialisers(Codes, false));
  ReplaceAll(Text, "@LENGTHS@", Initialisers(Lengths, false));
  ReplaceAll(Text, "@DATUMLENGTHS@", Initialisers(DatumLengths, false));
  ReplaceAll(Text, "@OUT@", Wide ? "uint16_t" : "uint8_t");
  ReplaceAll(Text, "@PAD@", std::string(Name.size() + 12, ' '));
  ReplaceAll(Text, "@UNAME@", Upper);
  ReplaceAll(Text, "@NAME@", Name);
  ReplaceAll(Text, "@VERSION@", CommentSafe(Version));
  return Text;
}
