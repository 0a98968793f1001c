// quorvant-cli's input and output: standard streams, whole-file reads with a
// bound, whole-file writes that replace a file atomically or write a device
// in place, and the removal of a half-written temporary on a signal.
#pragma once

#include "Classes.h"

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace Cli {

// Bad data or an I/O failure: the message as is (it names the file); exit 1.
struct TFailure {
  std::string Message;
};

// The system's text for an errno value.
std::string SystemError(int Error);

// Writes all of Data to Fd; a failure raises TFailure "Where: reason".
void WriteAll(int Fd, const void* Data, size_t Size, const std::string& Where);
void WriteStdout(const std::string& Text);
// Never raises: nothing more can be reported when standard error fails.
void WriteStderr(const std::string& Text);
// Closes standard output at the end of a successful run, so that a delayed
// write error still fails it (TFailure "standard output: reason").
void CloseStdout();

// SIGINT, SIGTERM and SIGHUP remove the temporary being written, then end the
// program as the signal would.
void InstallSignalCleanup();

// The file behind an operand (file system, inode): a named one, links
// followed, or the regular file that standard input or output ("-", given as
// StandardFd) was redirected from or to.  Nothing for anything else.
std::optional<std::pair<dev_t, ino_t>> FileIdentity(const std::string& Name, int StandardFd);

// Raises TFailure (naming the file) when OUT Name could not be written by
// WriteFileWhole: a loop of links ("Name: " and the system's reason), a
// folder, a socket, or an existing file the user may not write (a folder's
// write permission alone must not let anyone replace a file that is not
// theirs).
void CheckOutput(const std::string& Name);

// Writes Data to the file Name whole.  A link stands for the file its chain
// ends in (written through, a dangling link's target created in the target's
// folder; the link itself is never replaced).  A device or named pipe is
// written directly, in place, and never replaced by a regular file.  A
// regular file (or none yet) is replaced: a temporary beside it, written,
// synced and closed with every step checked, is renamed over it, so it shows
// either its old contents or all of Data; on any failure (TFailure) the
// temporary is gone and the old file is as it was.
void WriteFileWhole(const std::string& Name, const void* Data, size_t Size);
// Stream's bytes to standard output ("-") or WriteFileWhole.
void WriteOutput(const std::string& Name, const TMemoryStream& Stream);

// Builds the failure for an input of Size bytes (or more) beyond the limit.
using TTooLarge = std::function<TFailure(int64_t Size)>;

// Reads the file Name or standard input ("-") whole into Stream (position
// 0).  At most Limit bytes: a regular file larger than that is refused unread
// with TooLarge(its size); a pipe, device or standard input is read only
// until it passes Limit, then TooLarge(Limit + 1), so the block never grows
// beyond about Limit bytes.  A folder raises TFailure "Name: is a folder"; a
// named regular file that cannot be read "ファイル Name は開けません"; other
// failures "Name: reason" (standard input shown as "standard input").  The
// stream is empty after a failure.
void ReadInput(const std::string& Name, int64_t Limit, const TTooLarge& TooLarge,
               TMemoryStream& Stream);

// The files a corpus command reads, in order: each operand as given, except
// that with Recursive a folder stands for every regular file under it
// (links to files followed, links to folders not entered, so no loop), its
// paths sorted bytewise; a file found in folders more than once (the same
// file system and inode: a link beside its target, a hard link) is taken
// once, under the name that sorts first.  Without Recursive a folder stays
// an operand (the open then names it as a folder).  A folder (the operand or
// one under it) that cannot be listed raises TFailure "Folder: reason"
// naming that folder; an operand holding no regular file raises one naming it.
std::vector<std::string> CorpusFiles(const std::vector<std::string>& Operands, bool Recursive);

}  // namespace Cli
