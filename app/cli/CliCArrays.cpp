// quorvant-cli's arrays in C (see CliCArrays.h).
#include "CliCArrays.h"

#include "CliFiles.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <string_view>
#include <vector>

namespace Cli {

namespace {

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

// Text that can neither end a C comment early nor open a nested one: "*/"
// and "/*" get a space between their characters, controls become spaces.
std::string CommentSafe(const std::string& Text) {
  std::string Out;
  Out.reserve(Text.size() + Text.size() / 2);
  for (size_t I = 0; I < Text.size(); ++I) {
    const char C = Text[I];
    Out += static_cast<unsigned char>(C) < 0x20 ? ' ' : C;
    const char Next = I + 1 < Text.size() ? Text[I + 1] : '\0';
    if ((C == '*' && Next == '/') || (C == '/' && Next == '*')) Out += ' ';
  }
  return Out;
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

}  // namespace

std::string CArraysText(const std::string& ArrayView, const std::string& Source) {
  // The view is the head (file name, ratio, an empty line) and the source.
  const std::vector<std::string> Lines = SplitLines(ArrayView);
  return CArrays({Lines.at(0), Lines.at(1)}, ParsePascalArrays(Source));
}

}  // namespace Cli
