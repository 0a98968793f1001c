#include "Classes.h"

#include "SysUtils.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace {

constexpr int64_t MemoryDelta = 8192;
// From this capacity on the block is an anonymous mapping of its own.
constexpr int64_t LargeBlock = 256 * 1024;
// Large pages of the memory manager (transparent huge pages on Linux).
constexpr uintptr_t LargePage = uintptr_t{2} << 20;

int64_t RoundUpToDelta(int64_t Value) { return (Value + MemoryDelta - 1) & ~(MemoryDelta - 1); }

void* MapPages(int64_t Bytes) {
  // Pages are committed when first written, so a generous reserve costs
  // nothing until it is used.  The block starts on a large-page boundary so
  // that every whole large page of it can be backed as one.
  const size_t Length = static_cast<size_t>(Bytes);
  void* Block = ::mmap(nullptr, Length + LargePage, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (Block == MAP_FAILED) throw std::bad_alloc();
  const uintptr_t Start = reinterpret_cast<uintptr_t>(Block);
  const uintptr_t Aligned = (Start + LargePage - 1) & ~(LargePage - 1);
  if (Aligned > Start) ::munmap(Block, Aligned - Start);
  const uintptr_t End = Start + Length + LargePage;
  if (End > Aligned + Length)
    ::munmap(reinterpret_cast<void*>(Aligned + Length), End - (Aligned + Length));
  return reinterpret_cast<void*>(Aligned);
}

}  // namespace

TMemoryStream::TMemoryStream() = default;

TMemoryStream::~TMemoryStream() {
  if (FCapacity >= LargeBlock)
    ::munmap(FMemory, static_cast<size_t>(FCapacity));
  else
    std::free(FMemory);
}

void* TMemoryStream::Realloc(int64_t& NewCapacity) {
  const bool OldLarge = FCapacity >= LargeBlock;
  FAdvised = 0;  // a new or moved block is advised afresh
  if (NewCapacity <= 0) {
    if (OldLarge)
      ::munmap(FMemory, static_cast<size_t>(FCapacity));
    else
      std::free(FMemory);
    NewCapacity = 0;
    return nullptr;
  }
  NewCapacity = RoundUpToDelta(NewCapacity);
  const bool NewLarge = NewCapacity >= LargeBlock;
  // Bytes beyond the size may already be written (see SetCapacity): keep them.
  const size_t Keep = static_cast<size_t>(std::min(FCapacity, NewCapacity));
  if (!OldLarge && !NewLarge) {
    void* Block = std::realloc(FMemory, static_cast<size_t>(NewCapacity));
    if (Block == nullptr) throw std::bad_alloc();
    return Block;
  }
  if (OldLarge && NewLarge) {
    // Large-page advice may have split the block into several mappings;
    // uniform advice joins them again, since remapping takes one mapping.
    ::madvise(FMemory, static_cast<size_t>(FCapacity), MADV_NOHUGEPAGE);
    // Page-table moves only: no copy, no second block.
    void* Block = ::mremap(FMemory, static_cast<size_t>(FCapacity),
                           static_cast<size_t>(NewCapacity), MREMAP_MAYMOVE);
    if (Block != MAP_FAILED) return Block;
    Block = MapPages(NewCapacity);
    std::memcpy(Block, FMemory, Keep);
    ::munmap(FMemory, static_cast<size_t>(FCapacity));
    return Block;
  }
  if (NewLarge) {  // small heap block -> mapping: copies less than LargeBlock
    void* Block = MapPages(NewCapacity);
    if (Keep > 0) std::memcpy(Block, FMemory, Keep);
    std::free(FMemory);
    return Block;
  }
  void* Block = std::malloc(static_cast<size_t>(NewCapacity));  // mapping -> small
  if (Block == nullptr) throw std::bad_alloc();
  if (Keep > 0) std::memcpy(Block, FMemory, Keep);
  ::munmap(FMemory, static_cast<size_t>(FCapacity));
  return Block;
}

void TMemoryStream::GrowFor(int64_t Needed) {
  if (Needed <= FCapacity) return;
  int64_t NewCapacity = Needed;
  // Geometric reserve for streams that grow by small appends; a single large
  // SetSize gets just what it asks for.
  const int64_t Geometric = FCapacity + FCapacity / 2;
  if (Needed < Geometric) NewCapacity = Geometric;
  FMemory = static_cast<uint8_t*>(Realloc(NewCapacity));
  FCapacity = NewCapacity;
}

void TMemoryStream::SetCapacity(int64_t NewCapacity) {
  if (NewCapacity < FSize) NewCapacity = FSize;
  if (RoundUpToDelta(NewCapacity) == FCapacity) return;
  FMemory = static_cast<uint8_t*>(Realloc(NewCapacity));
  FCapacity = NewCapacity;
}

void TMemoryStream::AdviseFill(int64_t Bytes) noexcept {
  if (FCapacity < LargeBlock || Bytes <= FAdvised) return;
  if (Bytes > FCapacity) Bytes = FCapacity;
  const uintptr_t Base = reinterpret_cast<uintptr_t>(FMemory);
  const uintptr_t From =
      (Base + static_cast<uintptr_t>(FAdvised) + LargePage - 1) & ~(LargePage - 1);
  const uintptr_t To = (Base + static_cast<uintptr_t>(Bytes)) & ~(LargePage - 1);
  if (To > From) {
    // Advice only: a kernel without large pages leaves the block as it is.
    ::madvise(reinterpret_cast<void*>(From), To - From, MADV_HUGEPAGE);
    FAdvised = static_cast<int64_t>(To - Base);
  }
}

void TMemoryStream::SwapContents(TMemoryStream& Other) noexcept {
  std::swap(FAdvised, Other.FAdvised);
  std::swap(FMemory, Other.FMemory);
  std::swap(FSize, Other.FSize);
  std::swap(FPosition, Other.FPosition);
  std::swap(FCapacity, Other.FCapacity);
}

void TMemoryStream::SetSize(int64_t NewSize) {
  if (NewSize < 0)
    throw ERangeError(Format("Size %lld is not within the range of 0..%lld",
                             static_cast<long long>(NewSize), static_cast<long long>(INT64_MAX)));
  GrowFor(NewSize);
  FSize = NewSize;
  if (FPosition > FSize) FPosition = FSize;
  AdviseFill(FSize);
}

void TMemoryStream::SetPosition(int64_t NewPosition) {
  if (NewPosition < 0)
    throw ERangeError(Format("Position %lld is not within the range of 0..%lld",
                             static_cast<long long>(NewPosition),
                             static_cast<long long>(INT64_MAX)));
  FPosition = NewPosition;
}

int32_t TMemoryStream::Read(void* Buffer, int32_t Count) {
  if (Count <= 0 || FPosition >= FSize) return 0;
  int64_t N = FSize - FPosition;
  if (N > Count) N = Count;
  std::memcpy(Buffer, FMemory + FPosition, static_cast<size_t>(N));
  FPosition += N;
  return static_cast<int32_t>(N);
}

int32_t TMemoryStream::Write(const void* Buffer, int32_t Count) {
  if (Count <= 0) return 0;
  const int64_t End = FPosition + Count;
  if (End > FSize) {
    GrowFor(End);
    // A write that starts past the end leaves no stale bytes behind.
    if (FPosition > FSize) std::memset(FMemory + FSize, 0, static_cast<size_t>(FPosition - FSize));
    FSize = End;
    AdviseFill(FSize);
  }
  std::memcpy(FMemory + FPosition, Buffer, static_cast<size_t>(Count));
  FPosition = End;
  return Count;
}

void TMemoryStream::Clear() {
  int64_t Zero = 0;
  FMemory = static_cast<uint8_t*>(Realloc(Zero));
  FCapacity = 0;
  FSize = 0;
  FPosition = 0;
}

TFileStream::TFileStream(const std::string& FileName) : FFileName(FileName) {
  FHandle = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (FHandle < 0) Fail();
  struct stat Info {};
  if (::fstat(FHandle, &Info) != 0 || !S_ISREG(Info.st_mode)) {
    ::close(FHandle);
    FHandle = -1;
    Fail();
  }
  FSize = Info.st_size;
  // Read front to back only: a larger read-ahead for a file not yet cached
  // (advice; ignored where it does not apply).
  ::posix_fadvise(FHandle, 0, 0, POSIX_FADV_SEQUENTIAL);
}

TFileStream::~TFileStream() {
  if (FHandle >= 0) ::close(FHandle);
}

int64_t TFileStream::CurrentSize() const {
  struct stat Info {};
  if (::fstat(FHandle, &Info) != 0) Fail();
  return Info.st_size;
}

void TFileStream::Fail() const { throw EFOpenError(Format(SFOpenError, FFileName.c_str())); }

int64_t TFileStream::Read(void* Buffer, int64_t Count) {
  for (;;) {
    const ssize_t Got = ::read(FHandle, Buffer, static_cast<size_t>(std::max<int64_t>(Count, 0)));
    if (Got >= 0) return Got;
    if (errno != EINTR) Fail();
  }
}

void TMemoryStream::LoadFromFile(const std::string& FileName) {
  TFileStream File(FileName);
  // Drop the old contents first, so the peak is the file alone.
  Clear();
  SetSize(File.Size());
  int64_t Done = 0;
  try {
    while (Done < FSize) {
      const int64_t Got = File.Read(FMemory + Done, FSize - Done);
      if (Got == 0) throw EFOpenError(Format(SFOpenError, FileName.c_str()));  // shrank
      Done += Got;
    }
  } catch (...) {
    Clear();
    throw;
  }
  FPosition = 0;
}

void TMemoryStream::LoadFromStream(TMemoryStream& Source) {
  if (&Source == this) {
    FPosition = 0;
    return;
  }
  // The old contents are not kept, so a growing block need not carry them.
  if (Source.Size() > FCapacity) Clear();
  SetSize(Source.Size());
  if (FSize > 0) std::memcpy(FMemory, Source.Memory(), static_cast<size_t>(FSize));
  Source.SetPosition(Source.Size());
  FPosition = 0;
}
