// TBitStream: bit runs of 1..32 bits through a 5-byte scratch window.
//
// A run of at most 32 bits that starts at BitPosition 0..7 spans at most 5
// bytes, so every operation below works on one 40-bit window: the span bytes
// as a number (little-endian for LsbFirst, big-endian otherwise), a field
// mask, and one merge.  Nothing is read or written outside the span.
#include "Compress.h"

#include <cstring>

namespace {

constexpr const char* SBitPositionError = "BitPosition %d is not within the range of %d..%d .";

// Span bytes as a 40-bit number; Bytes <= 5, missing bytes are 0.
uint64_t LoadWindow(const uint8_t* Bytes, int32_t Count, bool Lsb) {
  uint64_t Window = 0;
  for (int32_t I = 0; I < Count; ++I) {
    const int Shift = Lsb ? 8 * I : 8 * (4 - I);
    Window |= static_cast<uint64_t>(Bytes[I]) << Shift;
  }
  return Window;
}

void StoreWindow(uint64_t Window, uint8_t* Bytes, int32_t Count, bool Lsb) {
  for (int32_t I = 0; I < Count; ++I) {
    const int Shift = Lsb ? 8 * I : 8 * (4 - I);
    Bytes[I] = static_cast<uint8_t>(Window >> Shift);
  }
}

// Mask of the Count field bits at BitPosition inside the 40-bit window.
uint64_t FieldMask(int32_t BitPosition, int32_t Count, bool Lsb) {
  const uint64_t Ones = (uint64_t{1} << Count) - 1;
  return Lsb ? Ones << BitPosition : Ones << (40 - BitPosition - Count);
}

}  // namespace

TBitStream::TBitStream() = default;

int32_t TBitStream::Read(void* Buffer, int32_t Count) {
  const int32_t Result = TMemoryStream::Read(Buffer, Count);
  FBitPosition = 0;
  return Result;
}

int32_t TBitStream::Write(const void* Buffer, int32_t Count) {
  const int32_t Result = TMemoryStream::Write(Buffer, Count);
  FBitPosition = 0;
  return Result;
}

void TBitStream::SetBitPosition(int32_t Value) {
  if (static_cast<uint32_t>(Value) > 7) throw ERangeError(Format(SBitPositionError, Value, 0, 7));
  FBitPosition = Value;
}

int32_t TBitStream::ReadBits(void* Buffer, int32_t Count) {
  if (Position() < 0 || FBitPosition < 0 || FBitPosition > 7 || Count < 1 || Count > 32) return 0;
  const int64_t Available = (Size() - Position()) * 8 - FBitPosition;
  if (Available <= 0) return 0;
  const int32_t N = Available < Count ? static_cast<int32_t>(Available) : Count;
  const int32_t Span = (FBitPosition + N + 7) / 8;
  const uint64_t Window =
      LoadWindow(static_cast<const uint8_t*>(Memory()) + Position(), Span, FLsbFirst);
  const uint64_t Field = Window & FieldMask(FBitPosition, N, FLsbFirst);
  // The field moved to the start of the buffer: bit 0 for LsbFirst, bit 39
  // (bit 7 of the first byte) otherwise.
  const uint64_t Bits = FLsbFirst ? Field >> FBitPosition : Field << FBitPosition;
  uint8_t Out[5];
  const int32_t OutBytes = (N + 7) / 8;
  StoreWindow(Bits, Out, OutBytes, FLsbFirst);
  std::memcpy(Buffer, Out, static_cast<size_t>(OutBytes));
  SetPosition(Position() + (FBitPosition + N) / 8);
  FBitPosition = (FBitPosition + N) % 8;
  return N;
}

int32_t TBitStream::WriteBits(const void* Buffer, int32_t Count) {
  if (Position() < 0 || FBitPosition < 0 || FBitPosition > 7 || Count < 1 || Count > 32) return 0;
  const int32_t Span = (FBitPosition + Count + 7) / 8;
  const int64_t Start = Position();
  const int64_t OldSize = Size();
  if (OldSize < Start + Span) {
    SetSize(Start + Span);
    SetPosition(Start);
  }
  uint8_t* Bytes = static_cast<uint8_t*>(Memory()) + Start;
  // Bytes beyond the old end (and any gap before Start) count as 0.
  if (OldSize < Start + Span)
    std::memset(static_cast<uint8_t*>(Memory()) + OldSize, 0,
                static_cast<size_t>(Start + Span - OldSize));
  uint8_t Source[5] = {};
  std::memcpy(Source, Buffer, static_cast<size_t>((Count + 7) / 8));
  const uint64_t SourceBits = LoadWindow(Source, (Count + 7) / 8, FLsbFirst);
  const uint64_t Placed = FLsbFirst ? SourceBits << FBitPosition : SourceBits >> FBitPosition;
  const uint64_t Mask = FieldMask(FBitPosition, Count, FLsbFirst);
  const uint64_t Old = LoadWindow(Bytes, Span, FLsbFirst);
  StoreWindow((Old & ~Mask) | (Placed & Mask), Bytes, Span, FLsbFirst);
  SetPosition(Start + (FBitPosition + Count) / 8);
  FBitPosition = (FBitPosition + Count) % 8;
  return Count;
}
