// quorvant-cli's figures and JSON (see CliFigures.h).  JSON is written here
// rather than with QJsonDocument: its objects sort their keys, and the
// report's key order is part of its output.
#include "CliFigures.h"

#include "Designer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace Cli {

namespace {

struct TFigures {
  int64_t Total = 0;       // all frequencies
  int64_t CodedTotal = 0;  // frequencies of the code's leaves
  int64_t CodedBits = 0;   // sum of frequency * length
  int32_t Longest = 0;
  double Entropy = 0;    // bits per datum over the leaves
  bool HasCode = false;  // CodedTotal > 0; the rest is 0 without a code
  double Average = 0;    // coded bits per datum
  double Above = 0;      // Average - Entropy
  double Kraft = 0;      // sum of 2^-BitLength over the leaves
};

TFigures Figures(const TDocument& Doc, const THuffman& H) {
  TFigures F;
  for (int32_t V : Doc.Frequency) F.Total += V;
  THuffmanNode Leaf{};
  for (int32_t I = 0; I < H.Count(); ++I) {
    H.GetNode(I, Leaf);
    F.CodedTotal += Leaf.Frequency;
    F.CodedBits += int64_t{Leaf.Frequency} * Leaf.BitLength;
    F.Longest = std::max(F.Longest, Leaf.BitLength);
    F.Kraft += std::ldexp(1.0, -Leaf.BitLength);  // exact: lengths are 1..16
  }
  if (F.CodedTotal > 0) {
    for (int32_t I = 0; I < H.Count(); ++I) {
      H.GetNode(I, Leaf);
      if (Leaf.Frequency <= 0) continue;
      const double P = static_cast<double>(Leaf.Frequency) / static_cast<double>(F.CodedTotal);
      F.Entropy -= P * std::log2(P);
    }
  }
  F.HasCode = F.CodedTotal > 0;
  F.Average = F.HasCode ? static_cast<double>(F.CodedBits) / F.CodedTotal : 0;
  F.Above = F.Average - F.Entropy;
  return F;
}

}  // namespace

std::string StatsJson(const TStatsSource& S) {
  const TDocument& Doc = S.Doc;
  const TFigures F = Figures(Doc, S.Huffman);
  const bool HasCode = F.HasCode;
  std::string Out;
  const auto Number = [&](bool Present, double V) {
    return Present ? ShortestDecimals(V) : "null";
  };
  Out += "{\"file\":" + JsonString(S.FileName);
  Out += ",\"mode\":\"" + std::string(S.Table ? "32bit" : "8bit") + "\"";
  Out += ",\"fell_back\":" + std::string(S.FellBack ? "true" : "false");
  Out += ",\"entries\":" + std::to_string(Doc.Frequency.size());
  Out += ",\"data_count\":" + std::to_string(Doc.Scan.DataCount);
  Out += ",\"distinct_values\":" + std::to_string(Doc.OrderCount);
  Out += ",\"total\":" + std::to_string(F.Total);
  Out += ",\"coded_total\":" + std::to_string(F.CodedTotal);
  Out += ",\"max_frequency\":" + std::to_string(Doc.Scan.MaxFrequency);
  Out += ",\"max_data\":" + std::to_string(Doc.Scan.MaxData);
  Out += ",\"average_bits\":" + Number(HasCode, F.Average);
  Out += ",\"compression_ratio\":" +
         Number(HasCode, static_cast<double>(F.CodedBits * 100) / (F.CodedTotal * 8.0));
  Out += ",\"compression_ratio_text\":" + (HasCode ? JsonString(S.Ratio) : "null");
  Out += ",\"entropy_bits\":" + Number(HasCode, F.Entropy);
  Out += ",\"above_entropy_bits\":" + Number(HasCode, F.Above);
  Out += ",\"longest_code\":" + (HasCode ? std::to_string(F.Longest) : "null");
  Out += ",\"data_mean\":" + std::to_string(Doc.Statistics.DataMean);
  Out += ",\"data_variance\":" + std::to_string(Doc.Statistics.DataVariance);
  Out += ",\"order_mean\":" + std::to_string(Doc.Statistics.OrderMean);
  Out += ",\"order_variance\":" + std::to_string(Doc.Statistics.OrderVariance);
  Out += ",\"kraft_sum\":" + Number(HasCode, F.Kraft);
  Out += ",\"files\":[";
  for (size_t I = 0; I < S.Files.size(); ++I) {
    if (I > 0) Out += ',';
    Out += JsonString(S.Files[I]);
  }
  Out += "]";
  if (S.Default != nullptr) {
    const TFigures D = Figures(Doc, *S.Default);
    Out += ",\"max_bits\":" + std::to_string(S.Huffman.MaxBitLength());
    Out += ",\"average_bits_16\":" + Number(D.HasCode, D.Average);
  }
  if (!S.LimitRule.empty()) Out += ",\"limit_rule\":" + JsonString(S.LimitRule);
  Out += "}\n";
  return Out;
}

std::string StatsText(const TStatsSource& S) {
  const TDocument& Doc = S.Doc;
  const TFigures F = Figures(Doc, S.Huffman);
  const bool HasCode = F.HasCode;
  std::string Out;
  const auto Line = [&](const char* Label, const std::string& Value) {
    std::string L = Label;
    L.resize(std::max<size_t>(L.size(), 19), ' ');
    Out += L + Value + "\n";
  };
  const std::string None = NoRatioText;
  Line("file:", S.FileName);
  if (S.Files.size() > 1) Line("files:", std::to_string(S.Files.size()));
  Line("mode:", S.Table ? "32-bit frequency table" : "8-bit data (every byte a datum)");
  Line("data count:", std::to_string(Doc.Scan.DataCount));
  Line("distinct values:", std::to_string(Doc.OrderCount));
  Line("total:", std::to_string(F.Total) +
                     (F.CodedTotal != F.Total
                          ? " (" + std::to_string(F.CodedTotal) + " in the code's data 0..255)"
                          : ""));
  Line("average code:", HasCode ? FixedDecimals(F.Average, 3) + " bits per datum" : None);
  if (S.Default != nullptr) {
    const TFigures D = Figures(Doc, *S.Default);
    Line("max bits:", std::to_string(S.Huffman.MaxBitLength()));
    Line("average at 16:",
         D.HasCode ? FixedDecimals(D.Average, 3) + " bits per datum with the default 16-bit code"
                   : None);
  }
  if (!S.LimitRule.empty()) Line("limit rule:", S.LimitRule);
  Line("Kraft sum:", HasCode ? ShortestDecimals(F.Kraft) : None);
  Line("compression ratio:", HasCode ? S.Ratio + " %" : None);
  Line("entropy:", HasCode ? FixedDecimals(F.Entropy, 3) + " bits per datum" : None);
  Line("above entropy:",
       HasCode
           ? FixedDecimals(F.Above, 3) + " bits per datum" +
                 (F.Entropy > 0 ? " (" + FixedDecimals(F.Above * 100 / F.Entropy, 1) + " %)" : "")
           : None);
  Line("longest code:", HasCode ? std::to_string(F.Longest) + " bits" : None);
  return Out;
}

}  // namespace Cli
