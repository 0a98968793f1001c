#include "Classes.h"

#include "SysUtils.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int64_t MemoryDelta = 8192;

int64_t RoundUpToDelta(int64_t Value) { return (Value + MemoryDelta - 1) & ~(MemoryDelta - 1); }

}  // namespace

TMemoryStream::TMemoryStream() = default;

TMemoryStream::~TMemoryStream() { std::free(FMemory); }

void* TMemoryStream::Realloc(int64_t& NewCapacity) {
  if (NewCapacity <= 0) {
    std::free(FMemory);
    NewCapacity = 0;
    return nullptr;
  }
  NewCapacity = RoundUpToDelta(NewCapacity);
  // realloc moves large blocks by remapping pages, so growth never holds two
  // copies of a big stream at once.
  void* Block = std::realloc(FMemory, static_cast<size_t>(NewCapacity));
  if (Block == nullptr) throw std::bad_alloc();
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

void TMemoryStream::SetSize(int64_t NewSize) {
  if (NewSize < 0) throw ERangeError(Format(SRangeError, -1, 0, 0x7fffffff));
  if (NewSize > FCapacity) {
    int64_t NewCapacity = NewSize;
    FMemory = static_cast<uint8_t*>(Realloc(NewCapacity));
    FCapacity = NewCapacity;
  }
  FSize = NewSize;
  if (FPosition > FSize) FPosition = FSize;
}

void TMemoryStream::SetPosition(int64_t NewPosition) {
  if (NewPosition < 0) throw ERangeError(Format(SRangeError, -1, 0, 0x7fffffff));
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
    FSize = End;
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

void TMemoryStream::LoadFromFile(const std::string& FileName) {
  const auto Fail = [&] { throw EFOpenError(Format(SFOpenError, FileName.c_str())); };
  const int Fd = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (Fd < 0) Fail();
  struct stat Info {};
  if (::fstat(Fd, &Info) != 0 || S_ISDIR(Info.st_mode)) {
    ::close(Fd);
    Fail();
  }
  // Drop the old contents first, so the peak is the file alone.
  Clear();
  try {
    SetSize(Info.st_size);
  } catch (...) {
    ::close(Fd);
    throw;
  }
  int64_t Done = 0;
  while (Done < FSize) {
    const ssize_t Got = ::read(Fd, FMemory + Done, static_cast<size_t>(FSize - Done));
    if (Got < 0 && errno == EINTR) continue;
    if (Got <= 0) {
      ::close(Fd);
      Clear();
      Fail();
    }
    Done += Got;
  }
  ::close(Fd);
  FPosition = 0;
}

void TMemoryStream::LoadFromStream(TMemoryStream& Source) {
  if (&Source == this) {
    FPosition = 0;
    return;
  }
  SetSize(Source.Size());
  if (FSize > 0) std::memcpy(FMemory, Source.Memory(), static_cast<size_t>(FSize));
  Source.SetPosition(Source.Size());
  FPosition = 0;
}
