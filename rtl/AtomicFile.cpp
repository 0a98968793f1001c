#include "AtomicFile.h"

#include "SysUtils.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstdlib>

namespace {

std::string FolderOf(const std::string& Path) {
  const std::size_t Slash = Path.rfind('/');
  if (Slash == std::string::npos) return ".";
  return Slash == 0 ? "/" : Path.substr(0, Slash);
}

// Follows a chain of symbolic links to the name that is not a link (or does
// not exist).  Returns false on a loop or an unreadable link.
bool ResolveLinks(std::string Path, std::string& Target) {
  for (int Hop = 0; Hop < 40; ++Hop) {
    struct stat Info {};
    if (lstat(Path.c_str(), &Info) != 0 || !S_ISLNK(Info.st_mode)) {
      Target = Path;
      return true;
    }
    char Buffer[PATH_MAX];
    const ssize_t Length = readlink(Path.c_str(), Buffer, sizeof Buffer);
    if (Length <= 0 || Length >= static_cast<ssize_t>(sizeof Buffer)) return false;
    std::string Next(Buffer, static_cast<std::size_t>(Length));
    Path = Next[0] == '/' ? Next : FolderOf(Path) + "/" + Next;
  }
  return false;
}

unsigned CreateMode() {
  const mode_t Mask = umask(0);
  umask(Mask);
  return 0666u & ~static_cast<unsigned>(Mask);
}

bool IsTemporaryName(const std::string& Entry, const std::string& Base) {
  if (Entry.size() != Base.size() + 7 || Entry.compare(0, Base.size(), Base) != 0 ||
      Entry[Base.size()] != '.')
    return false;
  for (std::size_t I = Base.size() + 1; I < Entry.size(); ++I) {
    const char C = Entry[I];
    if (!((C >= '0' && C <= '9') || (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z'))) return false;
  }
  return true;
}

}  // namespace

TAtomicFile::TAtomicFile(const std::string& FileName) : FName(FileName) {
  if (!ResolveLinks(FileName, FTarget)) Fail();
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
  std::string Pattern = FTarget + ".XXXXXX";
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

void TAtomicFile::Commit() {
  if (FHandle < 0) Fail();
  // The mode last: a leftover of a killed save keeps 0600, which is how
  // RemoveLeftovers tells it from a user's own file of the same pattern.
  if (FExisted && geteuid() == 0) (void)!fchown(FHandle, FOwner, FGroup);
  if (fsync(FHandle) != 0 || fchmod(FHandle, FExisted ? FMode : CreateMode()) != 0) Fail();
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
  RemoveLeftovers();
}

// A kill between the temporary's creation and the rename leaves
// "<name>.XXXXXX"; such files of ours (regular, owned by us, still 0600) go.
void TAtomicFile::RemoveLeftovers() const {
  const std::string Folder = FolderOf(FTarget);
  const std::size_t Slash = FTarget.rfind('/');
  const std::string Base = Slash == std::string::npos ? FTarget : FTarget.substr(Slash + 1);
  DIR* List = opendir(Folder.c_str());
  if (!List) return;
  while (const dirent* Entry = readdir(List)) {
    const std::string Name = Entry->d_name;
    if (!IsTemporaryName(Name, Base)) continue;
    const std::string Path = Folder + "/" + Name;
    struct stat Info {};
    if (lstat(Path.c_str(), &Info) == 0 && S_ISREG(Info.st_mode) && Info.st_uid == geteuid() &&
        (Info.st_mode & 07777) == 0600)
      unlink(Path.c_str());
  }
  closedir(List);
}
