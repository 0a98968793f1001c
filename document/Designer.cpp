// The designer's loop: the limits table and the evaluation of a code.
#include "Designer.h"

#include "Document.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

// The coded form keeps its payload's byte count in 30 bits.
constexpr int64_t MaxCodedPayloadBytes = (int64_t{1} << 30) - 1;

// Entropy in bits of counts summing to Total: sum of c * log2(Total / c).
double EntropyBits(std::span<const int64_t> Counts, int64_t Total) {
  double Bits = 0;
  for (const int64_t C : Counts)
    if (C > 0) Bits += static_cast<double>(C) * std::log2(static_cast<double>(Total) / C);
  return Bits;
}

// Total coded bits of the table build of Table (entries 0..255 only) with
// the limit and rule: the code the views show.
int64_t CodedBits(std::span<const int32_t> Table, int32_t MaxBits, TLimitRule Rule) {
  THuffman H;
  H.SetMaxBitLength(MaxBits);
  H.SetLimitRule(Rule);
  WriteFrequencyTable(H.InStream(), Table.first(std::min<size_t>(Table.size(), 256)));
  H.BuildFromTable();
  int64_t Bits = 0;
  THuffmanNode Leaf{};
  for (int32_t I = 0; I < H.Count(); ++I) {
    H.GetNode(I, Leaf);
    Bits += int64_t{Leaf.Frequency} * Leaf.BitLength;
  }
  return Bits;
}

// One table's code under many limits: the tree is built once (it does not
// depend on the limit) and the engine's own AssignCodes limits it each time
// from the tree's depths, so each result is the table build's at that
// limit.
class TLimitProbe : public THuffman {
public:
  explicit TLimitProbe(std::span<const int32_t> Table) {
    WriteFrequencyTable(InStream(), Table);
    LoadFrequencies();
    BuildTree();
    InStream().Clear();
    for (int32_t K = 0; K < Count(); ++K)
      FDepths.push_back(Nodes()[static_cast<size_t>(K)].BitLength);
  }
  int64_t Bits(int32_t MaxBits, TLimitRule Rule) {
    for (size_t K = 0; K < FDepths.size(); ++K) Nodes()[K].BitLength = FDepths[K];
    SetMaxBitLength(MaxBits);
    SetLimitRule(Rule);
    AssignCodes();
    int64_t Sum = 0;
    for (size_t K = 0; K < FDepths.size(); ++K)
      Sum += int64_t{Nodes()[K].Frequency} * Nodes()[K].BitLength;
    return Sum;
  }

private:
  std::vector<int32_t> FDepths;
};

// Columns of an aligned table, right-aligned (the first left-aligned when
// FirstLeft: a name), two blanks between.
std::string Aligned(const std::vector<std::vector<std::string>>& Rows, bool FirstLeft) {
  std::vector<size_t> Width;
  for (const auto& Row : Rows) {
    Width.resize(std::max(Width.size(), Row.size()), 0);
    for (size_t C = 0; C < Row.size(); ++C) Width[C] = std::max(Width[C], Row[C].size());
  }
  std::string Text;
  for (const auto& Row : Rows) {
    std::string Line;
    for (size_t C = 0; C < Row.size(); ++C) {
      const std::string Pad(Width[C] - Row[C].size(), ' ');
      if (C > 0) Line += "  ";
      Line += C == 0 && FirstLeft ? Row[C] + Pad : Pad + Row[C];
    }
    while (!Line.empty() && Line.back() == ' ') Line.pop_back();
    Text += Line + "\n";
  }
  return Text;
}

// A CSV field: quoted when it holds a comma, a quote or a line end.
std::string CsvField(const std::string& Text) {
  if (Text.find_first_of(",\"\r\n") == std::string::npos) return Text;
  std::string Out = "\"";
  for (const char C : Text) Out += C == '"' ? std::string("\"\"") : std::string(1, C);
  return Out + "\"";
}

std::string JsonFiles(const std::vector<std::string>& Files) {
  std::string Out = "[";
  for (size_t I = 0; I < Files.size(); ++I)
    Out += std::string(I > 0 ? "," : "") + JsonString(Files[I]);
  return Out + "]";
}

}  // namespace

TLimitTable LimitTable(std::span<const int32_t> Frequency) {
  TLimitTable T;
  const auto Coded = Frequency.first(std::min<size_t>(Frequency.size(), 256));
  std::vector<int64_t> Counts;
  for (const int32_t F : Coded)
    if (F > 0) {
      T.Total += F;
      ++T.Distinct;
      Counts.push_back(F);
    }
  if (T.Distinct == 0) return T;
  T.Entropy = EntropyBits(Counts, T.Total) / static_cast<double>(T.Total);
  TLimitProbe Probe(Coded);
  for (int32_t N = 16; N >= SmallestMaxBitLength(T.Distinct); --N)
    T.Rows.push_back({N, Probe.Bits(N, TLimitRule::Repair), Probe.Bits(N, TLimitRule::Optimal)});
  return T;
}

std::string LimitsText(const TLimitTable& T, const std::vector<std::string>& Files,
                       TFigureFormat Format) {
  const auto Average = [&](int64_t Bits) {
    return static_cast<double>(Bits) / static_cast<double>(T.Total);
  };
  if (Format == TFigureFormat::Json) {
    std::string Out = "{\"files\":" + JsonFiles(Files) + ",\"total\":" + std::to_string(T.Total) +
                      ",\"distinct_values\":" + std::to_string(T.Distinct) +
                      ",\"entropy_bits\":" + ShortestDecimals(T.Entropy) + ",\"rows\":[";
    for (size_t I = 0; I < T.Rows.size(); ++I) {
      const TLimitRow& R = T.Rows[I];
      Out += std::string(I > 0 ? "," : "") + "{\"max_bits\":" + std::to_string(R.MaxBits) +
             ",\"repair_total_bits\":" + std::to_string(R.RepairBits) +
             ",\"optimal_total_bits\":" + std::to_string(R.OptimalBits) +
             ",\"repair_average_bits\":" + ShortestDecimals(Average(R.RepairBits)) +
             ",\"optimal_average_bits\":" + ShortestDecimals(Average(R.OptimalBits)) +
             ",\"entropy_bits\":" + ShortestDecimals(T.Entropy) + "}";
    }
    return Out + "]}\n";
  }
  const std::vector<std::string> Head = {"max_bits",
                                         "repair_total_bits",
                                         "optimal_total_bits",
                                         "repair_average_bits",
                                         "optimal_average_bits",
                                         "entropy_bits"};
  if (Format == TFigureFormat::Csv) {
    std::string Out;
    for (size_t C = 0; C < Head.size(); ++C) Out += std::string(C > 0 ? "," : "") + Head[C];
    Out += "\n";
    for (const TLimitRow& R : T.Rows)
      Out += std::to_string(R.MaxBits) + "," + std::to_string(R.RepairBits) + "," +
             std::to_string(R.OptimalBits) + "," + ShortestDecimals(Average(R.RepairBits)) + "," +
             ShortestDecimals(Average(R.OptimalBits)) + "," + ShortestDecimals(T.Entropy) + "\n";
    return Out;
  }
  if (T.Rows.empty()) return "no data: there is no code to limit\n";
  std::vector<std::vector<std::string>> Rows = {Head};
  for (const TLimitRow& R : T.Rows)
    Rows.push_back({std::to_string(R.MaxBits), std::to_string(R.RepairBits),
                    std::to_string(R.OptimalBits), FixedDecimals(Average(R.RepairBits), 4),
                    FixedDecimals(Average(R.OptimalBits), 4), FixedDecimals(T.Entropy, 4)});
  return Aligned(Rows, false);
}

std::string ByteCodeRefusal(const TDesignedCode& Code) {
  for (const auto& S : Code.Symbols)
    if (S.Datum > 255)
      return "the code holds datum " + std::to_string(S.Datum) +
             ", and only bytes (data 0..255) can be coded";
  return {};
}

std::optional<TEvaluation> Evaluate(const TDesignedCode& Code, const TCodeSource& Source,
                                    const std::vector<std::string>& Files,
                                    const TEvaluateHooks& Hooks) {
  TEvaluation E;
  E.Source = Source;
  E.Code = Code;
  int32_t Length[256] = {};
  uint32_t PerLength[17] = {};
  for (const auto& S : Code.Symbols) {
    Length[S.Datum] = S.Length;
    ++PerLength[S.Length];
  }
  // The coded form's header: 6 bytes, one per datum, and 16 counts of W bits
  // each (W the width of the largest count).
  const uint32_t MostOfALength = *std::max_element(std::begin(PerLength), std::end(PerLength));
  const int64_t Header =
      6 + static_cast<int64_t>(Code.Symbols.size()) + 2 * int64_t{BitWidth(MostOfALength)};
  const TLimitRule Rule = LimitRuleOf(Code.LimitRule).value_or(TLimitRule::Repair);
  TEvaluationRow& Sum = E.Total;
  Sum.File = "(total)";
  bool AllCoded = !Files.empty();
  bool Uncodable[256] = {};
  for (size_t I = 0; I < Files.size(); ++I) {
    TByteCount Count;
    std::function<bool(int64_t, int64_t)> Progress;
    if (Hooks.Progress)
      Progress = [&](int64_t Counted, int64_t Size) {
        return Hooks.Progress(I, Files.size(), Counted, Size);
      };
    if (!CountDocumentFile(Files[I], Count, Progress)) return std::nullopt;
    TEvaluationRow R;
    R.File = Files[I];
    R.Bytes = Count.Total();
    std::vector<int32_t> Table(256, 0);
    std::vector<int64_t> Counts(256, 0);
    for (int V = 0; V < 256; ++V) {
      const uint32_t C = Count.Count(static_cast<uint8_t>(V));
      Table[static_cast<size_t>(V)] = static_cast<int32_t>(C);
      Counts[static_cast<size_t>(V)] = C;
      if (C == 0) continue;
      if (Length[V] > 0) {
        R.CodedBits += int64_t{C} * Length[V];
      } else {
        R.Uncodable += C;
        R.UncodableValues.push_back(V);
        Uncodable[V] = true;
      }
    }
    if (R.Bytes > 0) {
      const int32_t Limit = std::max(Code.MaxBits, SmallestMaxBitLength(Count.Distinct()));
      R.OwnBits = CodedBits(Table, Limit, Rule);
      R.EntropyTotalBits = EntropyBits(Counts, R.Bytes);
    }
    if (R.OwnBits > 0)
      R.OverheadPercent =
          100.0 * (static_cast<double>(R.CodedBits) / static_cast<double>(R.OwnBits) - 1.0);
    if (R.Uncodable == 0 && !Code.Symbols.empty() && R.CodedBits / 8 <= MaxCodedPayloadBytes)
      R.CodedBytes = Header + (R.CodedBits + 7) / 8;
    AllCoded = AllCoded && R.CodedBytes.has_value();
    Sum.Bytes += R.Bytes;
    Sum.CodedBits += R.CodedBits;
    Sum.OwnBits += R.OwnBits;
    Sum.EntropyTotalBits += R.EntropyTotalBits;
    Sum.Uncodable += R.Uncodable;
    if (R.CodedBytes) Sum.CodedBytes = Sum.CodedBytes.value_or(0) + *R.CodedBytes;
    E.Files.push_back(std::move(R));
  }
  for (int V = 0; V < 256; ++V)
    if (Uncodable[V]) Sum.UncodableValues.push_back(V);
  if (Sum.OwnBits > 0)
    Sum.OverheadPercent =
        100.0 * (static_cast<double>(Sum.CodedBits) / static_cast<double>(Sum.OwnBits) - 1.0);
  if (!AllCoded) Sum.CodedBytes.reset();
  return E;
}

namespace {

std::string Values(const std::vector<int32_t>& Values, bool Dollar) {
  std::string Out;
  char Buffer[8];
  for (size_t I = 0; I < Values.size(); ++I) {
    if (I > 0) Out += ' ';
    if (Dollar) {
      std::snprintf(Buffer, sizeof Buffer, "$%02X", static_cast<unsigned>(Values[I]));
      Out += Buffer;
    } else {
      Out += std::to_string(Values[I]);
    }
  }
  return Out;
}

std::string RowJson(const TEvaluationRow& R, bool Named) {
  std::string Out = "{";
  if (Named) Out += "\"file\":" + JsonString(R.File) + ",";
  Out += "\"bytes\":" + std::to_string(R.Bytes) + ",\"coded_bits\":" + std::to_string(R.CodedBits) +
         ",\"own_bits\":" + std::to_string(R.OwnBits) +
         ",\"entropy_total_bits\":" + ShortestDecimals(R.EntropyTotalBits) +
         ",\"overhead_percent\":" + ShortestDecimals(R.OverheadPercent) +
         ",\"uncodable\":" + std::to_string(R.Uncodable) + ",\"uncodable_values\":[";
  for (size_t I = 0; I < R.UncodableValues.size(); ++I)
    Out += std::string(I > 0 ? "," : "") + std::to_string(R.UncodableValues[I]);
  Out += "],\"coded_bytes\":" + (R.CodedBytes ? std::to_string(*R.CodedBytes) : "null") + "}";
  return Out;
}

}  // namespace

std::string EvaluationText(const TEvaluation& E, TFigureFormat Format) {
  std::vector<const TEvaluationRow*> Rows;
  for (const TEvaluationRow& R : E.Files) Rows.push_back(&R);
  Rows.push_back(&E.Total);
  if (Format == TFigureFormat::Json) {
    std::string Out = "{\"code\":{\"kind\":" + JsonString(E.Source.Kind) +
                      ",\"file\":" + JsonString(E.Source.File) +
                      ",\"max_bits\":" + std::to_string(E.Code.MaxBits) +
                      ",\"limit_rule\":" + JsonString(E.Code.LimitRule) +
                      ",\"symbols\":" + std::to_string(E.Code.Symbols.size()) +
                      ",\"designed_on\":" + JsonFiles(E.Code.Files) +
                      ",\"designed_total\":" + std::to_string(E.Code.Total) + "},\"files\":[";
    for (size_t I = 0; I < E.Files.size(); ++I)
      Out += std::string(I > 0 ? "," : "") + RowJson(E.Files[I], true);
    return Out + "],\"total\":" + RowJson(E.Total, false) + "}\n";
  }
  if (Format == TFigureFormat::Csv) {
    std::string Out =
        "file,bytes,coded_bits,own_bits,entropy_total_bits,overhead_percent,uncodable,"
        "uncodable_values,coded_bytes\n";
    for (const TEvaluationRow* R : Rows)
      Out += CsvField(R->File) + "," + std::to_string(R->Bytes) + "," +
             std::to_string(R->CodedBits) + "," + std::to_string(R->OwnBits) + "," +
             ShortestDecimals(R->EntropyTotalBits) + "," + ShortestDecimals(R->OverheadPercent) +
             "," + std::to_string(R->Uncodable) + "," + Values(R->UncodableValues, false) + "," +
             (R->CodedBytes ? std::to_string(*R->CodedBytes) : "") + "\n";
    return Out;
  }
  std::string Out = "code: " + E.Source.File + " (" +
                    (E.Source.Kind == "table" ? "frequency table" : "code file") + ", " +
                    std::to_string(E.Code.Symbols.size()) + " symbols, max_bits " +
                    std::to_string(E.Code.MaxBits) + ", " + E.Code.LimitRule + ")\n";
  std::vector<std::vector<std::string>> Table = {{"file", "bytes", "coded_bits", "own_bits",
                                                  "entropy_total_bits", "overhead_percent",
                                                  "uncodable", "coded_bytes"}};
  for (const TEvaluationRow* R : Rows)
    Table.push_back({R->File, std::to_string(R->Bytes), std::to_string(R->CodedBits),
                     std::to_string(R->OwnBits), FixedDecimals(R->EntropyTotalBits, 2),
                     FixedDecimals(R->OverheadPercent, 2), std::to_string(R->Uncodable),
                     R->CodedBytes ? std::to_string(*R->CodedBytes) : "-"});
  Out += Aligned(Table, true);
  for (const TEvaluationRow& R : E.Files)
    if (R.Uncodable > 0)
      Out += R.File + ": " + std::to_string(R.Uncodable) + " uncodable bytes, values " +
             Values(R.UncodableValues, true) + "\n";
  return Out;
}

std::optional<std::string> EvaluateTableText(std::span<const int32_t> Frequency, int32_t MaxBits,
                                             TLimitRule Rule, const std::string& TableName,
                                             const std::vector<std::string>& Files,
                                             TFigureFormat Format, const TEvaluateHooks& Hooks) {
  TDesignedCode Code;
  if (auto Designed = DesignCode(Frequency, MaxBits, Rule, {TableName})) {
    Code = std::move(*Designed);
  } else {
    Code.MaxBits = MaxBits;
    Code.LimitRule = LimitRuleName(Rule);
    Code.Files = {TableName};
  }
  const auto E = Evaluate(Code, TCodeSource{"table", TableName}, Files, Hooks);
  if (!E) return std::nullopt;
  return EvaluationText(*E, Format);
}

std::string FixedDecimals(double Value, int Decimals) {
  char Buffer[64];
  const auto R =
      std::to_chars(Buffer, Buffer + sizeof Buffer, Value, std::chars_format::fixed, Decimals);
  return std::string(Buffer, R.ptr);
}

std::string ShortestDecimals(double Value) {
  char Buffer[64];
  const auto R = std::to_chars(Buffer, Buffer + sizeof Buffer, Value);
  return std::string(Buffer, R.ptr);
}
