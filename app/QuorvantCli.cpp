// quorvant-cli: the workbench's views, figures and coder without a window.
//
// The view texts come from the window's own document code (FrameDoc), the
// code and the coded forms from the engine; this file only parses the command
// line, reads and writes files and formats what is new here (the C arrays,
// the figures).  No display, no widgets.
//
// Exit codes: 0 success, 1 bad data or I/O failure (message on standard
// error, naming the file), 2 usage error.
#include "FrameDoc.h"
#include "FrameLocale.h"


#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

constexpr const char* ProgramName = "quorvant-cli";
constexpr const char* VersionText = "Quorvant Version 1.0";

enum : int { ExitSuccess = 0, ExitFailure = 1, ExitUsage = 2 };

// A usage error: the message, then a hint at --help; exit 2.
struct TUsageError {
  std::string Message;
  std::string Command;  // whose help to point at; empty: the program's
};
// Bad data or an I/O failure: the message as is; exit 1.
struct TFailure {
  std::string Message;
};

// ---- help -------------------------------------------------------------------

constexpr const char* MainHelp =
    "Usage: quorvant-cli COMMAND [OPTIONS] FILE...\n"
    "\n"
    "Huffman codes for any file, without a window: the texts of the Quorvant\n"
    "workbench's views, figures about the code, and the coder itself.\n"
    "\n"
    "Every byte of FILE is one datum (0..255); the code is a canonical Huffman\n"
    "code with lengths of at most 16 bits.  With --32bit, FILE is instead a\n"
    "frequency table: little-endian signed 32-bit words, word k being the\n"
    "frequency of datum k (at most 10240 words, each 0..1048576); a file that\n"
    "isn't one is read byte by byte after a message on standard error.\n"
    "\n"
    "Commands:\n"
    "  distribution FILE   the code's leaf table (view \"ハフマン分布\")\n"
    "  arrays FILE         the code as two constant arrays (view \"ハフマン配列\"),\n"
    "                      in Pascal or C\n"
    "  table FILE          the frequency table (view \"頻度テーブル\")\n"
    "  stats FILE          counts, average code length, compression ratio,\n"
    "                      entropy; --json for scripts\n"
    "  encode IN OUT       code IN into the engine's self-describing form\n"
    "  decode IN OUT       restore the bytes coded by encode\n"
    "  help [COMMAND]      this text, or a command's\n"
    "\n"
    "Options:\n"
    "  -h, --help          help (also after a command: quorvant-cli arrays --help)\n"
    "  --version           print \"Quorvant Version 1.0\"\n"
    "\n"
    "Texts are UTF-8; the views keep the workbench's CR LF line ends unless\n"
    "--lf is given, and its decimal separator follows the locale (LC_ALL,\n"
    "LC_NUMERIC, LANG), as the workbench does.\n"
    "\n"
    "Exit status: 0 success, 1 bad data or an I/O failure (the message on\n"
    "standard error names the file), 2 a usage error.\n"
    "\n"
    "Examples:\n"
    "  quorvant-cli distribution corpus.txt --lf\n"
    "  quorvant-cli arrays corpus.txt --lang c > huffman_tables.h\n"
    "  quorvant-cli encode corpus.txt corpus.qv && quorvant-cli decode corpus.qv -\n";

constexpr const char* ViewOptionsHelp =
    "  --32bit             read FILE as a table of 32-bit frequencies\n"
    "  --lf                LF line ends instead of CR LF\n";

constexpr const char* CoderOutputHelp =
    "IN and OUT must be different files (exit 2).  An OUT that is a device or\n"
    "a named pipe is written in place; a folder, a socket or a file you may\n"
    "not write is refused.\n"
    "\n"
    "Options:\n"
    "  --force             write to standard output even when it is a terminal\n";

std::string CommandHelp(const std::string& Command) {
  if (Command == "distribution")
    return std::string(
               "Usage: quorvant-cli distribution FILE [--32bit] [--lf]\n"
               "\n"
               "Prints what the workbench's view \"ハフマン分布\" shows right after\n"
               "opening FILE: the file name, the compression ratio, and one row per\n"
               "datum that occurs (Index, Data in hexadecimal, Frequency, BitLength,\n"
               "BitPattern as sent digits = stored value, Parent, Left, Right), most\n"
               "frequent first.\n"
               "\n"
               "Options:\n") +
           ViewOptionsHelp;
  if (Command == "arrays")
    return std::string(
               "Usage: quorvant-cli arrays FILE [--32bit] [--lf] [--name DATANAME]\n"
               "                              [--lang pascal|c]\n"
               "\n"
               "Prints the code as two constant arrays, bit patterns and bit lengths,\n"
               "one entry per datum that occurs, in ascending datum order, 16 a line.\n"
               "A pattern holds the code bit-reversed: bit 0 is the first bit sent.\n"
               "\n"
               "Options:\n") +
           ViewOptionsHelp +
           "  --name DATANAME     the data name in the comments (default \"データ\");\n"
           "                      \"一致長\" and \"一致位置のビット数\" name the LZ77\n"
           "                      match arrays mlPat/mlLen and diPat/diLen\n"
           "  --lang pascal       the workbench's view \"ハフマン配列\" (default)\n"
           "  --lang c            the same arrays as C/C++ static const arrays of the\n"
           "                      smallest fitting unsigned type, ready to #include;\n"
           "                      fails (exit 1) when FILE gives no code\n";
  if (Command == "table")
    return std::string(
               "Usage: quorvant-cli table FILE [--32bit] [--lf]\n"
               "\n"
               "Prints what the workbench's view \"頻度テーブル\" shows right after\n"
               "opening FILE: every datum of the table with its frequency, in decimal\n"
               "and hexadecimal (256 rows for a file, one row per word for a table).\n"
               "\n"
               "Options:\n") +
           ViewOptionsHelp;
  if (Command == "stats")
    return "Usage: quorvant-cli stats FILE [--32bit] [--json]\n"
           "\n"
           "Prints figures about FILE's distribution and its code:\n"
           "  data count         last datum with a frequency above 0, plus 1\n"
           "  distinct values    data with a frequency above 0\n"
           "  total              sum of all frequencies (bytes of a file)\n"
           "  average code       coded bits per datum\n"
           "  compression ratio  coded size against 8 bits a datum, as the\n"
           "                     workbench shows it\n"
           "  entropy            Shannon entropy, bits per datum\n"
           "  above entropy      how far the average code lies above it\n"
           "  longest code       in bits (at most 16)\n"
           "The code covers data 0..255; table entries beyond count in the totals\n"
           "only.  Figures that need a code show \"---\" (null in JSON) without one.\n"
           "\n"
           "Options:\n"
           "  --32bit             read FILE as a table of 32-bit frequencies\n"
           "  --json              one JSON object on one line\n";
  if (Command == "encode")
    return std::string(
               "Usage: quorvant-cli encode IN OUT [--force]\n"
               "\n"
               "Codes IN with its own Huffman code into the engine's self-describing\n"
               "coded form (header, code table, payload), or into the stored form\n"
               "(header and the bytes unchanged) when coding would not make it smaller.\n"
               "\"-\" is standard input or output.  OUT appears only when complete.\n"
               "Both forms hold 30-bit lengths: inputs whose coded payload or stored\n"
               "size would reach 1 GiB cannot be coded (exit 1).\n") +
           CoderOutputHelp;
  if (Command == "decode")
    return std::string(
               "Usage: quorvant-cli decode IN OUT [--force]\n"
               "\n"
               "Restores the bytes that encode coded, from either form.  \"-\" is\n"
               "standard input or output.  Damaged input prints the reason and exits\n"
               "with 1; OUT is then neither created nor changed.\n") +
           CoderOutputHelp;
  return MainHelp;
}

// ---- command line -------------------------------------------------------------

struct TOptions {
  std::string Command;
  std::vector<std::string> Operands;
  bool Help = false;
  bool Version = false;
  bool Extended = false;
  bool Lf = false;
  bool Json = false;
  bool Force = false;
  std::optional<std::string> Name;
  std::optional<std::string> Lang;
};

bool IsViewCommand(const std::string& C) {
  return C == "distribution" || C == "arrays" || C == "table";
}

bool IsCommand(const std::string& C) {
  return IsViewCommand(C) || C == "stats" || C == "encode" || C == "decode" || C == "help";
}

TOptions ParseArguments(int Argc, char** Argv) {
  TOptions O;
  bool OptionsEnd = false;
  std::vector<std::string> Given;  // options seen, for the per-command check
  for (int I = 1; I < Argc; ++I) {
    const std::string Arg = Argv[I];
    if (OptionsEnd || Arg == "-" || Arg.empty() || Arg[0] != '-') {
      if (O.Command.empty() && !O.Help && !O.Version) {
        if (!IsCommand(Arg)) throw TUsageError{"unknown command '" + Arg + "'", ""};
        O.Command = Arg;
      } else if (O.Command.empty()) {
        O.Command = Arg;  // "--help stats": help about stats
      } else {
        O.Operands.push_back(Arg);
      }
      continue;
    }
    if (Arg == "--") {
      OptionsEnd = true;
      continue;
    }
    std::string Name = Arg;
    std::optional<std::string> Value;
    if (const size_t Eq = Arg.find('='); Arg.starts_with("--") && Eq != std::string::npos) {
      Name = Arg.substr(0, Eq);
      Value = Arg.substr(Eq + 1);
    }
    const auto TakeValue = [&]() -> std::string {
      if (Value) return *Value;
      if (I + 1 >= Argc) throw TUsageError{"option " + Name + " needs a value", O.Command};
      return Argv[++I];
    };
    const auto NoValue = [&] {
      if (Value) throw TUsageError{"option " + Name + " takes no value", O.Command};
    };
    if (Name == "-h" || Name == "--help") {
      NoValue();
      O.Help = true;
    } else if (Name == "--version") {
      NoValue();
      O.Version = true;
    } else if (Name == "--32bit") {
      NoValue();
      O.Extended = true;
    } else if (Name == "--lf") {
      NoValue();
      O.Lf = true;
    } else if (Name == "--json") {
      NoValue();
      O.Json = true;
    } else if (Name == "--force") {
      NoValue();
      O.Force = true;
    } else if (Name == "--name") {
      O.Name = TakeValue();
    } else if (Name == "--lang") {
      O.Lang = TakeValue();
      if (*O.Lang != "pascal" && *O.Lang != "c")
        throw TUsageError{"--lang takes pascal or c, not '" + *O.Lang + "'", "arrays"};
    } else {
      throw TUsageError{"unknown option '" + Arg + "'", O.Command};
    }
    Given.push_back(Name);
  }
  if (O.Help || O.Version) return O;
  if (O.Command.empty()) throw TUsageError{"no command given", ""};
  if (O.Command == "help") return O;

  const auto Allowed = [&](const std::string& Option) {
    if (Option == "-h" || Option == "--help" || Option == "--version") return true;
    if (IsViewCommand(O.Command) && (Option == "--32bit" || Option == "--lf")) return true;
    if (O.Command == "arrays" && (Option == "--name" || Option == "--lang")) return true;
    if (O.Command == "stats" && (Option == "--32bit" || Option == "--json")) return true;
    if ((O.Command == "encode" || O.Command == "decode") && Option == "--force") return true;
    return false;
  };
  for (const std::string& Option : Given)
    if (!Allowed(Option))
      throw TUsageError{"option " + Option + " does not apply to " + O.Command, O.Command};
  const size_t Wanted = O.Command == "encode" || O.Command == "decode" ? 2 : 1;
  if (O.Operands.size() < Wanted)
    throw TUsageError{Wanted == 2 ? O.Command + " needs IN and OUT" : O.Command + " needs a FILE",
                      O.Command};
  if (O.Operands.size() > Wanted)
    throw TUsageError{"unexpected operand '" + O.Operands[Wanted] + "'", O.Command};
  if (O.Command != "encode" && O.Command != "decode" && O.Operands[0] == "-")
    throw TUsageError{O.Command + " reads a file, not standard input", O.Command};
  return O;
}

// ---- output -------------------------------------------------------------------

std::string SystemError(int Error) { return std::strerror(Error); }

// Moderate pieces: one huge write holds the page cache's dirty pages back
// from writeback and runs several times slower than a stream of 8 MiB ones.
constexpr size_t WritePiece = size_t{8} << 20;

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

std::string WithLineEnds(std::string Text, bool Lf) {
  if (!Lf) return Text;
  std::string Out;
  Out.reserve(Text.size());
  for (size_t I = 0; I < Text.size(); ++I) {
    if (Text[I] == '\r' && I + 1 < Text.size() && Text[I + 1] == '\n') continue;
    Out += Text[I];
  }
  return Out;
}

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

// Where an OUT named on the command line leads.  A link to an existing file
// stands for that file: it is written through and the link stays.
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

// Resolves OUT and refuses (TFailure, naming the file) a folder, a socket and
// an existing file that the user may not write: a folder's write permission
// alone must not let anyone replace a file that is not theirs.
TOutputTarget ResolveOutput(const std::string& Name) {
  TOutputTarget T;
  T.Path = Name;
  struct stat Link {};
  if (::lstat(Name.c_str(), &Link) == 0 && S_ISLNK(Link.st_mode)) {
    if (char* Target = ::realpath(Name.c_str(), nullptr)) {
      T.Path = Target;
      std::free(Target);
    }
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

// Writes Data to the file Name whole: a device or pipe in place, anything
// else by replacing it (see ReplaceFile).  Name is resolved again here, as
// the file system may have changed while the data was being made.
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

// ---- locale, numbers, JSON ------------------------------------------------------

// Locale-free decimal forms.
std::string Fixed(double Value, int Decimals) {
  char Buffer[64];
  const auto R = std::to_chars(Buffer, Buffer + sizeof Buffer, Value, std::chars_format::fixed,
                               Decimals);
  return std::string(Buffer, R.ptr);
}

std::string Shortest(double Value) {
  char Buffer[64];
  const auto R = std::to_chars(Buffer, Buffer + sizeof Buffer, Value);
  return std::string(Buffer, R.ptr);
}

// A JSON string: UTF-8 kept, controls escaped, bytes that are not UTF-8
// (possible in file names) replaced by U+FFFD.
std::string JsonString(const std::string& Text) {
  std::string Out = "\"";
  const auto* P = reinterpret_cast<const unsigned char*>(Text.data());
  const size_t N = Text.size();
  for (size_t I = 0; I < N;) {
    const unsigned char C = P[I];
    if (C == '"' || C == '\\') {
      Out += '\\';
      Out += static_cast<char>(C);
      ++I;
    } else if (C < 0x20) {
      char Buffer[8];
      std::snprintf(Buffer, sizeof Buffer, "\\u%04x", C);
      Out += Buffer;
      ++I;
    } else if (C < 0x80) {
      Out += static_cast<char>(C);
      ++I;
    } else {
      size_t Length = 0;
      uint32_t Code = 0;
      if (C >= 0xC2 && C <= 0xDF) {
        Length = 2;
        Code = C & 0x1F;
      } else if (C >= 0xE0 && C <= 0xEF) {
        Length = 3;
        Code = C & 0x0F;
      } else if (C >= 0xF0 && C <= 0xF4) {
        Length = 4;
        Code = C & 0x07;
      }
      bool Valid = Length > 0 && I + Length <= N;
      for (size_t K = 1; Valid && K < Length; ++K) {
        Valid = (P[I + K] & 0xC0) == 0x80;
        Code = Code << 6 | (P[I + K] & 0x3F);
      }
      if (Valid)
        Valid = !(Length == 3 && (Code < 0x800 || (Code >= 0xD800 && Code <= 0xDFFF))) &&
                !(Length == 4 && (Code < 0x10000 || Code > 0x10FFFF));
      if (Valid) {
        Out.append(Text, I, Length);
        I += Length;
      } else {
        Out += "\xEF\xBF\xBD";
        ++I;
      }
    }
  }
  return Out + "\"";
}

// ---- opening -------------------------------------------------------------------

struct TOpened {
  THuffman Huffman;
  TDocument Doc;
  bool FellBack = false;
};

// The window's open road; its refusals become failures with the window's
// message, the file named.
void OpenForViews(const std::string& FileName, bool Extended, bool Lf, TOpened& Opened) {
  TOpenHooks Hooks;
  Hooks.Fallback = [&](const std::string& Message) {
    WriteStderr(WithLineEnds(Message, Lf));
  };
  TOpenResult Result;
  try {
    Result = OpenDocumentFile(FileName, Extended, Opened.Huffman, Opened.Doc,
                              LocaleDecimalSeparator(), Hooks);
  } catch (const EFOpenError& E) {
    throw TFailure{E.Message()};
  }
  switch (Result.Status) {
    case TOpenStatus::Opened:
      break;
    case TOpenStatus::Empty:
      throw TFailure{FileName + ": " + Result.Message};
    case TOpenStatus::NotFound:
      // The window names a folder as missing; here it is called what it is.
      if (struct stat Info {}; ::stat(FileName.c_str(), &Info) == 0 && S_ISDIR(Info.st_mode))
        throw TFailure{FileName + ": is a folder"};
      [[fallthrough]];
    case TOpenStatus::TooLarge:
      throw TFailure{Result.Message};
  }
  Opened.FellBack = Result.FellBack;
}

// ---- arrays in C ------------------------------------------------------------------

struct TSourceArray {
  std::string Comment;  // the Pascal comment without its "  // "
  std::string Name;
  std::vector<int64_t> Values;
};

std::vector<std::string> SplitLines(const std::string& Text) {
  std::vector<std::string> Lines;
  size_t Start = 0;
  while (Start <= Text.size()) {
    const size_t End = Text.find("\r\n", Start);
    if (End == std::string::npos) {
      Lines.push_back(Text.substr(Start));
      break;
    }
    Lines.push_back(Text.substr(Start, End - Start));
    Start = End + 2;
  }
  return Lines;
}

// Reads the two arrays back out of the Pascal source the window shows, so
// that the C arrays are that text's values, names and comments and no second
// rule decides them.
std::vector<TSourceArray> ParsePascalArrays(const std::string& Source) {
  const std::vector<std::string> Lines = SplitLines(Source);
  std::vector<TSourceArray> Arrays;
  size_t I = 0;
  const auto Broken = [] { return TFailure{"the array source could not be translated to C"}; };
  while (I < Lines.size()) {
    if (Lines[I].empty()) {
      ++I;
      continue;
    }
    TSourceArray A;
    if (!Lines[I].starts_with("  // ")) throw Broken();
    A.Comment = Lines[I].substr(5);
    if (++I >= Lines.size()) throw Broken();
    const std::string& Declaration = Lines[I];
    const size_t Colon = Declaration.find(": array[");
    if (!Declaration.starts_with("  ") || Colon == std::string::npos ||
        !Declaration.ends_with(" = ("))
      throw Broken();
    A.Name = Declaration.substr(2, Colon - 2);
    bool Closed = false;
    while (!Closed && ++I < Lines.size()) {
      std::string_view Line = Lines[I];
      if (Line.ends_with(");")) {
        Closed = true;
        Line.remove_suffix(2);
      }
      size_t Pos = 0;
      while (Pos < Line.size()) {
        while (Pos < Line.size() && (Line[Pos] == ' ' || Line[Pos] == ',')) ++Pos;
        if (Pos >= Line.size()) break;
        int64_t Value = 0;
        const auto R = std::from_chars(Line.data() + Pos, Line.data() + Line.size(), Value);
        if (R.ec != std::errc()) throw Broken();
        A.Values.push_back(Value);
        Pos = static_cast<size_t>(R.ptr - Line.data());
      }
    }
    if (!Closed || A.Values.empty()) throw Broken();
    ++I;
    Arrays.push_back(std::move(A));
  }
  if (Arrays.size() != 2) throw Broken();
  return Arrays;
}

// Text that can neither end a C comment early nor open a nested one.
std::string CommentSafe(std::string Text) {
  for (const char* Pair : {"*/", "/*"})
    for (size_t P = Text.find(Pair); P != std::string::npos; P = Text.find(Pair, P))
      Text.insert(P + 1, " ");
  for (char& C : Text)
    if (static_cast<unsigned char>(C) < 0x20) C = ' ';
  return Text;
}

std::string CArrays(const std::vector<std::string>& HeadLines,
                    const std::vector<TSourceArray>& Arrays) {
  const std::string NewLine = "\r\n";
  std::string Text;
  for (const std::string& Line : HeadLines) Text += "/* " + CommentSafe(Line) + " */" + NewLine;
  for (const TSourceArray& A : Arrays) {
    const int64_t Largest = *std::max_element(A.Values.begin(), A.Values.end());
    const char* Type = Largest < 256     ? "unsigned char"
                       : Largest < 65536 ? "unsigned short"
                                         : "unsigned long";
    Text += NewLine;
    Text += "/* " + CommentSafe(A.Comment) + " */" + NewLine;
    Text += "static const " + std::string(Type) + " " + A.Name + "[" +
            std::to_string(A.Values.size()) + "] = {" + NewLine + "  ";
    for (size_t K = 0; K < A.Values.size(); ++K) {
      Text += std::to_string(A.Values[K]);
      if (K + 1 == A.Values.size()) break;
      Text += (K + 1) % 16 == 0 ? "," + NewLine + "  " : ", ";
    }
    Text += NewLine + "};" + NewLine;
  }
  return Text;
}

// ---- commands ----------------------------------------------------------------------

int RunView(const TOptions& O) {
  const std::string& FileName = O.Operands[0];
  TOpened Opened;
  OpenForViews(FileName, O.Extended, O.Lf, Opened);
  const TDocument& Doc = Opened.Doc;
  std::string Text;
  if (O.Command == "distribution") {
    Text = Doc.Texts.HuffmanText;
  } else if (O.Command == "table") {
    Text = Doc.Texts.TableText;
  } else {
    const std::string DataName = O.Name.value_or(std::string());
    const TViewTexts Texts =
        DataName.empty() ? Doc.Texts
                         : BuildViewTexts(ExtractFileName(Doc.FileName), Doc.Scan.DataCount,
                                          Doc.Frequency, Opened.Huffman, LocaleDecimalSeparator(),
                                          DataName);
    if (O.Lang.value_or("pascal") == "pascal") {
      Text = Texts.ArrayText;
    } else {
      // The view is the head (file name, ratio, an empty line) and the source.
      const std::vector<std::string> Lines = SplitLines(Texts.ArrayText);
      const std::string Source = HuffmanArraySource(Doc.Frequency, 256, DataName);
      if (Doc.Scan.DataCount == 0 || Source.empty())
        throw TFailure{FileName + ": no Huffman code can be built: no datum 0..255 has a "
                                  "frequency above 0"};
      Text = CArrays({Lines.at(0), Lines.at(1)}, ParsePascalArrays(Source));
    }
  }
  WriteStdout(WithLineEnds(Text, O.Lf));
  return ExitSuccess;
}

struct TFigures {
  int64_t Total = 0;        // all frequencies
  int64_t CodedTotal = 0;   // frequencies of the code's leaves
  int64_t CodedBits = 0;    // sum of frequency * length
  int32_t Longest = 0;
  double Entropy = 0;       // bits per datum over the leaves
};

TFigures Figures(const TOpened& Opened) {
  TFigures F;
  for (int32_t V : Opened.Doc.Frequency) F.Total += V;
  const THuffman& H = Opened.Huffman;
  THuffmanNode Leaf{};
  for (int32_t I = 0; I < H.Count(); ++I) {
    H.GetNode(I, Leaf);
    F.CodedTotal += Leaf.Frequency;
    F.CodedBits += int64_t{Leaf.Frequency} * Leaf.BitLength;
    F.Longest = std::max(F.Longest, Leaf.BitLength);
  }
  if (F.CodedTotal > 0) {
    for (int32_t I = 0; I < H.Count(); ++I) {
      H.GetNode(I, Leaf);
      if (Leaf.Frequency <= 0) continue;
      const double P = static_cast<double>(Leaf.Frequency) / static_cast<double>(F.CodedTotal);
      F.Entropy -= P * std::log2(P);
    }
  }
  return F;
}

int RunStats(const TOptions& O) {
  const std::string& FileName = O.Operands[0];
  TOpened Opened;
  OpenForViews(FileName, O.Extended, true, Opened);
  const TDocument& Doc = Opened.Doc;
  const TFigures F = Figures(Opened);
  const bool HasCode = F.CodedTotal > 0;
  const double Average = HasCode ? static_cast<double>(F.CodedBits) / F.CodedTotal : 0;
  const double Above = Average - F.Entropy;
  const std::string Ratio = CompressionRatioText(Opened.Huffman, LocaleDecimalSeparator());
  const bool Table = O.Extended && !Opened.FellBack;
  std::string Out;
  if (O.Json) {
    const auto Number = [&](bool Present, double V) { return Present ? Shortest(V) : "null"; };
    Out += "{\"file\":" + JsonString(FileName);
    Out += ",\"mode\":\"" + std::string(Table ? "32bit" : "8bit") + "\"";
    Out += ",\"fell_back\":" + std::string(Opened.FellBack ? "true" : "false");
    Out += ",\"entries\":" + std::to_string(Doc.Frequency.size());
    Out += ",\"data_count\":" + std::to_string(Doc.Scan.DataCount);
    Out += ",\"distinct_values\":" + std::to_string(Doc.OrderCount);
    Out += ",\"total\":" + std::to_string(F.Total);
    Out += ",\"coded_total\":" + std::to_string(F.CodedTotal);
    Out += ",\"max_frequency\":" + std::to_string(Doc.Scan.MaxFrequency);
    Out += ",\"max_data\":" + std::to_string(Doc.Scan.MaxData);
    Out += ",\"average_bits\":" + Number(HasCode, Average);
    Out += ",\"compression_ratio\":" +
           Number(HasCode, static_cast<double>(F.CodedBits * 100) / (F.CodedTotal * 8.0));
    Out += ",\"compression_ratio_text\":" + (HasCode ? JsonString(Ratio) : "null");
    Out += ",\"entropy_bits\":" + Number(HasCode, F.Entropy);
    Out += ",\"above_entropy_bits\":" + Number(HasCode, Above);
    Out += ",\"longest_code\":" + (HasCode ? std::to_string(F.Longest) : "null");
    Out += ",\"data_mean\":" + std::to_string(Doc.Statistics.DataMean);
    Out += ",\"data_variance\":" + std::to_string(Doc.Statistics.DataVariance);
    Out += ",\"order_mean\":" + std::to_string(Doc.Statistics.OrderMean);
    Out += ",\"order_variance\":" + std::to_string(Doc.Statistics.OrderVariance);
    Out += "}\n";
  } else {
    const auto Line = [&](const char* Label, const std::string& Value) {
      std::string L = Label;
      L.resize(std::max<size_t>(L.size(), 19), ' ');
      Out += L + Value + "\n";
    };
    const std::string None = NoRatioText;
    Line("file:", FileName);
    Line("mode:", Table ? "32-bit frequency table" : "8-bit data (every byte a datum)");
    Line("data count:", std::to_string(Doc.Scan.DataCount));
    Line("distinct values:", std::to_string(Doc.OrderCount));
    Line("total:", std::to_string(F.Total) +
                       (F.CodedTotal != F.Total
                            ? " (" + std::to_string(F.CodedTotal) + " in the code's data 0..255)"
                            : ""));
    Line("average code:", HasCode ? Fixed(Average, 3) + " bits per datum" : None);
    Line("compression ratio:", HasCode ? Ratio + " %" : None);
    Line("entropy:", HasCode ? Fixed(F.Entropy, 3) + " bits per datum" : None);
    Line("above entropy:",
         HasCode ? Fixed(Above, 3) + " bits per datum" +
                       (F.Entropy > 0 ? " (" + Fixed(Above * 100 / F.Entropy, 1) + " %)" : "")
                 : None);
    Line("longest code:", HasCode ? std::to_string(F.Longest) + " bits" : None);
  }
  WriteStdout(Out);
  return ExitSuccess;
}

// The most input each coder command takes.  encode counts at most 2147483647
// bytes (the engine's counting refuses more); the largest input decode can
// accept is a coded form with every header field at its top: a 6-byte head,
// 256 data, 16 length counts of up to 31 bits (62 bytes) and a payload of a
// 30-bit byte count plus one partial byte.  Larger inputs are refused as the
// coder would refuse them, before they fill the memory.
constexpr int64_t MaxEncodeInput = std::numeric_limits<int32_t>::max();
constexpr int64_t MaxDecodeInput = 6 + 256 + 2 * 31 + (int64_t{1} << 30);

using TTooLarge = std::function<TFailure(int64_t Size)>;

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

// Reads a file or standard input ("-") whole into Stream, at most Limit bytes
// (see ReadBounded); a regular file larger than that is refused unread.
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

void WriteOutput(const std::string& Name, const TMemoryStream& Stream) {
  const size_t Size = static_cast<size_t>(Stream.Size());
  const void* Data = Size > 0 ? Stream.Memory() : "";
  if (Name == "-")
    WriteAll(STDOUT_FILENO, Data, Size, "standard output");
  else
    WriteFileWhole(Name, Data, Size);
}

// The file behind an operand: a named one (links followed), or a regular file
// that standard input or output ("-") was redirected from or to.
std::optional<std::pair<dev_t, ino_t>> FileIdentity(const std::string& Name, int StandardFd) {
  struct stat Info {};
  if (Name == "-") {
    if (::fstat(StandardFd, &Info) != 0 || !S_ISREG(Info.st_mode)) return std::nullopt;
  } else if (::stat(Name.c_str(), &Info) != 0) {
    return std::nullopt;
  }
  return std::pair{Info.st_dev, Info.st_ino};
}

int RunCoder(const TOptions& O) {
  const std::string& In = O.Operands[0];
  const std::string& Out = O.Operands[1];
  const std::string Shown = In == "-" ? "standard input" : In;
  const bool Encode = O.Command == "encode";
  // Nothing is read before OUT is known to be another file that can be
  // written: coding a file over itself would lose it.
  if (const auto Source = FileIdentity(In, STDIN_FILENO);
      Source && Source == FileIdentity(Out, STDOUT_FILENO))
    throw TUsageError{(In == "-" ? "standard input" : In) + " and " +
                          (Out == "-" ? "standard output" : Out) + " are the same file",
                      O.Command};
  if (struct stat Info {}; In != "-" && ::stat(In.c_str(), &Info) == 0 && S_ISDIR(Info.st_mode))
    throw TFailure{In + ": is a folder"};
  if (Out != "-")
    ResolveOutput(Out);
  else if (!O.Force && ::isatty(STDOUT_FILENO))
    throw TFailure{"standard output is a terminal: " + O.Command +
                   " writes binary data there only with --force"};
  const TTooLarge TooLarge = [&](int64_t Size) {
    if (Encode)
      return TFailure{Shown + ": " + std::to_string(Size) +
                      " bytes are more than the coder can count (2147483647 at most)"};
    return TFailure{Shown + ": Data error .  Not Huffman encoded data ."};
  };
  THuffman H;
  ReadInput(In, Encode ? MaxEncodeInput : MaxDecodeInput, TooLarge, H.InStream());
  if (Encode) {
    try {
      H.Encode();
    } catch (const ERangeError& E) {
      throw TFailure{Shown + ": too large to code: the coded and stored forms hold lengths of "
                             "30 bits, and this input needs more (" +
                     E.Message() + ")"};
    }
  } else {
    try {
      H.Decode();
    } catch (const Exception& E) {
      throw TFailure{Shown + ": " + E.Message()};
    }
  }
  // The input is no longer needed; give its memory back before writing.
  H.InStream().Clear();
  WriteOutput(Out, H.OutStream());
  return ExitSuccess;
}

int Run(int Argc, char** Argv) {
  const TOptions O = ParseArguments(Argc, Argv);
  if (O.Help || (O.Command == "help" && O.Operands.empty())) {
    const std::string& Topic = O.Command == "help" ? std::string() : O.Command;
    if (!Topic.empty() && !IsCommand(Topic)) throw TUsageError{"unknown command '" + Topic + "'", ""};
    WriteStdout(CommandHelp(Topic));
    return ExitSuccess;
  }
  if (O.Version) {
    WriteStdout(std::string(VersionText) + "\n");
    return ExitSuccess;
  }
  if (O.Command == "help") {
    if (O.Operands.size() > 1) throw TUsageError{"help takes one command", ""};
    if (!IsCommand(O.Operands[0]))
      throw TUsageError{"unknown command '" + O.Operands[0] + "'", ""};
    WriteStdout(CommandHelp(O.Operands[0]));
    return ExitSuccess;
  }
  if (IsViewCommand(O.Command)) return RunView(O);
  if (O.Command == "stats") return RunStats(O);
  return RunCoder(O);
}

}  // namespace

int main(int Argc, char** Argv) {
  for (int Signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(Signal, RemovePendingAndDie);
  try {
    const int Status = Run(Argc, Argv);
    // A delayed write error of standard output shows only here.
    if (::close(STDOUT_FILENO) != 0 && errno != EBADF && errno != EINTR)
      throw TFailure{"standard output: " + SystemError(errno)};
    return Status;
  } catch (const TUsageError& E) {
    const std::string Hint =
        E.Command.empty() ? "quorvant-cli --help" : "quorvant-cli " + E.Command + " --help";
    WriteStderr(std::string(ProgramName) + ": " + E.Message + "\nTry '" + Hint + "'.\n");
    return ExitUsage;
  } catch (const TFailure& E) {
    WriteStderr(std::string(ProgramName) + ": " + E.Message + "\n");
    return ExitFailure;
  } catch (const std::bad_alloc&) {
    WriteStderr(std::string(ProgramName) + ": out of memory\n");
    return ExitFailure;
  } catch (const Exception& E) {
    WriteStderr(std::string(ProgramName) + ": " + E.Message() + "\n");
    return ExitFailure;
  } catch (const std::exception& E) {
    WriteStderr(std::string(ProgramName) + ": " + E.what() + "\n");
    return ExitFailure;
  }
}
