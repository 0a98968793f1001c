// quorvant-cli's input and output (see CliFiles.h).
#include "CliFiles.h"

#include "AtomicFile.h"
#include "SysUtils.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <system_error>

namespace Cli {

namespace {

// Moderate pieces: one huge write holds the page cache's dirty pages back
// from writeback and runs several times slower than a stream of 8 MiB ones.
constexpr size_t WritePiece = size_t{8} << 20;

// The temporary file being written, removed when a signal ends the program.
char PendingTemporary[4096];

extern "C" void RemovePendingAndDie(int Signal) {
  if (PendingTemporary[0] != '\0') ::unlink(PendingTemporary);
  std::signal(Signal, SIG_DFL);
  std::raise(Signal);
}

// Writes Data to the new file Fd; the caller flushes it.  A large output goes
// past the page cache: it must reach the disk before the rename anyway, and
// copying it into the cache first costs about as much processor time as
// decoding it (and crowds out other programs' cached files).  Where the file
// system or the buffer's alignment does not allow that, ordinary writes.
void WriteToDisk(int Fd, const void* Data, size_t Size, const std::string& Where) {
  constexpr size_t Align = 4096;  // a multiple of every logical block size
  const auto* P = static_cast<const char*>(Data);
  size_t Done = 0;
  const int Flags = ::fcntl(Fd, F_GETFL);
  if (Size >= (size_t{64} << 20) && reinterpret_cast<uintptr_t>(P) % Align == 0 && Flags >= 0 &&
      ::fcntl(Fd, F_SETFL, Flags | O_DIRECT) == 0) {
    const size_t Direct = Size / Align * Align;
    while (Done < Direct) {
      const ssize_t N = ::write(Fd, P + Done, std::min(Direct - Done, WritePiece));
      if (N < 0 && errno == EINTR) continue;
      if (N < 0 && errno == EINVAL) break;  // refused after all: the rest buffered
      if (N < 0) throw TFailure{Where + ": " + SystemError(errno)};
      Done += static_cast<size_t>(N);
      if (Done % Align != 0) break;  // a short write leaves an unaligned offset
    }
    if (::fcntl(Fd, F_SETFL, Flags) != 0) throw TFailure{Where + ": " + SystemError(errno)};
  }
  WriteAll(Fd, P + Done, Size - Done, Where);
}

// Where an OUT named on the command line leads.  A link stands for the file
// its chain ends in: written through (a dangling link's target created), the
// link itself never replaced.
enum class TOutputKind {
  Replace,  // a regular file, or nothing yet: a temporary renamed over it
  InPlace,  // a device or named pipe: written directly, never replaced
};

struct TOutputTarget {
  TOutputKind Kind = TOutputKind::Replace;
  std::string Path;     // the file written (a link's target)
  bool Exists = false;  // Info holds Path's status
  struct stat Info {};
};

// Resolves OUT and refuses (TFailure, naming the file) a loop of links (with
// the system's reason), a folder, a socket and an existing file that the user
// may not write: a folder's write permission alone must not let anyone
// replace a file that is not theirs.
TOutputTarget ResolveOutput(const std::string& Name) {
  TOutputTarget T;
  if (const int Error = ResolveWriteTarget(Name, T.Path))
    throw TFailure{Name + ": " + SystemError(Error)};
  // An existing file behind a link is named by its real path.
  if (T.Path != Name)
    if (char* Real = ::realpath(Name.c_str(), nullptr)) {
      T.Path = Real;
      std::free(Real);
    }
  T.Exists = ::stat(T.Path.c_str(), &T.Info) == 0;
  if (!T.Exists) return T;
  const mode_t Type = T.Info.st_mode & S_IFMT;
  if (Type == S_IFDIR) throw TFailure{T.Path + ": is a folder"};
  if (Type == S_IFSOCK) throw TFailure{T.Path + ": is a socket"};
  if (Type != S_IFREG) T.Kind = TOutputKind::InPlace;
  if (::faccessat(AT_FDCWD, T.Path.c_str(), W_OK, AT_EACCESS) != 0)
    throw TFailure{T.Path + ": " + SystemError(errno)};
  return T;
}

// Closes Fd, reporting a failure (a delayed write error) as one of Where.
void CloseChecked(int Fd, const std::string& Where) {
  // Linux releases the descriptor even when close is interrupted.
  if (::close(Fd) != 0 && errno != EINTR) throw TFailure{Where + ": " + SystemError(errno)};
}

// Writes Data to the device or pipe Fd (opened on Path) from its start, as cp
// would.  Only a block device holds data that a sync can flush.
void WriteInPlace(int Fd, const struct stat& Info, const std::string& Path, const void* Data,
                  size_t Size) {
  try {
    WriteAll(Fd, Data, Size, Path);
    if (S_ISBLK(Info.st_mode) && ::fsync(Fd) != 0) throw TFailure{Path + ": " + SystemError(errno)};
  } catch (...) {
    ::close(Fd);
    throw;
  }
  CloseChecked(Fd, Path);
}

// Replaces the regular file T.Path (or creates it) so that it shows either its
// old contents or all of Data: a temporary beside it, written, synced and
// closed with every step checked, then renamed over it.  On any failure the
// temporary is removed and the old file is as it was.
void ReplaceFile(const TOutputTarget& T, const void* Data, size_t Size) {
  const std::string& Path = T.Path;
  const size_t Slash = Path.rfind('/');
  const std::string Dir = Slash == std::string::npos ? "." : Path.substr(0, Slash + 1);
  std::string Temporary = Dir + (Slash == std::string::npos ? "/" : "") + ".quorvant-cli-XXXXXX";
  if (Temporary.size() >= sizeof PendingTemporary)
    throw TFailure{Path + ": " + SystemError(ENAMETOOLONG)};
  const int Fd = ::mkostemp(Temporary.data(), O_CLOEXEC);
  if (Fd < 0) throw TFailure{Path + ": " + SystemError(errno)};
  std::memcpy(PendingTemporary, Temporary.c_str(), Temporary.size() + 1);
  const auto Discard = [&] {
    ::unlink(Temporary.c_str());
    PendingTemporary[0] = '\0';
  };
  mode_t Mode = 0;
  if (T.Exists) {
    Mode = T.Info.st_mode & 07777;
  } else {
    const mode_t Mask = ::umask(0);
    ::umask(Mask);
    Mode = 0666 & ~Mask;
  }
  try {
    if (::fchmod(Fd, Mode) != 0) throw TFailure{Path + ": " + SystemError(errno)};
    WriteToDisk(Fd, Data, Size, Path);
    if (::fsync(Fd) != 0) throw TFailure{Path + ": " + SystemError(errno)};
  } catch (...) {
    ::close(Fd);
    Discard();
    throw;
  }
  try {
    CloseChecked(Fd, Path);
  } catch (...) {
    Discard();
    throw;
  }
  if (::rename(Temporary.c_str(), Path.c_str()) != 0) {
    const int Error = errno;
    Discard();
    throw TFailure{Path + ": " + SystemError(Error)};
  }
  PendingTemporary[0] = '\0';
}

// Appends Fd's bytes to Stream until their end.  Reading stops as soon as the
// stream holds more than Limit bytes, which raises TooLarge(bytes read): the
// block never grows beyond Limit + 1 bytes (rounded to the stream's step).
void ReadBounded(int Fd, int64_t Limit, const TTooLarge& TooLarge,
                 const std::function<TFailure(int)>& ReadError, TMemoryStream& Stream) {
  constexpr int64_t Step = int64_t{1} << 20;
  constexpr int64_t MaxRead = int64_t{1} << 30;  // below the kernel's cap of one read
  int64_t Size = Stream.Size();
  for (;;) {
    if (Stream.Capacity() <= Size)
      Stream.SetCapacity(std::min(Limit + 1, std::max(Size + Step, Size * 2)));
    const int64_t Room = std::min({Stream.Capacity(), Limit + 1, Size + MaxRead}) - Size;
    // Large pages for what this read may fill: still within the limit.
    Stream.AdviseFill(Size + Room);
    const ssize_t Got =
        ::read(Fd, static_cast<char*>(Stream.Memory()) + Size, static_cast<size_t>(Room));
    if (Got < 0 && errno == EINTR) continue;
    if (Got < 0) throw ReadError(errno);
    if (Got == 0) break;
    Size += Got;
    Stream.SetSize(Size);
    if (Size > Limit) throw TooLarge(Size);
  }
  Stream.SetPosition(0);
}

}  // namespace

std::string SystemError(int Error) { return std::strerror(Error); }

void WriteAll(int Fd, const void* Data, size_t Size, const std::string& Where) {
  const auto* P = static_cast<const char*>(Data);
  while (Size > 0) {
    const ssize_t Done = ::write(Fd, P, std::min(Size, WritePiece));
    if (Done < 0) {
      if (errno == EINTR) continue;
      throw TFailure{Where + ": " + SystemError(errno)};
    }
    P += Done;
    Size -= static_cast<size_t>(Done);
  }
}

void WriteStdout(const std::string& Text) {
  WriteAll(STDOUT_FILENO, Text.data(), Text.size(), "standard output");
}

void WriteStderr(const std::string& Text) {
  // Nothing more can be reported when standard error fails.
  const char* P = Text.data();
  size_t Size = Text.size();
  while (Size > 0) {
    const ssize_t Done = ::write(STDERR_FILENO, P, Size);
    if (Done < 0 && errno == EINTR) continue;
    if (Done <= 0) return;
    P += Done;
    Size -= static_cast<size_t>(Done);
  }
}

void InstallSignalCleanup() {
  for (int Signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(Signal, RemovePendingAndDie);
}

void CloseStdout() {
  // Linux releases the descriptor even when close is interrupted.
  if (::close(STDOUT_FILENO) != 0 && errno != EBADF && errno != EINTR)
    throw TFailure{"standard output: " + SystemError(errno)};
}

void CheckOutput(const std::string& Name) { ResolveOutput(Name); }

std::optional<std::pair<dev_t, ino_t>> FileIdentity(const std::string& Name, int StandardFd) {
  struct stat Info {};
  if (Name == "-") {
    if (::fstat(StandardFd, &Info) != 0 || !S_ISREG(Info.st_mode)) return std::nullopt;
  } else if (::stat(Name.c_str(), &Info) != 0) {
    return std::nullopt;
  }
  return std::pair{Info.st_dev, Info.st_ino};
}

void WriteFileWhole(const std::string& Name, const void* Data, size_t Size) {
  TOutputTarget T = ResolveOutput(Name);
  if (T.Kind == TOutputKind::InPlace) {
    // No O_CREAT and no O_TRUNC: this never makes or cuts a regular file.
    const int Fd = ::open(T.Path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (Fd < 0) throw TFailure{T.Path + ": " + SystemError(errno)};
    struct stat Opened {};
    if (::fstat(Fd, &Opened) != 0) {
      const int Error = errno;
      ::close(Fd);
      throw TFailure{T.Path + ": " + SystemError(Error)};
    }
    if (!S_ISREG(Opened.st_mode)) return WriteInPlace(Fd, Opened, T.Path, Data, Size);
    // Became a regular file meanwhile: that one is replaced whole instead.
    ::close(Fd);
    T.Info = Opened;
  }
  ReplaceFile(T, Data, Size);
}

void WriteOutput(const std::string& Name, const TMemoryStream& Stream) {
  const size_t Size = static_cast<size_t>(Stream.Size());
  const void* Data = Size > 0 ? Stream.Memory() : "";
  if (Name == "-")
    WriteAll(STDOUT_FILENO, Data, Size, "standard output");
  else
    WriteFileWhole(Name, Data, Size);
}

void ReadInput(const std::string& Name, int64_t Limit, const TTooLarge& TooLarge,
               TMemoryStream& Stream) {
  const bool Standard = Name == "-";
  const std::string Shown = Standard ? "standard input" : Name;
  struct stat Info {};
  if (!Standard && ::stat(Name.c_str(), &Info) != 0)
    throw TFailure{Name + ": " + SystemError(errno)};
  // A named regular file that cannot be read gets the window's open message.
  const bool Named = !Standard && S_ISREG(Info.st_mode);
  const auto ReadError = [&](int Error) {
    return TFailure{Named ? Format(SFOpenError, Name.c_str()) : Shown + ": " + SystemError(Error)};
  };
  if (!Standard && S_ISDIR(Info.st_mode)) throw TFailure{Name + ": is a folder"};
  const int Fd = Standard ? STDIN_FILENO : ::open(Name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (Fd < 0) throw ReadError(errno);
  try {
    if (::fstat(Fd, &Info) != 0) throw ReadError(errno);
    if (S_ISDIR(Info.st_mode)) throw TFailure{Shown + ": is a folder"};
    Stream.Clear();
    if (S_ISREG(Info.st_mode)) {
      // What is left of it: standard input may start inside the file.
      const off_t At = Standard ? ::lseek(Fd, 0, SEEK_CUR) : 0;
      const int64_t Left = Info.st_size - std::max<int64_t>(At, 0);
      if (Left > Limit) throw TooLarge(Left);
      // One block of that size (and a byte to see its end), backed with
      // large pages before the read fills it.
      Stream.SetCapacity(Left + 1);
      Stream.AdviseFill(Left);
    }
    ReadBounded(Fd, Limit, TooLarge, ReadError, Stream);
  } catch (...) {
    if (!Standard) ::close(Fd);
    Stream.Clear();
    throw;
  }
  if (!Standard) ::close(Fd);  // read only: nothing to report
}

std::vector<std::string> CorpusFiles(const std::vector<std::string>& Operands, bool Recursive) {
  namespace fs = std::filesystem;
  std::vector<std::string> Files;
  // The files found in folders so far, by identity: one reached again
  // through a link (or a hard link) is read once.
  std::set<std::pair<dev_t, ino_t>> Seen;
  for (const std::string& Operand : Operands) {
    std::error_code Error;
    if (!Recursive || !fs::is_directory(Operand, Error)) {
      Files.push_back(Operand);
      continue;
    }
    // Folders are listed one by one, so a failure names the folder that
    // failed; links to folders are not entered (no loop).
    std::vector<std::string> Found;
    std::vector<fs::path> Folders{fs::path(Operand)};
    while (!Folders.empty()) {
      const fs::path Folder = std::move(Folders.back());
      Folders.pop_back();
      fs::directory_iterator It(Folder, Error), End;
      for (; !Error && It != End; It.increment(Error)) {
        std::error_code Ignored;
        if (It->is_symlink(Ignored) || !It->is_directory(Ignored)) {
          if (It->is_regular_file(Ignored)) Found.push_back(It->path().string());
        } else {
          Folders.push_back(It->path());
        }
      }
      if (Error) throw TFailure{Folder.string() + ": " + Error.message()};
    }
    if (Found.empty()) throw TFailure{Operand + ": no regular file in the folder"};
    std::sort(Found.begin(), Found.end());
    for (const std::string& File : Found)
      if (struct stat Info{};
          ::stat(File.c_str(), &Info) != 0 || Seen.insert({Info.st_dev, Info.st_ino}).second)
        Files.push_back(File);
  }
  return Files;
}

}  // namespace Cli
