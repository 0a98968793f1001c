// Stand-in for the run-time library's Classes: the growable in-memory byte
// stream every engine stream derives from.  Standard C++ and POSIX only.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

// A regular file open for reading (the read side of the run-time's file
// stream).  Opens without blocking and then checks the descriptor itself, so
// a name swapped for a FIFO or a device after a caller looked at it never
// waits for a writer.  Anything but a regular file, and a file that cannot be
// opened or read, raises EFOpenError "ファイル %s は開けません".
class TFileStream {
public:
  explicit TFileStream(const std::string& FileName);
  ~TFileStream();
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  // The size when opened (the file may change while it is read).
  int64_t Size() const { return FSize; }
  // The size now (the open file's, whatever its name leads to meanwhile);
  // raises EFOpenError when it cannot be asked.
  int64_t CurrentSize() const;
  // Reads up to Count (>= 0) bytes into Buffer and returns how many; 0 at
  // the end of the file.
  int64_t Read(void* Buffer, int64_t Count);

private:
  [[noreturn]] void Fail() const;
  std::string FFileName;
  int FHandle = -1;
  int64_t FSize = 0;
};

// A growable memory block with a size (valid bytes) and a position (byte
// offset of the next Read or Write).
//
// Invariants: 0 <= Size() <= Capacity(); the block is contiguous and Memory()
// stays valid until the next operation that changes the size or capacity.
// Position() may lie beyond Size(); a Write there grows the stream and clears
// the gap.  Capacity grows in whole steps of 8192 bytes and geometrically, so
// appending one byte at a time reallocates rarely.  Blocks of 256 KiB and more
// are mapped pages that grow and shrink in place or by remapping, never by
// copying: growing a large stream never holds two copies of it, and pages of
// the reserve that are never written cost no memory.
class TMemoryStream {
public:
  TMemoryStream();
  TMemoryStream(const TMemoryStream&) = delete;
  TMemoryStream& operator=(const TMemoryStream&) = delete;
  virtual ~TMemoryStream();

  // Bytes 0..Size()-1 are valid.  SetSize keeps the first min(old, new)
  // bytes, leaves new bytes undefined, and clamps Position() to the new size.
  // Out of memory raises std::bad_alloc; a negative size raises ERangeError.
  int64_t Size() const { return FSize; }
  // The size now (the open file's, whatever its name leads to meanwhile);
  // raises EFOpenError when it cannot be asked.
  int64_t CurrentSize() const;
  virtual void SetSize(int64_t NewSize);

  // Any non-negative offset; a negative one raises ERangeError.
  int64_t Position() const { return FPosition; }
  void SetPosition(int64_t NewPosition);

  // Copies up to Count bytes from Position() (fewer at the end, 0 for a
  // Count <= 0 or a position at or past the end), advances Position() by the
  // number copied and returns it.
  virtual int32_t Read(void* Buffer, int32_t Count);

  // Writes Count bytes at Position(), growing the stream when needed, advances
  // Position() and returns Count (0 for Count <= 0).
  virtual int32_t Write(const void* Buffer, int32_t Count);

  // Size 0, position 0, memory released.
  void Clear();

  // Replaces the contents with the whole regular file in one sized read;
  // position 0.  Never blocks on a FIFO or device: anything but a regular
  // file, and a file that cannot be opened or read, raises EFOpenError with
  // "ファイル %s は開けません"; the stream is then empty.
  void LoadFromFile(const std::string& FileName);

  // Replaces the contents with all of Source's bytes (whatever its position);
  // position 0.  Source's position is left at its end.
  void LoadFromStream(TMemoryStream& Source);

  // The block itself: Size() valid bytes (nullptr while nothing was ever
  // allocated).
  void* Memory() { return FMemory; }
  const void* Memory() const { return FMemory; }

  // Bytes the block can hold without reallocation.  SetCapacity reserves room
  // for at least max(NewCapacity, Size()) bytes (rounded up to 8192; a smaller
  // value shrinks the block); Size(), Position() and the valid bytes stay.
  // Bytes between Size() and Capacity() may be written through Memory()
  // before a SetSize that takes them in.
  int64_t Capacity() const { return FCapacity; }
  void SetCapacity(int64_t NewCapacity);

  // Declares that bytes 0..Bytes-1 of the block (Bytes <= Capacity()) are
  // about to be written, so a large block may back them with large pages
  // (far fewer page faults).  Only whole large pages inside that range are
  // affected, so the resident size never exceeds what gets written.  The
  // valid bytes of the stream are always treated so.
  void AdviseFill(int64_t Bytes) noexcept;

  // Exchanges the blocks, sizes and positions of the two streams in O(1).
  // Both must allocate through the same Realloc (neither overrides it).
  void SwapContents(TMemoryStream& Other) noexcept;

protected:
  // Makes room for at least NewCapacity bytes (rounded up to the 8192-byte
  // step) and returns the block; 0 releases it.
  virtual void* Realloc(int64_t& NewCapacity);

private:
  void GrowFor(int64_t Needed);

  uint8_t* FMemory = nullptr;
  int64_t FAdvised = 0;  // bytes of a mapped block already advised for large pages
  int64_t FSize = 0;
  int64_t FPosition = 0;
  int64_t FCapacity = 0;
};

// The run-time library's list quicksort, step for step: a Hoare partition
// around a pivot tracked by position (it follows its item through the swaps),
// recursion on the left part and iteration on the right.  Which of several
// equal items ends where is part of some callers' results, so these steps
// must not change.  Sorts A[L..R] (0 <= L, R within A); Before(X, Y) is true
// when X strictly precedes Y.
template <class TItem, class TBefore>
void QuickSort(TItem* A, int32_t L, int32_t R, TBefore Before) {
  int32_t I;
  do {
    I = L;
    int32_t J = R;
    int32_t P = (L + R) >> 1;
    do {
      while (Before(A[I], A[P])) ++I;
      while (Before(A[P], A[J])) --J;
      if (I <= J) {
        std::swap(A[I], A[J]);
        if (P == I)
          P = J;
        else if (P == J)
          P = I;
        ++I;
        --J;
      }
    } while (I <= J);
    if (L < J) QuickSort(A, L, J, Before);
    L = I;
  } while (I < R);
}
