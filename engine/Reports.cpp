// The code-table reports: node rows, the leaf table and the source arrays.
#include "Compress.h"

#include <algorithm>
#include <array>
#include <memory>

namespace {

constexpr const char* SDigitsError = "Digits %d is not within the range of %d..%d .";
constexpr const char* SRule = "================================================================";
constexpr const char* SHead = "Index: Data: Frequency: BitLength: BitPattern: Parent: Left: Right";
constexpr const char* SCrLf = "\r\n";

std::string NodeRow(const THuffmanNode& Node) {
  std::string Pattern;
  if (Node.BitLength != 0)
    Pattern = BinaryDigits(Node.BitPattern, Node.BitLength) + " = " + IntToStr(Node.BitPattern);
  return IntToStr(Node.Index) + "  :  $" + IntToHex(Node.Data, 2) + "  :  " +
         IntToStr(Node.Frequency) + "  :  " + IntToStr(Node.BitLength) + "  :  " + Pattern +
         "  :  " + IntToStr(Node.Parent) + "  :  " + IntToStr(Node.Left) + "  :  " +
         IntToStr(Node.Right);
}

// The private code of both generators; nullptr when there is none.  Only the
// first min(Limit, size) entries (Limit 1..256) count.
std::unique_ptr<THuffman> BuildPrivateCode(std::span<const int32_t> A, int32_t& Limit) {
  if (Limit < 1 || Limit > 256 || A.empty()) return nullptr;
  Limit = std::min<int32_t>(Limit, static_cast<int32_t>(A.size()));
  const auto Used = A.first(static_cast<size_t>(Limit));
  if (std::none_of(Used.begin(), Used.end(), [](int32_t F) { return F > 0; })) return nullptr;
  auto Huffman = std::make_unique<THuffman>();
  for (const int32_t F : Used) {
    const uint32_t U = static_cast<uint32_t>(F);
    const uint8_t Bytes[4] = {static_cast<uint8_t>(U), static_cast<uint8_t>(U >> 8),
                              static_cast<uint8_t>(U >> 16), static_cast<uint8_t>(U >> 24)};
    Huffman->InStream().Write(Bytes, 4);
  }
  Huffman->BuildFromTable();
  if (Huffman->Count() == 0) return nullptr;
  return Huffman;
}

const char* ElementType(int32_t Largest) {
  if (Largest < 256) return "Byte";
  if (Largest < 65536) return "Word";
  return "Integer";
}

// Values in ascending data order, -1 entries skipped, 16 a line.
std::string ValueLines(const std::array<int32_t, 256>& Values, int32_t Limit, int32_t Written) {
  std::string Text;
  int32_t K = 0;
  for (int32_t D = 0; D < Limit; ++D) {
    if (Values[static_cast<size_t>(D)] == -1) continue;
    Text += IntToStr(Values[static_cast<size_t>(D)]);
    if (K != Written - 1) Text += (K + 1) % 16 != 0 ? ", " : ",\r\n  ";
    ++K;
  }
  return Text;
}

}  // namespace

std::string BinaryDigits(int32_t Value, int32_t Digits) {
  if (Digits < 1 || Digits > 32) throw ERangeError(Format(SDigitsError, Digits, 1, 32));
  std::string Text(static_cast<size_t>(Digits), '0');
  const uint32_t Bits = static_cast<uint32_t>(Value);
  for (int32_t K = 0; K < Digits; ++K)
    if ((Bits >> K) & 1) Text[static_cast<size_t>(Digits - 1 - K)] = '1';
  return Text;
}

void THuffman::GetTableText(std::string& Text) {
  Text.clear();
  if (FNodes.empty()) return;
  Text = std::string(SHead) + SCrLf + SRule + SCrLf;
  for (size_t I = 0; I < FNodes.size(); ++I) {
    Text += NodeRow(FNodes[I]) + SCrLf;
    if (static_cast<int64_t>(I) == static_cast<int64_t>(FCount) - 1) Text += std::string(SRule) + SCrLf;
  }
}

std::string HuffmanTableText(std::span<const int32_t> A, int32_t Limit) {
  const auto Huffman = BuildPrivateCode(A, Limit);
  if (!Huffman) return {};
  std::string Text = std::string(SRule) + SCrLf + SHead + SCrLf + SRule + SCrLf;
  THuffmanNode Node;
  for (int32_t I = 0; I < Huffman->Count(); ++I) {
    Huffman->GetNode(I, Node);
    Text += NodeRow(Node) + SCrLf;
  }
  Text += SCrLf;
  return Text;
}

std::string HuffmanArraySource(std::span<const int32_t> A, int32_t Limit,
                               const std::string& DataName) {
  const auto Huffman = BuildPrivateCode(A, Limit);
  if (!Huffman) return {};
  const std::string Name = DataName.empty() ? "データ" : DataName;
  std::array<int32_t, 256> Patterns;
  std::array<int32_t, 256> Lengths;
  Patterns.fill(-1);
  Lengths.fill(-1);
  int32_t LargestPattern = 0;
  int32_t LargestLength = 0;
  THuffmanNode Node;
  for (int32_t I = 0; I < Huffman->Count(); ++I) {
    Huffman->GetNode(I, Node);
    Patterns[Node.Data] = Node.BitPattern;
    Lengths[Node.Data] = Node.BitLength;
    LargestPattern = std::max(LargestPattern, Node.BitPattern);
    LargestLength = std::max(LargestLength, Node.BitLength);
  }
  std::string PatternName = "BitPattern";
  std::string LengthName = "BitLength";
  std::string Prefix = "  // ";
  if (Name == "一致長" || Name == "一致位置のビット数") {
    const bool MatchLength = Name == "一致長";
    PatternName = MatchLength ? "mlPat" : "diPat";
    LengthName = MatchLength ? "mlLen" : "diLen";
    Prefix = "  // データを LZ77 符号化した時の一致データの";
  }
  const int32_t Leaves = Huffman->Count();
  const std::string Bound = "[0.." + IntToStr(Leaves - 1) + "] of ";
  std::string Text = Prefix + Name + "のハフマン分布の BitPattern" + SCrLf + "  " + PatternName +
                     ": array" + Bound + ElementType(LargestPattern) + " = (" + SCrLf + "  ";
  Text += ValueLines(Patterns, Limit, Leaves);
  Text += std::string(");") + SCrLf + SCrLf;
  Text += Prefix + Name + "のハフマン分布の BitLength" + SCrLf + "  " + LengthName + ": array" +
          Bound + ElementType(LargestLength) + " = (" + SCrLf + "  ";
  Text += ValueLines(Lengths, Limit, Leaves);
  Text += std::string(");") + SCrLf;
  return Text;
}
