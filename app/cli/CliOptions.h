// quorvant-cli's command line: the commands, their options and the help texts.
#pragma once

#include "CliGraph.h"
#include "Document.h"

#include <optional>
#include <string>
#include <vector>

namespace Cli {

inline constexpr const char* ProgramName = "quorvant-cli";
inline constexpr const char* VersionText = QuorvantVersionText;
// The version alone, as the generated decoder names it.
inline constexpr const char* VersionNumber = "1.0";

// Exit codes: 0 success, 1 bad data or an I/O failure (message on standard
// error, naming the file), 2 a usage error.
enum : int { ExitSuccess = 0, ExitFailure = 1, ExitUsage = 2 };

// A usage error: the message, then a hint at --help; exit 2.
struct TUsageError {
  std::string Message;
  std::string Command;  // whose help to point at; empty: the program's
};

// A command line as given.  After ParseArguments: either Help or Version, or
// Command is "help" (Operands: at most the topic, checked by the caller), or
// Command is one of the working commands with exactly its operands (one or
// more FILEs for the corpus commands and evaluate, IN and OUT for encode
// and decode, none for decoder and arrays --code) and only the options it
// takes.
struct TOptions {
  std::string Command;
  std::vector<std::string> Operands;
  bool Help = false;
  bool Version = false;
  bool Extended = false;  // --32bit
  bool Lf = false;
  bool Json = false;
  bool Force = false;  // binary output even to a terminal
  std::optional<std::string> Name;
  std::optional<std::string> Lang;  // "pascal", "c", "cpp", "rust", "python", "verilog"
  bool MsbFirst = false;            // arrays: the codes as sent
  bool Recursive = false;           // -r: folders among the FILEs
  bool Csv = false;                 // table as CSV
  // --max-bits: 1..16 here; the lower bound the data set is checked later.
  std::optional<int> MaxBits;
  std::optional<std::string> LimitRule;  // --limit-rule: "repair" or "optimal"
  std::optional<std::string> CodeFile;   // --code CODE.json
  std::optional<std::string> BitOrder;   // decoder --bit-order: "lsb0" or "msb0"
  std::optional<std::string> TableFile;  // --table TABLE.bin
  std::optional<std::string> Output;     // decoder, code -o FILE
  TGraphOptions Graph;                   // graph's options (CliGraph.h)
};

// distribution, arrays, table: the window's views.
bool IsViewCommand(const std::string& Command);
// The views, stats, graph, limits and code: the commands that read a corpus
// of FILEs as one.
bool IsCorpusCommand(const std::string& Command);
// The corpus commands, evaluate, encode, decode, decoder and help.
bool IsCommand(const std::string& Command);

// Reads Argv[1..Argc-1]: options anywhere ("--name=V" or "--name V"), "--"
// ends them, "-" is an operand.  Raises TUsageError for the first problem met
// in argument order, then for options a command does not take and for
// missing or extra operands.
TOptions ParseArguments(int Argc, char** Argv);

// Decimal digits with an optional leading minus that fit an int, else none
// (no sign "+", no spaces): the numbers of the options.
std::optional<int> WholeNumber(const std::string& Text);
// True for decimal digits alone (no sign) whose value is beyond an int: a
// value the user meant as a number, too large rather than malformed.
bool BeyondWholeNumber(const std::string& Text);
// The usage message for such a value: "Option Text is too large (at most
// Most)".
std::string TooLargeValue(const std::string& Option, const std::string& Text,
                          const std::string& Most);

// The help of Command (a working command), else the program's.
std::string CommandHelp(const std::string& Command);

}  // namespace Cli
