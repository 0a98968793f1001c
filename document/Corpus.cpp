// A corpus and a document rebuilt around a table (see Corpus.h).
#include "Corpus.h"

#include <algorithm>
#include <limits>
#include <utility>

void TCorpusSum::Add(std::span<const int32_t> Frequency) {
  if (FSum.size() < Frequency.size()) FSum.resize(Frequency.size(), 0);
  for (size_t I = 0; I < Frequency.size(); ++I) {
    FSum[I] += Frequency[I];
    FTotal += Frequency[I];
  }
}

std::string CorpusTotalRefusal(int64_t Total) {
  constexpr int64_t MaxTotal = std::numeric_limits<int32_t>::max();
  if (Total <= MaxTotal) return {};
  return "the files hold " + std::to_string(Total) + " data in all, more than the " +
         std::to_string(MaxTotal) + " a frequency table can count";
}

std::string TCorpusSum::Refusal(bool Table) const {
  if (std::string Reason = CorpusTotalRefusal(FTotal); !Reason.empty()) return Reason;
  if (Table)
    for (size_t I = 0; I < FSum.size(); ++I)
      if (FSum[I] > MaxTableFrequency)
        return "datum " + std::to_string(I) + " sums to a frequency of " + std::to_string(FSum[I]) +
               ", more than the " + std::to_string(MaxTableFrequency) +
               " a 32-bit table word may hold";
  return {};
}

std::vector<int32_t> TCorpusSum::Frequency() const {
  std::vector<int32_t> Out(FSum.size());
  std::transform(FSum.begin(), FSum.end(), Out.begin(),
                 [](int64_t V) { return static_cast<int32_t>(V); });
  return Out;
}

std::string CorpusFileName(const std::string& FirstPath, size_t Files) {
  std::string Name = ExtractFileName(FirstPath);
  if (Files > 1) Name += " ほか " + std::to_string(Files - 1) + " 件";
  return Name;
}

int32_t SmallestMaxBits(std::span<const int32_t> Frequency) {
  const size_t Coded = std::min<size_t>(Frequency.size(), 256);
  const auto Present =
      std::count_if(Frequency.begin(), Frequency.begin() + Coded, [](int32_t V) { return V > 0; });
  return SmallestMaxBitLength(static_cast<int32_t>(Present));
}

void BuildTableDocument(std::vector<int32_t> Frequency, const std::string& FirstPath,
                        const std::string& ShownName, int32_t MaxBits, THuffman& Huffman,
                        TDocument& Doc, char DecimalSeparator, TLimitRule Rule) {
  const int32_t Smallest = SmallestMaxBits(Frequency);
  if (MaxBits < Smallest || MaxBits > 16)
    throw ERangeError(Format(SRangeError, MaxBits, Smallest, 16));
  TDocument New;
  New.FileName = FirstPath;
  New.Frequency = std::move(Frequency);
  StoreFrequencies(Huffman, New.Frequency, New.Scan);
  Huffman.SetMaxBitLength(MaxBits);
  Huffman.SetLimitRule(Rule);
  Huffman.BuildFromTable();
  Huffman.InStream().Clear();
  Huffman.OutStream().Clear();
  BuildFrequencyOrder(New.Frequency, New.Sorted, New.OrderCount);
  New.Statistics = ComputeStatistics(New.Frequency, New.Scan.DataCount, New.Sorted, New.OrderCount);
  New.Texts =
      BuildViewTexts(ShownName, New.Scan.DataCount, New.Frequency, Huffman, DecimalSeparator);
  Doc = std::move(New);
}
