// Stand-in for writing a file in place: TAtomicFile replaces a regular file
// atomically or not at all.  POSIX only, no Qt.
//
// Invariants:
// - The bytes go to a temporary "<name>.XXXXXX" (mode 0600 until the commit)
//   in the folder of the file finally named, so the rename never crosses a
//   file system.  Until Commit succeeds the old file is untouched.
// - A symbolic link is written through: the regular file behind it (the last
//   link of a chain; a dangling link's target is created) is replaced and the
//   link stays.  A target that is a device, FIFO, socket or folder is never
//   replaced: the constructor raises.
// - Every write, the sync and the close are checked; any failure raises
//   EFCreateError with SFCreateError and the name the caller gave, and the
//   temporary is removed (also when the object dies uncommitted).
#pragma once

#include <cstddef>
#include <string>

class TAtomicFile {
public:
  // Raises EFCreateError when FileName names anything but a regular file or a
  // missing one, or when its folder cannot take the temporary.
  explicit TAtomicFile(const std::string& FileName);
  ~TAtomicFile();
  TAtomicFile(const TAtomicFile&) = delete;
  TAtomicFile& operator=(const TAtomicFile&) = delete;

  // The temporary's descriptor, open for writing; -1 after Commit.
  int Handle() const { return FHandle; }
  // Writes all Size bytes (retrying short writes); raises EFCreateError.
  void Write(const void* Data, std::size_t Size);
  // Syncs and closes the temporary, gives it the old file's mode (or the mode
  // a plain create would give), renames it over the target and removes
  // leftovers of the same name pattern that an interrupted save left.
  // Raises EFCreateError; then the old file is as it was.
  void Commit();

  // The file that is replaced (links resolved).
  const std::string& Target() const { return FTarget; }

private:
  [[noreturn]] void Fail();
  void RemoveLeftovers() const;

  std::string FName;       // as the caller gave it, for the message
  std::string FTarget;     // the regular file replaced
  std::string FTemporary;  // empty once renamed or removed
  int FHandle = -1;
  bool FExisted = false;
  unsigned FMode = 0;
  unsigned FOwner = 0, FGroup = 0;
};
