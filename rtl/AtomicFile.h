// Stand-in for writing a file in place: TAtomicFile replaces a regular file
// atomically or not at all.  POSIX only, no Qt.
//
// Invariants:
// - A save never removes or replaces a file it did not create in that same
//   call, whatever its name or mode.  The bytes go to an unnamed temporary
//   (O_TMPFILE) in the folder of the file finally named, so nothing is left
//   behind whatever happens before the commit; only the commit gives it a
//   name, ".<name>.quorvant-tmp-XXXXXX", for the moment before it is renamed
//   over the target.  Where the file system has no unnamed files, the
//   temporary has that name from the start (mode 0600 until the commit) and
//   is removed on every failure (also when the object dies uncommitted).
//   The rename never crosses a file system.  Until Commit succeeds the old
//   file is untouched.
// - A symbolic link is written through (ResolveWriteTarget): the regular
//   file behind it is replaced, a dangling link's target is created, and the
//   link stays.  A loop, a device, FIFO, socket or folder is never replaced:
//   the constructor raises.
// - Every write, the sync and the close are checked; any failure raises
//   EFCreateError with SFCreateError and the name the caller gave.
#pragma once

#include <cstddef>
#include <string>

// Where a write to FileName lands: FileName itself when it is no symbolic
// link (or does not exist), else the name its chain of links ends in, which
// for a dangling link is the missing target (a relative target taken from
// its link's folder).  Returns 0, or an errno: ELOOP for a loop or a chain
// of more than 40 links, readlink's failure, EISDIR for a target naming a
// folder ("dir/").
int ResolveWriteTarget(const std::string& FileName, std::string& Target);

class TAtomicFile {
public:
  // Raises EFCreateError when FileName names anything but a regular file or a
  // missing one (links resolved), or when its folder cannot take the
  // temporary.
  explicit TAtomicFile(const std::string& FileName);
  ~TAtomicFile();
  TAtomicFile(const TAtomicFile&) = delete;
  TAtomicFile& operator=(const TAtomicFile&) = delete;

  // The temporary's descriptor, open for writing; -1 after Commit.
  int Handle() const { return FHandle; }
  // Writes all Size bytes (retrying short writes); raises EFCreateError.
  void Write(const void* Data, std::size_t Size);
  // Syncs the temporary, gives it the old file's mode (or the mode a plain
  // create would give), names it, closes it and renames it over the target.
  // Raises EFCreateError; then the old file is as it was and the temporary
  // is gone.
  void Commit();

  // The file that is replaced (links resolved).
  const std::string& Target() const { return FTarget; }

private:
  [[noreturn]] void Fail();
  bool LinkUnnamed();

  std::string FName;       // as the caller gave it, for the message
  std::string FTarget;     // the regular file replaced
  std::string FTemporary;  // the temporary's name while it has one
  int FHandle = -1;
  bool FUnnamed = false;  // FHandle is an O_TMPFILE file
  bool FExisted = false;
  unsigned FMode = 0;
  unsigned FOwner = 0, FGroup = 0;
};
