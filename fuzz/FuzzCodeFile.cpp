// The code-file reader on arbitrary bytes: either a code that holds every
// promise of the reader (lengths in order and within max_bits, no datum
// twice, a Kraft sum of at most 1, written and read back unchanged), or the
// reader's own refusal naming the file.  Anything else is a fault.
#include "CodeFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

[[noreturn]] void Fault(const std::string& What) {
  std::fprintf(stderr, "FuzzCodeFile: %s\n", What.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string Text(reinterpret_cast<const char*>(Data), Size);
  TDesignedCode Code;
  try {
    Code = ParseCodeFile(Text, "fuzz.json");
  } catch (const ECodeFileError& E) {
    if (std::string(E.what()).rfind("fuzz.json: ", 0) != 0) Fault("unnamed refusal");
    return 0;
  } catch (...) {
    Fault("an exception other than the reader's refusal");
  }
  if (Code.Symbols.empty() || Code.Symbols.size() > MaxCodeSymbols) Fault("symbol count");
  std::vector<bool> Seen(MaxCodeDatum + 1, false);
  int64_t Kraft = 0;
  for (size_t K = 0; K < Code.Symbols.size(); ++K) {
    const auto& S = Code.Symbols[K];
    if (S.Datum < 0 || S.Datum > MaxCodeDatum || Seen[static_cast<size_t>(S.Datum)]) Fault("datum");
    Seen[static_cast<size_t>(S.Datum)] = true;
    if (S.Length < 1 || S.Length > Code.MaxBits || (K > 0 && S.Length < Code.Symbols[K - 1].Length))
      Fault("length");
    Kraft += int64_t{1} << (16 - S.Length);
  }
  if (Kraft > 65536) Fault("Kraft sum");
  const std::string Written = CodeFileText(Code);
  if (CodeFileText(ParseCodeFile(Written, "again")) != Written) Fault("round trip");
  const TCodeTables T = CodeTablesOfCode(Code, "");
  if (T.Symbol.size() != Code.Symbols.size() || T.CodeSymbol.size() != Code.Symbols.size())
    Fault("tables");
  return 0;
}
