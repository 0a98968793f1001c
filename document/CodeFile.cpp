// The code file: writing it, and reading it back with every check.
//
// The reader never builds a tree of the whole document: it first checks the
// text is JSON (no allocation, nesting bounded), then takes the top level's
// known keys as spans of the text and reads each by what it must hold.  So
// the memory stays about the file's size whatever the file holds, and the
// problem reported first is the one that matters most (not JSON, another
// format, a newer version, then the fields in a fixed order).
#include "CodeFile.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <limits>
#include <utility>

namespace {

// The length of the well-formed UTF-8 sequence at Text[P], 0 when none
// starts there (overlong forms, surrogates and values past U+10FFFF count
// as none).
size_t Utf8SequenceLength(std::string_view Text, size_t P) {
  const auto Byte = [&](size_t I) { return static_cast<unsigned char>(Text[I]); };
  const unsigned char C = Byte(P);
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
  if (Length == 0 || P + Length > Text.size()) return 0;
  for (size_t K = 1; K < Length; ++K) {
    if ((Byte(P + K) & 0xC0) != 0x80) return 0;
    Code = Code << 6 | (Byte(P + K) & 0x3F);
  }
  if ((Length == 3 && (Code < 0x800 || (Code >= 0xD800 && Code <= 0xDFFF))) ||
      (Length == 4 && (Code < 0x10000 || Code > 0x10FFFF)))
    return 0;
  return Length;
}

constexpr int32_t MaxDepth = 64;

// A problem with the file; the reader adds the file's name.
struct TProblem {
  std::string Text;
};

[[noreturn]] void Fail(std::string Text) { throw TProblem{std::move(Text)}; }

std::string Quoted(std::string_view Text) { return JsonString(std::string(Text)); }

// A cursor over JSON text.
class TJson {
public:
  TJson(std::string_view Text, size_t Offset = 0) : FText(Text), FPos(Offset) {}
  size_t Pos() const { return FPos; }
  bool AtEnd() {
    SkipSpace();
    return FPos >= FText.size();
  }
  char Peek() {
    SkipSpace();
    return FPos < FText.size() ? FText[FPos] : '\0';
  }
  void Expect(char C) {
    if (Peek() != C) Syntax(std::string("expected '") + C + "'");
    ++FPos;
  }
  bool Take(char C) {
    if (Peek() != C) return false;
    ++FPos;
    return true;
  }

  // Checks one value of any kind and moves past it.
  void SkipValue(int32_t Depth = 0) {
    if (Depth > MaxDepth) Syntax("nested more than 64 deep");
    switch (Peek()) {
      case '{':
        ++FPos;
        if (Take('}')) return;
        do {
          if (Peek() != '"') Syntax("expected a key");
          String();
          Expect(':');
          SkipValue(Depth + 1);
        } while (Take(','));
        Expect('}');
        return;
      case '[':
        ++FPos;
        if (Take(']')) return;
        do SkipValue(Depth + 1);
        while (Take(','));
        Expect(']');
        return;
      case '"': String(); return;
      case 't': Word("true"); return;
      case 'f': Word("false"); return;
      case 'n': Word("null"); return;
      default: Number(); return;
    }
  }

  // A string's decoded UTF-8 text.
  std::string String() {
    Expect('"');
    std::string Out;
    for (;;) {
      if (FPos >= FText.size()) Syntax("a string does not end");
      const unsigned char C = static_cast<unsigned char>(FText[FPos]);
      if (C == '"') {
        ++FPos;
        return Out;
      }
      if (C < 0x20) Syntax("a control character in a string");
      if (C == '\\') {
        ++FPos;
        Escape(Out);
        continue;
      }
      if (C < 0x80) {
        Out += static_cast<char>(C);
        ++FPos;
        continue;
      }
      const size_t Length = Utf8Length(FPos);
      if (Length == 0) Syntax("text that is not UTF-8");
      Out.append(FText.substr(FPos, Length));
      FPos += Length;
    }
  }

  // A number's literal text (checked against JSON's grammar).
  std::string_view Number() {
    SkipSpace();
    const size_t Start = FPos;
    if (Has('-')) ++FPos;
    if (Has('0')) {
      ++FPos;
    } else if (Digit()) {
      while (Digit()) ++FPos;
    } else {
      Syntax("expected a value");
    }
    if (Has('.')) {
      ++FPos;
      if (!Digit()) Syntax("a number without digits after '.'");
      while (Digit()) ++FPos;
    }
    if (Has('e') || Has('E')) {
      ++FPos;
      if (Has('+') || Has('-')) ++FPos;
      if (!Digit()) Syntax("a number without exponent digits");
      while (Digit()) ++FPos;
    }
    return FText.substr(Start, FPos - Start);
  }

  [[noreturn]] void Syntax(const std::string& What) const {
    Fail("not JSON: " + What + " at byte " + std::to_string(FPos + 1));
  }

private:
  void SkipSpace() {
    while (FPos < FText.size() && (FText[FPos] == ' ' || FText[FPos] == '\t' ||
                                   FText[FPos] == '\n' || FText[FPos] == '\r'))
      ++FPos;
  }
  bool Has(char C) const { return FPos < FText.size() && FText[FPos] == C; }
  bool Digit() const { return FPos < FText.size() && FText[FPos] >= '0' && FText[FPos] <= '9'; }
  void Word(std::string_view W) {
    if (FText.substr(FPos, W.size()) != W) Syntax("expected a value");
    FPos += W.size();
  }

  size_t Utf8Length(size_t P) const { return Utf8SequenceLength(FText, P); }

  uint32_t Hex4() {
    uint32_t V = 0;
    for (int K = 0; K < 4; ++K, ++FPos) {
      if (FPos >= FText.size()) Syntax("a short \\u escape");
      const char C = FText[FPos];
      const int D = C >= '0' && C <= '9'   ? C - '0'
                    : C >= 'a' && C <= 'f' ? C - 'a' + 10
                    : C >= 'A' && C <= 'F' ? C - 'A' + 10
                                           : -1;
      if (D < 0) Syntax("a bad \\u escape");
      V = V << 4 | static_cast<uint32_t>(D);
    }
    return V;
  }

  void Escape(std::string& Out) {
    if (FPos >= FText.size()) Syntax("a string does not end");
    const char C = FText[FPos++];
    switch (C) {
      case '"': Out += '"'; return;
      case '\\': Out += '\\'; return;
      case '/': Out += '/'; return;
      case 'b': Out += '\b'; return;
      case 'f': Out += '\f'; return;
      case 'n': Out += '\n'; return;
      case 'r': Out += '\r'; return;
      case 't': Out += '\t'; return;
      case 'u': break;
      default: --FPos; Syntax("a bad escape");
    }
    uint32_t Code = Hex4();
    if (Code >= 0xDC00 && Code <= 0xDFFF) Syntax("a lone low surrogate");
    if (Code >= 0xD800 && Code <= 0xDBFF) {
      if (FText.substr(FPos, 2) != "\\u") Syntax("a lone high surrogate");
      FPos += 2;
      const uint32_t Low = Hex4();
      if (Low < 0xDC00 || Low > 0xDFFF) Syntax("a lone high surrogate");
      Code = 0x10000 + ((Code - 0xD800) << 10) + (Low - 0xDC00);
    }
    if (Code < 0x80) {
      Out += static_cast<char>(Code);
    } else if (Code < 0x800) {
      Out += static_cast<char>(0xC0 | Code >> 6);
      Out += static_cast<char>(0x80 | (Code & 0x3F));
    } else if (Code < 0x10000) {
      Out += static_cast<char>(0xE0 | Code >> 12);
      Out += static_cast<char>(0x80 | (Code >> 6 & 0x3F));
      Out += static_cast<char>(0x80 | (Code & 0x3F));
    } else {
      Out += static_cast<char>(0xF0 | Code >> 18);
      Out += static_cast<char>(0x80 | (Code >> 12 & 0x3F));
      Out += static_cast<char>(0x80 | (Code >> 6 & 0x3F));
      Out += static_cast<char>(0x80 | (Code & 0x3F));
    }
  }

  std::string_view FText;
  size_t FPos;
};

// The kind of a value from its first character, for messages.
std::string KindOf(char C) {
  switch (C) {
    case '{': return "an object";
    case '[': return "an array";
    case '"': return "a string";
    case 't':
    case 'f': return "a boolean";
    case 'n': return "null";
    default: return "a number";
  }
}

// A whole number within Low..High at the cursor; Where names it.
int64_t WholeAt(TJson& J, const std::string& Where, int64_t Low, int64_t High) {
  if (const char C = J.Peek(); C != '-' && (C < '0' || C > '9'))
    Fail(Where + " must be a whole number, not " + KindOf(C));
  const std::string_view Literal = J.Number();
  int64_t Value = 0;
  const auto [End, Error] = std::from_chars(Literal.data(), Literal.data() + Literal.size(), Value);
  if (End != Literal.data() + Literal.size())
    Fail(Where + " must be a whole number, not " + std::string(Literal));
  if (Error != std::errc() || Value < Low || Value > High)
    Fail(Where + " " + std::string(Literal) + " is outside " + std::to_string(Low) + ".." +
         std::to_string(High));
  return Value;
}

std::string StringAt(TJson& J, const std::string& Where) {
  if (const char C = J.Peek(); C != '"') Fail(Where + " must be a string, not " + KindOf(C));
  return J.String();
}

// The top level's keys, in the order their values are checked.
constexpr std::array<const char*, 7> TopKeys = {"format", "version", "max_bits", "limit_rule",
                                                "files",  "total",   "symbols"};

TDesignedCode Parse(std::string_view Text) {
  {
    TJson Check(Text);
    Check.SkipValue();
    if (!Check.AtEnd()) Check.Syntax("text after the document");
  }
  TJson J(Text);
  if (J.Peek() != '{')
    Fail("not a Quorvant code file: the document is " + KindOf(J.Peek()) + ", not an object");
  // Where each known key's value starts; the first unknown key.
  std::array<std::optional<size_t>, TopKeys.size()> At;
  std::optional<std::string> Unknown;
  J.Expect('{');
  if (!J.Take('}')) do {
      const std::string Key = J.String();
      J.Expect(':');
      const auto Known =
          std::find_if(TopKeys.begin(), TopKeys.end(), [&](const char* K) { return Key == K; });
      if (Known == TopKeys.end()) {
        if (!Unknown) Unknown = Key;
      } else {
        auto& Slot = At[static_cast<size_t>(Known - TopKeys.begin())];
        if (Slot) Fail("key " + Quoted(Key) + " appears twice");
        Slot = J.Pos();
      }
      J.SkipValue();
    } while (J.Take(','));
  const auto Value = [&](size_t K) {
    if (!At[K]) Fail(std::string("the key \"") + TopKeys[K] + "\" is missing");
    return TJson(Text, *At[K]);
  };
  TDesignedCode Code;
  {
    if (!At[0]) Fail("not a Quorvant code file: it has no \"format\"");
    TJson V = Value(0);
    if (V.Peek() != '"' || V.String() != "quorvant-code") {
      TJson Again = Value(0);
      const std::string Shown = Again.Peek() == '"' ? Quoted(Again.String()) : KindOf(Again.Peek());
      Fail("not a Quorvant code file: \"format\" is " + Shown + ", not \"quorvant-code\"");
    }
  }
  {
    TJson V = Value(1);
    const int64_t Version = WholeAt(V, "\"version\"", 0, std::numeric_limits<int64_t>::max());
    if (Version < 1) Fail("\"version\" " + std::to_string(Version) + " is not a version (1)");
    if (Version > CodeFileVersion)
      Fail("\"version\" " + std::to_string(Version) + " is newer than this program reads (" +
           std::to_string(CodeFileVersion) + ")");
  }
  if (Unknown) Fail("unknown key " + Quoted(*Unknown));
  {
    TJson V = Value(2);
    Code.MaxBits = static_cast<int32_t>(WholeAt(V, "\"max_bits\"", 1, 16));
  }
  {
    TJson V = Value(3);
    Code.LimitRule = StringAt(V, "\"limit_rule\"");
    if (!LimitRuleOf(Code.LimitRule))
      Fail("\"limit_rule\" is " + Quoted(Code.LimitRule) + ", not \"repair\" or \"optimal\"");
  }
  {
    TJson V = Value(4);
    if (V.Peek() != '[') Fail("\"files\" must be an array, not " + KindOf(V.Peek()));
    V.Expect('[');
    if (!V.Take(']')) {
      do
        Code.Files.push_back(
            StringAt(V, "\"files\" entry " + std::to_string(Code.Files.size() + 1)));
      while (V.Take(','));
    }
  }
  {
    TJson V = Value(5);
    Code.Total = WholeAt(V, "\"total\"", 0, std::numeric_limits<int64_t>::max());
  }
  TJson V = Value(6);
  if (V.Peek() != '[') Fail("\"symbols\" must be an array, not " + KindOf(V.Peek()));
  V.Expect('[');
  if (V.Take(']')) Fail("\"symbols\" is empty: a code needs at least one symbol");
  // Symbol of each datum seen (1-based), for "twice".
  std::vector<int32_t> SymbolOf(MaxCodeDatum + 1, 0);
  std::vector<std::optional<std::string>> Codes;  // as given
  do {
    if (Code.Symbols.size() == static_cast<size_t>(MaxCodeSymbols))
      Fail("more than " + std::to_string(MaxCodeSymbols) + " symbols");
    const std::string Where = "symbol " + std::to_string(Code.Symbols.size() + 1);
    if (V.Peek() != '{') Fail(Where + " must be an object, not " + KindOf(V.Peek()));
    V.Expect('{');
    std::optional<int64_t> Datum, Length, Frequency;
    std::optional<std::string> Sent;
    if (!V.Take('}')) do {
        const std::string Key = V.String();
        V.Expect(':');
        const auto Once = [&](bool Seen) {
          if (Seen) Fail(Where + ": key " + Quoted(Key) + " appears twice");
        };
        if (Key == "datum") {
          Once(Datum.has_value());
          Datum = WholeAt(V, Where + ": datum", 0, MaxCodeDatum);
        } else if (Key == "bit_length") {
          Once(Length.has_value());
          Length = WholeAt(V, Where + ": bit_length", 1, 16);
        } else if (Key == "frequency") {
          Once(Frequency.has_value());
          Frequency = WholeAt(V, Where + ": frequency", 0, std::numeric_limits<int64_t>::max());
        } else if (Key == "code") {
          Once(Sent.has_value());
          Sent = StringAt(V, Where + ": code");
        } else {
          Fail(Where + ": unknown key " + Quoted(Key));
        }
      } while (V.Take(','));
    V.Expect('}');
    if (!Datum) Fail(Where + ": the key \"datum\" is missing");
    if (!Length) Fail(Where + ": the key \"bit_length\" is missing");
    if (*Length > Code.MaxBits)
      Fail(Where + ": bit_length " + std::to_string(*Length) + " is above max_bits " +
           std::to_string(Code.MaxBits));
    if (!Code.Symbols.empty() && *Length < Code.Symbols.back().Length)
      Fail(Where + ": bit_length " + std::to_string(*Length) + " is shorter than the " +
           std::to_string(Code.Symbols.back().Length) +
           " before it (symbols come in non-decreasing bit_length)");
    int32_t& First = SymbolOf[static_cast<size_t>(*Datum)];
    if (First != 0)
      Fail(Where + ": datum " + std::to_string(*Datum) + " appears twice (also symbol " +
           std::to_string(First) + ")");
    First = static_cast<int32_t>(Code.Symbols.size() + 1);
    Code.Symbols.push_back(
        {static_cast<int32_t>(*Datum), static_cast<int32_t>(*Length), Frequency});
    Codes.push_back(std::move(Sent));
  } while (V.Take(','));
  // Kraft sum in units of 2^-16: at most 10240 * 2^15, no overflow.
  int64_t Kraft = 0;
  for (const auto& S : Code.Symbols) Kraft += int64_t{1} << (16 - S.Length);
  if (Kraft > 65536) {
    char Sum[32];
    std::snprintf(Sum, sizeof Sum, "%.6g", static_cast<double>(Kraft) / 65536.0);
    Fail(std::string("the bit lengths are no prefix code's: their Kraft sum is ") + Sum +
         ", above 1");
  }
  const std::vector<std::string> Canonical = CanonicalCodeTexts(Code);
  for (size_t K = 0; K < Codes.size(); ++K)
    if (Codes[K] && *Codes[K] != Canonical[K])
      Fail("symbol " + std::to_string(K + 1) + ": code " + Quoted(*Codes[K]) +
           " is not the canonical code " + Quoted(Canonical[K]) +
           " of the bit lengths in this order");
  return Code;
}

}  // namespace

std::string LimitRuleName(TLimitRule Rule) {
  return Rule == TLimitRule::Optimal ? "optimal" : "repair";
}

std::optional<TLimitRule> LimitRuleOf(std::string_view Name) {
  if (Name == "repair") return TLimitRule::Repair;
  if (Name == "optimal") return TLimitRule::Optimal;
  return std::nullopt;
}

std::optional<TDesignedCode> DesignCode(std::span<const int32_t> Frequency, int32_t MaxBits,
                                        TLimitRule Rule, std::vector<std::string> Files) {
  const auto Tables = CodeTablesOf(Frequency, 256, std::string(), MaxBits, Rule);
  if (!Tables) return std::nullopt;
  TDesignedCode Code;
  Code.MaxBits = MaxBits;
  Code.LimitRule = LimitRuleName(Rule);
  Code.Files = std::move(Files);
  for (size_t I = 0; I < std::min<size_t>(Frequency.size(), 256); ++I)
    if (Frequency[I] > 0) Code.Total += Frequency[I];
  // Length and frequency by datum, then the data in table order.
  std::array<int32_t, 256> Length{};
  for (size_t J = 0; J < Tables->Symbol.size(); ++J) Length[Tables->Symbol[J]] = Tables->Length[J];
  for (const uint16_t D : Tables->CodeSymbol)
    Code.Symbols.push_back({D, Length[D], int64_t{Frequency[D]}});
  return Code;
}

std::vector<std::string> CanonicalCodeTexts(const TDesignedCode& Code) {
  std::vector<std::string> Texts;
  Texts.reserve(Code.Symbols.size());
  // The canonical code: consecutive values within a length, each length's
  // first value the last one's successor shifted left.
  uint32_t Value = 0;
  int32_t Length = 0;
  for (size_t K = 0; K < Code.Symbols.size(); ++K) {
    const int32_t L = Code.Symbols[K].Length;
    if (K == 0) {
      Value = 0;
    } else {
      Value = (Value + 1) << (L - Length);
    }
    Length = L;
    Texts.push_back(BinaryDigits(static_cast<int32_t>(Value), L));
  }
  return Texts;
}

std::string CodeFileText(const TDesignedCode& Code) {
  std::string Text =
      "{\"format\":\"quorvant-code\",\"version\":" + std::to_string(CodeFileVersion) +
      ",\"max_bits\":" + std::to_string(Code.MaxBits) +
      ",\"limit_rule\":" + JsonString(Code.LimitRule) + ",\n \"files\":[";
  for (size_t I = 0; I < Code.Files.size(); ++I)
    Text += std::string(I > 0 ? "," : "") + JsonString(Code.Files[I]);
  Text += "],\"total\":" + std::to_string(Code.Total) + ",\n \"symbols\":[";
  const std::vector<std::string> Sent = CanonicalCodeTexts(Code);
  for (size_t K = 0; K < Code.Symbols.size(); ++K) {
    const auto& S = Code.Symbols[K];
    Text += std::string(K > 0 ? ",\n  " : "\n  ") + "{\"datum\":" + std::to_string(S.Datum);
    if (S.Frequency) Text += ",\"frequency\":" + std::to_string(*S.Frequency);
    Text += ",\"bit_length\":" + std::to_string(S.Length) + ",\"code\":\"" + Sent[K] + "\"}";
  }
  Text += "]}\n";
  return Text;
}

TDesignedCode ParseCodeFile(std::string_view Text, const std::string& Name) {
  try {
    return Parse(Text);
  } catch (const TProblem& P) {
    throw ECodeFileError(Name + ": " + P.Text);
  } catch (const ERangeError& E) {
    throw ECodeFileError(Name + ": " + E.Message());
  }
}

TDesignedCode ReadCodeFile(const std::string& Path) {
  struct stat Info {};
  if (::stat(Path.c_str(), &Info) != 0) throw ECodeFileError(Path + ": no such file");
  if (S_ISDIR(Info.st_mode)) throw ECodeFileError(Path + ": is a folder");
  if (S_ISREG(Info.st_mode) && Info.st_size > MaxCodeFileBytes)
    throw ECodeFileError(Path + ": larger than 16 MiB: not a code file");
  std::ifstream In(Path, std::ios::binary);
  if (!In) throw ECodeFileError(Path + ": cannot be read");
  // Read with the bound, so a pipe or a growing file cannot exceed it.
  std::string Text;
  char Block[65536];
  while (In.read(Block, sizeof Block) || In.gcount() > 0) {
    Text.append(Block, static_cast<size_t>(In.gcount()));
    if (static_cast<int64_t>(Text.size()) > MaxCodeFileBytes)
      throw ECodeFileError(Path + ": larger than 16 MiB: not a code file");
  }
  if (In.bad()) throw ECodeFileError(Path + ": cannot be read");
  return ParseCodeFile(Text, Path);
}

TCodeTables CodeTablesOfCode(const TDesignedCode& Code, const std::string& DataName) {
  TCodeTables T;
  T.MaxBits = Code.MaxBits;
  NameCodeTables(T, DataName);
  std::vector<size_t> ByDatum(Code.Symbols.size());
  for (size_t K = 0; K < ByDatum.size(); ++K) ByDatum[K] = K;
  std::sort(ByDatum.begin(), ByDatum.end(),
            [&](size_t A, size_t B) { return Code.Symbols[A].Datum < Code.Symbols[B].Datum; });
  const std::vector<std::string> Sent = CanonicalCodeTexts(Code);
  for (const auto& S : Code.Symbols) {
    T.CodeSymbol.push_back(static_cast<uint16_t>(S.Datum));
    ++T.CodeCount[static_cast<size_t>(S.Length)];
  }
  for (const size_t K : ByDatum) {
    const auto& S = Code.Symbols[K];
    // Stored form: the first bit sent is bit 0.
    int32_t Pattern = 0;
    for (size_t B = 0; B < Sent[K].size(); ++B)
      if (Sent[K][B] == '1') Pattern |= int32_t{1} << B;
    T.Symbol.push_back(static_cast<uint16_t>(S.Datum));
    T.Pattern.push_back(Pattern);
    T.Length.push_back(S.Length);
    T.Frequency.push_back(static_cast<int32_t>(
        std::min<int64_t>(S.Frequency.value_or(0), std::numeric_limits<int32_t>::max())));
    T.LargestPattern = std::max(T.LargestPattern, Pattern);
    T.LargestLength = std::max(T.LargestLength, S.Length);
  }
  return T;
}

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
      if (const size_t Length = Utf8SequenceLength(Text, I); Length > 0) {
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
