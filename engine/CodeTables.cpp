// The array texts: formatters over TCodeTables, one per language.
#include "CodeTables.h"
#include "CompressInternal.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr const char* SCrLf = "\r\n";

// One array as every formatter sees it.
struct TArray {
  std::string Comment;  // without the comment marks
  std::string Name;
  std::vector<int64_t> Values;
  int64_t Largest() const { return *std::max_element(Values.begin(), Values.end()); }
};

// The code of a stored pattern as sent: its Length low bits turned round.
int64_t SentOrder(int32_t Pattern, int32_t Length) {
  int64_t Code = 0;
  for (int32_t K = 0; K < Length; ++K) Code = Code << 1 | ((Pattern >> K) & 1);
  return Code;
}

std::vector<TArray> ArraysOf(const TCodeTables& T, const TArrayOptions& O) {
  const std::string Head = T.CommentPrefix + T.DataName + "のハフマン分布の ";
  TArray Pattern{Head + "BitPattern", T.PatternName, {}};
  if (O.MsbFirst) Pattern.Comment += " (highest bit first, as sent)";
  for (size_t J = 0; J < T.Pattern.size(); ++J)
    Pattern.Values.push_back(O.MsbFirst ? SentOrder(T.Pattern[J], T.Length[J]) : T.Pattern[J]);
  std::vector<TArray> Arrays{Pattern,
                             TArray{Head + "BitLength", T.LengthName,
                                    std::vector<int64_t>(T.Length.begin(), T.Length.end())}};
  if (O.DecoderArrays && O.Language != TArrayLanguage::Pascal) {
    Arrays.push_back(TArray{Head + "Symbol", T.SymbolName,
                            std::vector<int64_t>(T.Symbol.begin(), T.Symbol.end())});
    Arrays.push_back(TArray{Head + "CodeCount (lengths 1..16)", T.CodeCountName,
                            std::vector<int64_t>(T.CodeCount.begin() + 1, T.CodeCount.end())});
    Arrays.push_back(TArray{Head + "CodeSymbol (table order)", T.CodeSymbolName,
                            std::vector<int64_t>(T.CodeSymbol.begin(), T.CodeSymbol.end())});
  }
  return Arrays;
}

// Values 16 a line, each line after the first begun by two blanks.
std::string ValueLines(const std::vector<int64_t>& Values) {
  std::string Text;
  for (size_t K = 0; K < Values.size(); ++K) {
    Text += std::to_string(Values[K]);
    if (K + 1 == Values.size()) break;
    Text += (K + 1) % 16 == 0 ? ",\r\n  " : ", ";
  }
  return Text;
}

// Element type names: byte, 16-bit, 32-bit.
struct TTypeNames {
  const char* Names[3];
  const char* Of(int64_t Largest) const {
    return Names[Largest < 256 ? 0 : Largest < 65536 ? 1 : 2];
  }
};

std::string Pascal(const std::vector<TArray>& Arrays) {
  const TTypeNames Types{{"Byte", "Word", "Integer"}};
  std::string Text;
  for (size_t I = 0; I < Arrays.size(); ++I) {
    const TArray& A = Arrays[I];
    if (I > 0) Text += SCrLf;
    Text += "  // " + A.Comment + SCrLf + "  " + A.Name + ": array[0.." +
            std::to_string(A.Values.size() - 1) + "] of " + Types.Of(A.Largest()) + " = (" + SCrLf +
            "  " + ValueLines(A.Values) + ");" + SCrLf;
  }
  return Text;
}

std::string C(const std::vector<TArray>& Arrays, const TArrayOptions& O) {
  const TTypeNames Types{{"unsigned char", "unsigned short", "unsigned long"}};
  std::string Text;
  for (const std::string& Line : O.HeadLines) Text += "/* " + CommentSafe(Line) + " */" + SCrLf;
  for (const TArray& A : Arrays)
    Text += std::string(SCrLf) + "/* " + CommentSafe(A.Comment) + " */" + SCrLf + "static const " +
            Types.Of(A.Largest()) + " " + A.Name + "[" + std::to_string(A.Values.size()) + "] = {" +
            SCrLf + "  " + ValueLines(A.Values) + SCrLf + "};" + SCrLf;
  return Text;
}

std::string Cpp(const std::vector<TArray>& Arrays, const TArrayOptions& O) {
  const TTypeNames Types{{"std::uint8_t", "std::uint16_t", "std::uint32_t"}};
  std::string Text;
  for (const std::string& Line : O.HeadLines) Text += "// " + CommentSafe(Line) + SCrLf;
  Text += std::string("#pragma once") + SCrLf + SCrLf + "#include <array>" + SCrLf +
          "#include <cstdint>" + SCrLf;
  for (const TArray& A : Arrays)
    Text += std::string(SCrLf) + "// " + CommentSafe(A.Comment) + SCrLf +
            "inline constexpr std::array<" + Types.Of(A.Largest()) + ", " +
            std::to_string(A.Values.size()) + "> " + A.Name + " = {" + SCrLf + "  " +
            ValueLines(A.Values) + SCrLf + "};" + SCrLf;
  return Text;
}

std::string Rust(const std::vector<TArray>& Arrays, const TArrayOptions& O) {
  const TTypeNames Types{{"u8", "u16", "u32"}};
  std::string Text;
  for (const std::string& Line : O.HeadLines) Text += "// " + CommentSafe(Line) + SCrLf;
  // The array names are the same in every language, so not upper case.
  for (const TArray& A : Arrays)
    Text += std::string(SCrLf) + "// " + CommentSafe(A.Comment) + SCrLf +
            "#[allow(non_upper_case_globals)]" + SCrLf + "pub const " + A.Name + ": [" +
            Types.Of(A.Largest()) + "; " + std::to_string(A.Values.size()) + "] = [" + SCrLf +
            "  " + ValueLines(A.Values) + SCrLf + "];" + SCrLf;
  return Text;
}

// BitPattern -> BIT_PATTERN, mlCodeCount -> ML_CODE_COUNT.
std::string UpperSnake(const std::string& Name) {
  std::string Text;
  for (size_t I = 0; I < Name.size(); ++I) {
    const auto C = static_cast<unsigned char>(Name[I]);
    if (I > 0 && std::isupper(C) && !std::isupper(static_cast<unsigned char>(Name[I - 1])))
      Text += '_';
    Text += static_cast<char>(std::toupper(C));
  }
  return Text;
}

// Tuples end in a comma, so that one value is a tuple too.
std::string Python(const std::vector<TArray>& Arrays, const TArrayOptions& O) {
  std::string Text;
  for (const std::string& Line : O.HeadLines) Text += "# " + CommentSafe(Line) + SCrLf;
  for (const TArray& A : Arrays)
    Text += std::string(SCrLf) + "# " + CommentSafe(A.Comment) + SCrLf + UpperSnake(A.Name) +
            " = (" + SCrLf + "  " + ValueLines(A.Values) + "," + SCrLf + ")" + SCrLf;
  return Text;
}

// The arms follow from the codes being a prefix code: at most one matches.
std::string Verilog(const TCodeTables& T, const TArrayOptions& O) {
  const bool Wide = std::any_of(T.Symbol.begin(), T.Symbol.end(),
                                [](auto D) { return static_cast<int32_t>(D) > 255; });
  const std::string W = Wide ? "14" : "8";
  const std::string Module = (IsCIdentifier(T.DataName) ? T.DataName : "qv") + "_decode";
  std::string Text;
  for (const std::string& Line : O.HeadLines) Text += "// " + CommentSafe(Line) + SCrLf;
  int32_t Shortest = 16;
  for (const int32_t Length : T.Length) Shortest = std::min(Shortest, Length);
  Text += "// A decoder of one code (" + std::to_string(T.Symbol.size()) + " codes of " +
          std::to_string(Shortest) + ".." + std::to_string(T.LargestLength) +
          " bits), purely combinational: one casez arm per code." + SCrLf + "module " + Module +
          " (" + SCrLf +
          "  input  wire [15:0] window,  // the next 16 stream bits; window[15] is the first "
          "bit sent" +
          SCrLf + "  output reg  [" + (Wide ? "13:0] " : "7:0]  ") +
          "symbol,  // the datum (0 when valid is 0)" + SCrLf +
          "  output reg  [4:0]  length,  // the code's length, 1..16 (0 when valid is 0)" + SCrLf +
          "  output reg         valid    // 0 when the window starts with no code" + SCrLf + ");" +
          SCrLf + SCrLf + "  always @* begin" + SCrLf + "    casez (window)" + SCrLf;
  for (size_t J = 0; J < T.Symbol.size(); ++J) {
    std::string Bits;
    for (int32_t K = 0; K < 16; ++K)
      Bits += K < T.Length[J] ? ((T.Pattern[J] >> K) & 1 ? '1' : '0') : '?';
    Text += "      16'b" + Bits + ": begin symbol = " + W + "'d" +
            std::to_string(static_cast<int32_t>(T.Symbol[J])) + "; length = 5'd" +
            std::to_string(T.Length[J]) + "; valid = 1'b1; end" + SCrLf;
  }
  Text += "      default: begin symbol = " + W + "'d0; length = 5'd0; valid = 1'b0; end" + SCrLf +
          "    endcase" + SCrLf + "  end" + SCrLf + "endmodule" + SCrLf;
  return Text;
}

}  // namespace

bool IsCIdentifier(const std::string& Name) {
  if (Name.empty() || std::isdigit(static_cast<unsigned char>(Name[0]))) return false;
  return std::all_of(Name.begin(), Name.end(), [](char C) {
    return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z') || (C >= '0' && C <= '9') || C == '_';
  });
}

std::string ArraySource(const TCodeTables& Tables, const TArrayOptions& Options) {
  const std::vector<TArray> Arrays = ArraysOf(Tables, Options);
  switch (Options.Language) {
    case TArrayLanguage::C: return C(Arrays, Options);
    case TArrayLanguage::Cpp: return Cpp(Arrays, Options);
    case TArrayLanguage::Rust: return Rust(Arrays, Options);
    case TArrayLanguage::Python: return Python(Arrays, Options);
    case TArrayLanguage::Verilog: return Verilog(Tables, Options);
    case TArrayLanguage::Pascal: break;
  }
  return Pascal(Arrays);
}

std::string CommentSafe(const std::string& Text) {
  std::string Safe;
  for (size_t I = 0; I < Text.size(); ++I) {
    const char C = Text[I];
    Safe += static_cast<unsigned char>(C) < 0x20 ? ' ' : C;
    const char Next = I + 1 < Text.size() ? Text[I + 1] : '\0';
    if ((C == '*' && Next == '/') || (C == '/' && Next == '*')) Safe += ' ';
  }
  return Safe;
}
