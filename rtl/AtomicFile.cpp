#include "AtomicFile.h"

#include "SysUtils.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>

namespace {

constexpr const char* TemporaryMark = ".quorvant-tmp-";

std::string FolderOf(const std::string& Path) {
  const std::size_t Slash = Path.rfind('/');
  if (Slash == std::string::npos) return ".";
  return Slash == 0 ? "/" : Path.substr(0, Slash);
}

// "<folder>/.<name>.quorvant-tmp-XXXXXX" beside Target: a name no user
// would choose.  A long name is shortened so the whole stays within NAME_MAX.
std::string TemporaryPattern(const std::string& Target) {
  const std::size_t Slash = Target.rfind('/');
  std::string Base = Slash == std::string::npos ? Target : Target.substr(Slash + 1);
  const std::size_t Room = NAME_MAX - 1 - std::strlen(TemporaryMark) - 6;
  if (Base.size() > Room) Base.resize(Room);
  return FolderOf(Target) + "/." + Base + TemporaryMark + "XXXXXX";
}

// Replaces the pattern's last six characters with random letters and digits.
void FillRandom(std::string& Pattern) {
  static const char Letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  unsigned char Bytes[6] = {};
  if (getrandom(Bytes, sizeof Bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof Bytes)) {
    timespec Now{};
    clock_gettime(CLOCK_MONOTONIC, &Now);
    unsigned long X =
        static_cast<unsigned long>(Now.tv_nsec) ^ static_cast<unsigned long>(getpid());
    for (unsigned char& B : Bytes)
      B = static_cast<unsigned char>(X = X * 6364136223846793005ul + 1);
  }
  for (std::size_t I = 0; I < 6; ++I) Pattern[Pattern.size() - 6 + I] = Letters[Bytes[I] % 62];
}

unsigned CreateMode() {
  const mode_t Mask = umask(0);
  umask(Mask);
  return 0666u & ~static_cast<unsigned>(Mask);
}

}  // namespace

int ResolveWriteTarget(const std::string& FileName, std::string& Target) {
  if (FileName.empty()) return ENOENT;
  std::string Path = FileName;
  for (int Hop = 0; Hop <= 40; ++Hop) {
    struct stat Info {};
    if (lstat(Path.c_str(), &Info) != 0 || !S_ISLNK(Info.st_mode)) {
      Target = Path;
      return 0;
    }
    char Buffer[PATH_MAX];
    const ssize_t Length = readlink(Path.c_str(), Buffer, sizeof Buffer);
    if (Length < 0) return errno;
    if (Length == 0 || Length >= static_cast<ssize_t>(sizeof Buffer)) return ENAMETOOLONG;
    std::string Next(Buffer, static_cast<std::size_t>(Length));
    // Relative to the link's folder (the current one for a bare name).
    Path =
        Next[0] == '/' || Path.find('/') == std::string::npos ? Next : FolderOf(Path) + "/" + Next;
  }
  return ELOOP;
}

TAtomicFile::TAtomicFile(const std::string& FileName) : FName(FileName) {
  if (ResolveWriteTarget(FileName, FTarget) != 0) Fail();
  struct stat Info {};
  if (stat(FTarget.c_str(), &Info) == 0) {
    if (!S_ISREG(Info.st_mode)) Fail();
    FExisted = true;
    FMode = Info.st_mode & 07777;
    FOwner = Info.st_uid;
    FGroup = Info.st_gid;
  } else if (errno != ENOENT) {
    Fail();
  }
  // An unnamed file vanishes with its descriptor, so no kill leaves it
  // behind.  Its name comes through /proc at the commit; without /proc, a
  // named temporary instead.
  FHandle = open(FolderOf(FTarget).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  if (FHandle >= 0) {
    if (access(("/proc/self/fd/" + std::to_string(FHandle)).c_str(), F_OK) == 0) {
      FUnnamed = true;
      return;
    }
    close(FHandle);
  }
  std::string Pattern = TemporaryPattern(FTarget);
  FHandle = mkostemp(Pattern.data(), O_CLOEXEC);
  if (FHandle < 0) Fail();
  FTemporary = Pattern;
}

TAtomicFile::~TAtomicFile() {
  if (FHandle >= 0) close(FHandle);
  if (!FTemporary.empty()) unlink(FTemporary.c_str());
}

void TAtomicFile::Fail() {
  if (FHandle >= 0) close(FHandle);
  FHandle = -1;
  if (!FTemporary.empty()) unlink(FTemporary.c_str());
  FTemporary.clear();
  throw EFCreateError(Format(SFCreateError, FName.c_str()));
}

void TAtomicFile::Write(const void* Data, std::size_t Size) {
  if (FHandle < 0) Fail();
  const char* Next = static_cast<const char*>(Data);
  while (Size > 0) {
    const ssize_t Done = write(FHandle, Next, Size);
    if (Done < 0 && errno == EINTR) continue;
    if (Done <= 0) Fail();
    Next += Done;
    Size -= static_cast<std::size_t>(Done);
  }
}

// Gives the unnamed temporary a fresh name of the temporaries' form; false
// when it cannot be linked.  An existing name is never touched: linkat does
// not replace.
bool TAtomicFile::LinkUnnamed() {
  const std::string Self = "/proc/self/fd/" + std::to_string(FHandle);
  for (int Try = 0; Try < 100; ++Try) {
    std::string Name = TemporaryPattern(FTarget);
    FillRandom(Name);
    if (linkat(AT_FDCWD, Self.c_str(), AT_FDCWD, Name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      FTemporary = Name;
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

void TAtomicFile::Commit() {
  if (FHandle < 0) Fail();
  if (FExisted && geteuid() == 0) (void)!fchown(FHandle, FOwner, FGroup);
  if (fsync(FHandle) != 0 || fchmod(FHandle, FExisted ? FMode : CreateMode()) != 0) Fail();
  if (FUnnamed && !LinkUnnamed()) Fail();
  const int Handle = FHandle;
  FHandle = -1;
  if (close(Handle) != 0 || rename(FTemporary.c_str(), FTarget.c_str()) != 0) Fail();
  FTemporary.clear();
  // The rename itself is durable only once the folder is synced; a failure
  // here loses nothing (old or new file is there), so it is not raised.
  const int Folder = open(FolderOf(FTarget).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (Folder >= 0) {
    (void)fsync(Folder);
    close(Folder);
  }
}
