// The code-table reports: node rows, the leaf table and the source arrays.
#include "CodeTables.h"
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

// The private code of the generators; nullptr when there is none.  Only the
// first min(Limit, size) entries (Limit 1..256) count.  Codes are at most
// MaxBits (1..16) long.
std::unique_ptr<THuffman> BuildPrivateCode(std::span<const int32_t> A, int32_t& Limit,
                                           int32_t MaxBits = 16,
                                           TLimitRule Rule = TLimitRule::Repair) {
  if (Limit < 1 || Limit > 256 || A.empty()) return nullptr;
  Limit = std::min<int32_t>(Limit, static_cast<int32_t>(A.size()));
  const auto Used = A.first(static_cast<size_t>(Limit));
  if (std::none_of(Used.begin(), Used.end(), [](int32_t F) { return F > 0; })) return nullptr;
  auto Huffman = std::make_unique<THuffman>();
  Huffman->SetMaxBitLength(MaxBits);
  Huffman->SetLimitRule(Rule);
  WriteFrequencyTable(Huffman->InStream(), Used);
  Huffman->BuildFromTable();
  if (Huffman->Count() == 0) return nullptr;
  return Huffman;
}

}  // namespace

int32_t ReadFrequencyWord(TMemoryStream& In, uint8_t (&Bytes)[4]) {
  In.Read(Bytes, 4);
  return static_cast<int32_t>(uint32_t{Bytes[0]} | uint32_t{Bytes[1]} << 8 |
                              uint32_t{Bytes[2]} << 16 | uint32_t{Bytes[3]} << 24);
}

void WriteFrequencyTable(TMemoryStream& Out, std::span<const int32_t> Table) {
  // In blocks, so that no single write exceeds the stream's 32-bit count.
  constexpr size_t Block = 4096;
  uint8_t Bytes[Block * 4];
  for (size_t Start = 0; Start < Table.size(); Start += Block) {
    const size_t End = std::min(Table.size(), Start + Block);
    uint8_t* P = Bytes;
    for (size_t I = Start; I < End; ++I) {
      const uint32_t V = static_cast<uint32_t>(Table[I]);
      *P++ = static_cast<uint8_t>(V);
      *P++ = static_cast<uint8_t>(V >> 8);
      *P++ = static_cast<uint8_t>(V >> 16);
      *P++ = static_cast<uint8_t>(V >> 24);
    }
    Out.Write(Bytes, static_cast<int32_t>(P - Bytes));
  }
}

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
    if (static_cast<int64_t>(I) == static_cast<int64_t>(FCount) - 1)
      Text += std::string(SRule) + SCrLf;
  }
}

std::string HuffmanTableText(std::span<const int32_t> A, int32_t Limit) {
  return HuffmanTableText(A, Limit, 16);
}

std::string HuffmanTableText(std::span<const int32_t> A, int32_t Limit, int32_t MaxBits,
                             TLimitRule Rule) {
  const auto Huffman = BuildPrivateCode(A, Limit, MaxBits, Rule);
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

void NameCodeTables(TCodeTables& T, const std::string& DataName) {
  T.DataName = DataName.empty() ? "データ" : DataName;
  T.PatternName = "BitPattern";
  T.LengthName = "BitLength";
  T.CommentPrefix.clear();
  const char* ArrayPrefix = "";
  if (T.DataName == "一致長" || T.DataName == "一致位置のビット数") {
    ArrayPrefix = T.DataName == "一致長" ? "ml" : "di";
    T.PatternName = std::string(ArrayPrefix) + "Pat";
    T.LengthName = std::string(ArrayPrefix) + "Len";
    T.CommentPrefix = "データを LZ77 符号化した時の一致データの";
  }
  T.SymbolName = std::string(ArrayPrefix) + "Symbol";
  T.CodeCountName = std::string(ArrayPrefix) + "CodeCount";
  T.CodeSymbolName = std::string(ArrayPrefix) + "CodeSymbol";
}

std::optional<TCodeTables> CodeTablesOf(std::span<const int32_t> A, int32_t Limit,
                                        const std::string& DataName, int32_t MaxBits,
                                        TLimitRule Rule) {
  if (MaxBits < 1 || MaxBits > 16) throw ERangeError(Format(SRangeError, MaxBits, 1, 16));
  const auto Huffman = BuildPrivateCode(A, Limit, MaxBits, Rule);
  if (!Huffman) return std::nullopt;
  TCodeTables T;
  T.MaxBits = MaxBits;
  NameCodeTables(T, DataName);
  // Leaves by datum: a table build gives each datum at most one leaf.
  std::array<int32_t, 256> LeafOf;
  LeafOf.fill(-1);
  THuffmanNode Node;
  for (int32_t I = 0; I < Huffman->Count(); ++I) {
    Huffman->GetNode(I, Node);
    LeafOf[Node.Data] = I;
    T.CodeSymbol.push_back(Node.Data);
    ++T.CodeCount[static_cast<size_t>(Node.BitLength)];
  }
  for (int32_t D = 0; D < 256; ++D) {
    if (LeafOf[static_cast<size_t>(D)] < 0) continue;
    Huffman->GetNode(LeafOf[static_cast<size_t>(D)], Node);
    T.Symbol.push_back(static_cast<uint16_t>(D));
    T.Pattern.push_back(Node.BitPattern);
    T.Length.push_back(Node.BitLength);
    T.Frequency.push_back(Node.Frequency);
    T.LargestPattern = std::max(T.LargestPattern, Node.BitPattern);
    T.LargestLength = std::max(T.LargestLength, Node.BitLength);
  }
  return T;
}

std::string HuffmanArraySource(std::span<const int32_t> A, int32_t Limit,
                               const std::string& DataName) {
  const auto Tables = CodeTablesOf(A, Limit, DataName);
  return Tables ? ArraySource(*Tables, TArrayOptions{}) : std::string();
}
