// quorvant-cli's command line.  Hand-written rather than QCommandLineParser:
// that parser reports its own (translated) messages, the last problem rather
// than the first, and option names without the form given ("-json" becomes
// "j, s, o, n"), so keeping these messages would mean scanning the arguments
// here anyway.
#include "CliOptions.h"

#include "CodeTables.h"

#include <algorithm>
#include <charconv>
#include <iterator>

namespace Cli {

namespace {

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
    "                      in Pascal, or with a decoder's tables in C, C++, Rust\n"
    "                      or Python; or the code as a Verilog decoder\n"
    "  table FILE          the frequency table (view \"頻度テーブル\")\n"
    "  stats FILE          counts, average code length, compression ratio,\n"
    "                      entropy; --json for scripts\n"
    "  encode IN OUT       code IN into the engine's self-describing form\n"
    "  decode IN OUT       restore the bytes coded by encode\n"
    "  decoder [-o FILE]   a self-contained C99 decoder of encode's forms\n"
    "  decoder --code CODE.json\n"
    "                      a C99 decoder of raw bit streams under a code file\n"
    "  graph FILE -o OUT   the frequency graph as a PNG or SVG picture\n"
    "  limits FILE         what each length limit costs, repair and optimal\n"
    "  code FILE -o CODE   the code as a JSON code file other tools can read\n"
    "  evaluate --code CODE FILE\n"
    "                      how well a designed code serves other files\n"
    "  help [COMMAND]      this text, or a command's\n"
    "\n"
    "Options:\n"
    "  -h, --help          help (also after a command: quorvant-cli arrays --help)\n"
    "  --version           print \"%VERSION%\"\n"
    "\n"
    "The views, stats and graph take several FILEs (and folders with -r) as\n"
    "one corpus: their counts are summed as if the files were one.\n"
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
    "  quorvant-cli encode corpus.txt corpus.qv && quorvant-cli decode corpus.qv -\n"
    "  quorvant-cli stats -r texts/ --max-bits 11\n"
    "  quorvant-cli decoder -o qv_decode.c\n";

constexpr const char* ViewOptionsHelp =
    "  --32bit             read FILE as a table of 32-bit frequencies\n"
    "  --lf                LF line ends instead of CR LF\n";

constexpr const char* CorpusHelp =
    "  -r, --recursive     FILEs may be folders: every regular file in them,\n"
    "                      names sorted (links to folders are not entered)\n";

constexpr const char* CorpusNote =
    "Several FILEs are one corpus: the byte counts are summed as if the files\n"
    "were one (with --32bit the tables word by word), and the file name line\n"
    "reads \"ファイル名 = FIRST ほか N 件\".  Sums beyond what a 32-bit table holds\n"
    "(2147483647 in all, 1048576 a word with --32bit) are refused (exit 1).\n"
    "\n";

constexpr const char* MaxBitsHelp =
    "  --max-bits N        codes of at most N bits (from the fewest that hold\n"
    "                      the distinct values up to 16, the default)\n";

constexpr const char* LimitRuleHelp =
    "  --limit-rule R      how a code longer than the limit is shortened:\n"
    "                      repair (the builder's rule, the default) or optimal\n"
    "                      (least total coded bits within the limit)\n";

constexpr const char* FigureFormatHelp =
    "  --json              one JSON object on one line\n"
    "  --csv               comma-separated columns under a header line\n";

constexpr const char* CoderOutputHelp =
    "IN and OUT must be different files (exit 2).  An OUT that is a device or\n"
    "a named pipe is written in place; a folder, a socket or a file you may\n"
    "not write is refused.\n"
    "\n"
    "Options:\n"
    "  --force             write to standard output even when it is a terminal\n";

// The options that take no value, each setting its flag.
struct TFlag {
  const char* Name;
  bool TOptions::*Field;
};
constexpr TFlag Flags[] = {
    {"-h", &TOptions::Help},           {"--help", &TOptions::Help},
    {"--version", &TOptions::Version}, {"--32bit", &TOptions::Extended},
    {"--lf", &TOptions::Lf},           {"--json", &TOptions::Json},
    {"--force", &TOptions::Force},     {"--msb-first", &TOptions::MsbFirst},
    {"-r", &TOptions::Recursive},      {"--recursive", &TOptions::Recursive},
    {"--csv", &TOptions::Csv},
};

}  // namespace

std::optional<int> WholeNumber(const std::string& Text) {
  int Value = 0;
  const char* End = Text.data() + Text.size();
  if (Text.empty() || Text[0] == '+') return std::nullopt;
  const auto [Ptr, Error] = std::from_chars(Text.data(), End, Value);
  if (Error != std::errc() || Ptr != End) return std::nullopt;
  return Value;
}

bool BeyondWholeNumber(const std::string& Text) {
  if (Text.empty() || Text.find_first_not_of("0123456789") != std::string::npos) return false;
  int Value = 0;
  return std::from_chars(Text.data(), Text.data() + Text.size(), Value).ec ==
         std::errc::result_out_of_range;
}

std::string TooLargeValue(const std::string& Option, const std::string& Text,
                          const std::string& Most) {
  return Option + " " + Text + " is too large (at most " + Most + ")";
}

std::string CommandHelp(const std::string& Command) {
  if (Command == "distribution")
    return std::string(
               "Usage: quorvant-cli distribution FILE... [--32bit] [--lf] [-r]\n"
               "                                    [--max-bits N]\n"
               "\n"
               "Prints what the workbench's view \"ハフマン分布\" shows right after\n"
               "opening FILE: the file name, the compression ratio, and one row per\n"
               "datum that occurs (Index, Data in hexadecimal, Frequency, BitLength,\n"
               "BitPattern: the stored value written highest bit first, then \"=\" and\n"
               "that value, its last digit being the first bit sent; Parent, Left,\n"
               "Right), most frequent first.\n"
               "\n") +
           CorpusNote + "Options:\n" + ViewOptionsHelp + CorpusHelp + MaxBitsHelp + LimitRuleHelp;
  if (Command == "arrays")
    return std::string(
               "Usage: quorvant-cli arrays FILE... [--32bit] [--lf] [--name DATANAME]\n"
               "                              [--lang LANG] [--msb-first]\n"
               "                              [-r] [--max-bits N] [--limit-rule R]\n"
               "       quorvant-cli arrays --code CODE.json [--lf] [--name DATANAME]\n"
               "                              [--lang LANG] [--msb-first]\n"
               "\n"
               "Prints the code as two constant arrays, bit patterns and bit lengths,\n"
               "one entry per datum that occurs, in ascending datum order, 16 a line.\n"
               "A pattern holds the code bit-reversed: bit 0 is the first bit sent.\n"
               "C, C++ and Rust add Symbol (the datum of each entry), CodeCount (codes\n"
               "of each length 1..16) and CodeSymbol (the data in the code's table\n"
               "order): with CodeCount what a canonical decoder needs.\n"
               "\n") +
           CorpusNote + "Options:\n" + ViewOptionsHelp + CorpusHelp + MaxBitsHelp + LimitRuleHelp +
           "  --code CODE.json    the arrays of a code file (quorvant-cli code), no\n"
           "                      data read; the file name line names the code file\n"
           "  --name DATANAME     the data name in the comments (default \"データ\");\n"
           "                      \"一致長\" and \"一致位置のビット数\" name the LZ77\n"
           "                      match arrays mlPat/mlLen and diPat/diLen\n"
           "  --lang pascal       the workbench's view \"ハフマン配列\" (default)\n"
           "  --lang c            the same arrays as C/C++ static const arrays of the\n"
           "                      smallest fitting unsigned type, ready to #include;\n"
           "                      fails (exit 1) when FILE gives no code\n"
           "  --lang cpp          a C++17 header of inline constexpr std::arrays\n"
           "  --lang rust         Rust pub const arrays of u8, u16 or u32\n"
           "  --lang python       a Python 3 module of the same arrays as tuples of\n"
           "                      ints: BIT_PATTERN, BIT_LENGTH, SYMBOL, CODE_COUNT,\n"
           "                      CODE_SYMBOL\n"
           "  --lang verilog      a hardware decoder instead of arrays: one\n"
           "                      synthesizable Verilog-2001 module, NAME_decode\n"
           "                      when --name gives a C identifier, else qv_decode;\n"
           "                      combinational: window[15:0] (window[15] the first\n"
           "                      bit sent) in, symbol, length (1..16) and valid out\n"
           "  --msb-first         the patterns as sent, highest bit first, instead\n"
           "                      of bit-reversed\n";
  if (Command == "table")
    return std::string(
               "Usage: quorvant-cli table FILE... [--32bit] [--lf] [-r]\n"
               "                             [--csv [--max-bits N] [--limit-rule R]]\n"
               "\n"
               "Prints what the workbench's view \"頻度テーブル\" shows right after\n"
               "opening FILE: every datum of the table with its frequency, in decimal\n"
               "and hexadecimal (256 rows for a file, one row per word for a table).\n"
               "\n") +
           CorpusNote + "Options:\n" + ViewOptionsHelp + CorpusHelp +
           "  --csv               \"datum,frequency,bit_length,bit_pattern\", then one\n"
           "                      line per entry; the code of the distribution view,\n"
           "                      pattern digits highest first, both empty without one\n" +
           MaxBitsHelp + LimitRuleHelp;
  if (Command == "stats")
    return std::string(
               "Usage: quorvant-cli stats FILE... [--32bit] [--json] [-r] [--max-bits N]\n"
               "                             [--limit-rule R]\n"
               "\n"
               "Prints figures about FILE's distribution and its code:\n"
               "  data count         last datum with a frequency above 0, plus 1\n"
               "  distinct values    data with a frequency above 0\n"
               "  total              sum of all frequencies (bytes of a file)\n"
               "  average code       coded bits per datum\n"
               "  Kraft sum          sum of 2^-length over the codes: 1 for a complete\n"
               "                     code, 0.5 for a single value\n"
               "  compression ratio  coded size against 8 bits a datum, as the\n"
               "                     workbench shows it\n"
               "  entropy            Shannon entropy, bits per datum\n"
               "  above entropy      how far the average code lies above it\n"
               "  longest code       in bits (at most 16)\n"
               "With --max-bits, also the limit and the average code of the default\n"
               "16-bit code, so the limit's cost shows.\n"
               "The code covers data 0..255; table entries beyond count in the totals\n"
               "only.  Figures that need a code show \"---\" (null in JSON) without one.\n"
               "\n") +
           CorpusNote +
           "Options:\n"
           "  --32bit             read FILE as a table of 32-bit frequencies\n"
           "  --json              one JSON object on one line\n" +
           CorpusHelp + MaxBitsHelp + LimitRuleHelp;
  if (Command == "encode")
    return std::string(
               "Usage: quorvant-cli encode IN OUT [--force] [--max-bits N] [--limit-rule R]\n"
               "       quorvant-cli encode --code CODE.json IN OUT [--force]\n"
               "\n"
               "Codes IN with its own Huffman code into the engine's self-describing\n"
               "coded form (header, code table, payload), or into the stored form\n"
               "(header and the bytes unchanged) when coding would not make it smaller.\n"
               "\"-\" is standard input or output.  OUT appears only when complete.\n"
               "Both forms hold 30-bit lengths: inputs whose coded payload or stored\n"
               "size would reach 1 GiB cannot be coded (exit 1).  A code limited with\n"
               "--max-bits decodes with the ordinary decode.\n"
               "\n"
               "With --code, IN is coded with exactly the code of CODE.json (written by\n"
               "quorvant-cli code): always the coded form, also where the stored form\n"
               "would be smaller and for an empty IN, so files coded with one code share\n"
               "one table.  A byte that has no code refuses the whole input (exit 1,\n"
               "naming its value and offset), as does a code holding data above 255.\n") +
           CoderOutputHelp + MaxBitsHelp + LimitRuleHelp +
           "  --code CODE.json    code with this code file's code\n";
  if (Command == "decode")
    return std::string(
               "Usage: quorvant-cli decode IN OUT [--force]\n"
               "\n"
               "Restores the bytes that encode coded, from either form.  \"-\" is\n"
               "standard input or output.  Damaged input prints the reason and exits\n"
               "with 1; OUT is then neither created nor changed.\n") +
           CoderOutputHelp;
  if (Command == "decoder")
    return "Usage: quorvant-cli decoder [-o FILE]\n"
           "       quorvant-cli decoder --code CODE.json [--name NAME]\n"
           "                            [--bit-order lsb0|msb0] [-o FILE]\n"
           "\n"
           "Writes one self-contained C99 source file (only <stddef.h>, <stdint.h>\n"
           "and <string.h>; no allocation) defining\n"
           "\n"
           "  int qv_decode(const uint8_t *in, size_t in_size,\n"
           "                uint8_t *out, size_t out_capacity, size_t *out_size);\n"
           "\n"
           "which decodes both forms encode writes: 0 on success,\n"
           "QV_NOT_HUFFMAN_DATA (-1), QV_CANNOT_DECODE (-2) where decode fails, and\n"
           "QV_OUTPUT_TOO_SMALL (-3).\n"
           "\n"
           "With --code, the decoder of raw bit streams under the code of CODE.json\n"
           "(written by quorvant-cli code), the code baked in as tables:\n"
           "\n"
           "  int NAME_decode(const uint8_t *in, size_t in_bits,\n"
           "                  uint8_t *out, size_t count, size_t *used_bits);\n"
           "\n"
           "decodes exactly count symbols from the first in_bits bits of in: 0, or\n"
           "NAME_CANNOT_DECODE (-2) where the bits match no code, or NAME_TRUNCATED\n"
           "(-4) where the input ends first; *used_bits is the bits used, after an\n"
           "error where the failing code began.  A code holding data above 255\n"
           "writes uint16_t symbols instead.\n"
           "\n"
           "Options:\n"
           "  -o, --output FILE   write FILE (replaced only when complete) instead\n"
           "                      of standard output\n"
           "  --code CODE.json    a raw-stream decoder of this code file's code\n"
           "  --name NAME         with --code: the C identifier before _decode (default\n"
           "                      qv); the error macros use its upper-case form\n"
           "  --bit-order lsb0    with --code: each byte filled from bit 0 upward, as\n"
           "                      encode's payload is (the default)\n"
           "  --bit-order msb0    with --code: each byte filled from bit 7 downward\n"
           "                      (codes are sent first bit first in both)\n";
  if (Command == "graph") return GraphHelp() + CorpusHelp + MaxBitsHelp + LimitRuleHelp;
  if (Command == "limits")
    return std::string(
               "Usage: quorvant-cli limits FILE... [--32bit] [-r] [--json|--csv]\n"
               "\n"
               "What each code-length limit costs: one row per limit from 16 down to\n"
               "the fewest bits that hold the distinct values, with the data's total\n"
               "coded bits (header excluded) under the repair rule and under the optimal\n"
               "rule, both as averages in bits per datum, and the data's entropy.\n"
               "The code covers data 0..255; without data there are no rows.\n"
               "\n") +
           CorpusNote +
           "Options:\n"
           "  --32bit             read FILE as a table of 32-bit frequencies\n" +
           CorpusHelp + FigureFormatHelp;
  if (Command == "code")
    return std::string(
               "Usage: quorvant-cli code FILE... -o CODE.json [--32bit] [-r] [--max-bits N]\n"
               "                             [--limit-rule R]\n"
               "\n"
               "Writes the code of FILE's table as a JSON code file that other tools can\n"
               "read without Quorvant:\n"
               "\n"
               "  {\"format\":\"quorvant-code\",\"version\":1,\"max_bits\":16,\n"
               "   \"limit_rule\":\"repair\",\"files\":[\"a.txt\"],\"total\":11,\n"
               "   "
               "\"symbols\":[{\"datum\":97,\"frequency\":5,\"bit_length\":1,\"code\":\"0\"},...]}\n"
               "\n"
               "symbols holds every datum that has a code in the code's table order\n"
               "(non-decreasing bit_length); code is the canonical code of those lengths\n"
               "in that order, first bit sent first.  evaluate --code, encode --code and\n"
               "arrays --code read it back (frequency and code are optional there).\n"
               "\n") +
           CorpusNote +
           "Options:\n"
           "  -o, --output CODE   the file to write (replaced only when complete, never\n"
           "                      an input); \"-\" writes to standard output\n"
           "  --32bit             read FILE as a table of 32-bit frequencies\n" +
           CorpusHelp + MaxBitsHelp + LimitRuleHelp;
  if (Command == "evaluate")
    return std::string(
               "Usage: quorvant-cli evaluate --code CODE.json FILE... [-r] [--json|--csv]\n"
               "       quorvant-cli evaluate --table TABLE.bin FILE... [-r] [--max-bits N]\n"
               "                             [--limit-rule R] [--json|--csv]\n"
               "\n"
               "How well a designed code serves other files: for each FILE on its own,\n"
               "then a row (total) of the sums, the bytes, the payload bits under the\n"
               "code (coded_bits: the bytes that have a code), under the file's own code\n"
               "with the same limit and rule (own_bits), the file's entropy times its\n"
               "size, the overhead 100 x (coded_bits / own_bits - 1) in percent, the\n"
               "bytes whose value has no code (uncodable) and their values, and the size\n"
               "encode --code would write (coded_bytes; none with uncodable bytes).\n"
               "Uncodable bytes are reported, not refused: the exit status stays 0.\n"
               "\n"
               "Options:\n"
               "  --code CODE.json    a code file (quorvant-cli code)\n"
               "  --table TABLE.bin   a 32-bit frequency table, coded as the workbench\n"
               "                      codes it (with --max-bits and --limit-rule)\n") +
           CorpusHelp + MaxBitsHelp + LimitRuleHelp + FigureFormatHelp;
  std::string Text = MainHelp;
  const std::string Mark = "%VERSION%";
  Text.replace(Text.find(Mark), Mark.size(), QuorvantVersionText);
  return Text;
}

bool IsViewCommand(const std::string& C) {
  return C == "distribution" || C == "arrays" || C == "table";
}

bool IsCorpusCommand(const std::string& C) {
  return IsViewCommand(C) || C == "stats" || C == "graph" || C == "limits" || C == "code";
}

bool IsCommand(const std::string& C) {
  return IsCorpusCommand(C) || C == "evaluate" || C == "encode" || C == "decode" ||
         C == "decoder" || C == "help";
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
    if (const auto Flag = std::find_if(std::begin(Flags), std::end(Flags),
                                       [&](const TFlag& F) { return Name == F.Name; });
        Flag != std::end(Flags)) {
      NoValue();
      O.*(Flag->Field) = true;
    } else if (Name == "--name") {
      O.Name = TakeValue();
    } else if (Name == "--lang") {
      O.Lang = TakeValue();
      if (*O.Lang != "pascal" && *O.Lang != "c" && *O.Lang != "cpp" && *O.Lang != "rust" &&
          *O.Lang != "python" && *O.Lang != "verilog")
        throw TUsageError{
            "--lang takes pascal, c, cpp, rust, python or verilog, not '" + *O.Lang + "'",
            "arrays"};
    } else if (Name == "--bit-order") {
      O.BitOrder = TakeValue();
      if (*O.BitOrder != "lsb0" && *O.BitOrder != "msb0")
        throw TUsageError{"--bit-order takes lsb0 or msb0, not '" + *O.BitOrder + "'", O.Command};
    } else if (Name == "--limit-rule") {
      O.LimitRule = TakeValue();
      if (*O.LimitRule != "repair" && *O.LimitRule != "optimal")
        throw TUsageError{"--limit-rule takes repair or optimal, not '" + *O.LimitRule + "'",
                          O.Command};
    } else if (Name == "--code") {
      O.CodeFile = TakeValue();
    } else if (Name == "--table") {
      O.TableFile = TakeValue();
    } else if (Name == "-o" || Name == "--output") {
      O.Output = TakeValue();
    } else if (Name == "--max-bits") {
      const std::string Text = TakeValue();
      if (BeyondWholeNumber(Text)) throw TUsageError{TooLargeValue(Name, Text, "16"), O.Command};
      const auto Bits = WholeNumber(Text);
      if (!Bits || *Bits < 1 || *Bits > 16)
        throw TUsageError{"--max-bits takes a number of bits up to 16, not '" + Text + "'",
                          O.Command};
      O.MaxBits = *Bits;
    } else if (IsGraphOption(Name)) {
      ReadGraphOption(Name, Value.has_value(), TakeValue, O.Graph);
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
    // The designer's commands and the options that came with them.
    if (O.Command == "limits")
      return Option == "--32bit" || Option == "-r" || Option == "--recursive" ||
             Option == "--json" || Option == "--csv";
    if (O.Command == "code")
      return Option == "--32bit" || Option == "-r" || Option == "--recursive" ||
             Option == "--max-bits" || Option == "--limit-rule" || Option == "-o" ||
             Option == "--output";
    if (O.Command == "evaluate")
      return Option == "--code" || Option == "--table" || Option == "-r" ||
             Option == "--recursive" || Option == "--max-bits" || Option == "--limit-rule" ||
             Option == "--json" || Option == "--csv";
    if (Option == "--code")
      return O.Command == "encode" || O.Command == "arrays" || O.Command == "decoder";
    if (O.Command == "table" && (Option == "--max-bits" || Option == "--limit-rule"))
      return O.Csv;  // only the CSV shows a code
    if (Option == "--limit-rule") return IsCorpusCommand(O.Command) || O.Command == "encode";
    if (IsViewCommand(O.Command) && (Option == "--32bit" || Option == "--lf")) return true;
    if (O.Command == "arrays" &&
        (Option == "--name" || Option == "--lang" || Option == "--msb-first"))
      return true;
    if (O.Command == "stats" && (Option == "--32bit" || Option == "--json")) return true;
    if (IsCorpusCommand(O.Command) && (Option == "-r" || Option == "--recursive")) return true;
    if (O.Command == "table" && Option == "--csv") return true;
    if (Option == "--max-bits" && (IsCorpusCommand(O.Command) || O.Command == "encode"))
      return true;
    if ((O.Command == "encode" || O.Command == "decode") && Option == "--force") return true;
    if (O.Command == "decoder" &&
        (Option == "-o" || Option == "--output" || Option == "--name" || Option == "--bit-order"))
      return true;
    if (O.Command == "graph" && (Option == "--32bit" || IsGraphOption(Option))) return true;
    return false;
  };
  for (const std::string& Option : Given)
    if (!Allowed(Option))
      throw TUsageError{"option " + Option + " does not apply to " + O.Command, O.Command};
  const auto WasGiven = [&](const std::string& Option) {
    return std::find(Given.begin(), Given.end(), Option) != Given.end();
  };
  // Options that only make sense together, or not at all together.
  if (O.Json && O.Csv) throw TUsageError{"--json and --csv exclude each other", O.Command};
  if (O.Command == "code" && !O.Output)
    throw TUsageError{"code needs -o CODE.json (\"-o -\" writes to standard output)", O.Command};
  if (O.Command == "evaluate" && O.CodeFile.has_value() == O.TableFile.has_value())
    throw TUsageError{"evaluate takes either --code CODE.json or --table TABLE.bin", O.Command};
  if (O.CodeFile && (O.MaxBits || O.LimitRule))
    throw TUsageError{
        "--max-bits and --limit-rule do not apply with --code: the code file "
        "fixes the code",
        O.Command};
  if (O.Command == "arrays" && O.CodeFile)
    for (const char* Option : {"--32bit", "-r", "--recursive"})
      if (WasGiven(Option))
        throw TUsageError{std::string("option ") + Option + " does not apply to arrays --code",
                          O.Command};
  if (O.Command == "decoder" && !O.CodeFile)
    for (const char* Option : {"--name", "--bit-order"})
      if (WasGiven(Option))
        throw TUsageError{std::string("option ") + Option + " applies to decoder --code only",
                          O.Command};
  if (O.Command == "decoder" && O.Name && !IsCIdentifier(*O.Name))
    throw TUsageError{"--name takes a C identifier for the decoder, not '" + *O.Name + "'",
                      O.Command};
  const bool NoFiles = O.Command == "decoder" || (O.Command == "arrays" && O.CodeFile);
  const size_t Wanted = O.Command == "encode" || O.Command == "decode" ? 2 : NoFiles ? 0 : 1;
  if (O.Operands.size() < Wanted)
    throw TUsageError{Wanted == 2 ? O.Command + " needs IN and OUT" : O.Command + " needs a FILE",
                      O.Command};
  if (O.Operands.size() > Wanted &&
      ((!IsCorpusCommand(O.Command) && O.Command != "evaluate") || NoFiles))
    throw TUsageError{"unexpected operand '" + O.Operands[Wanted] + "'", O.Command};
  if (IsCorpusCommand(O.Command) || O.Command == "evaluate")
    for (const std::string& Operand : O.Operands)
      if (Operand == "-")
        throw TUsageError{O.Command + " reads a file, not standard input", O.Command};
  return O;
}

}  // namespace Cli
