// The optimal length limit's cost for 256 values: package-merge at every
// limit from 16 down to 8, and the whole limits table (both rules at every
// limit, as `quorvant-cli limits` computes it), medians of many runs.
//
//   LimitRuleTiming [RUNS]
//
// Prints one line per distribution:
//   "<name> optimal_all_limits_us=<median> limit_table_us=<median>"
#include "Compress.h"
#include "Designer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

double MedianMicroseconds(int Runs, const std::function<void()>& Work) {
  std::vector<double> Times;
  for (int R = 0; R < Runs; ++R) {
    const auto Start = std::chrono::steady_clock::now();
    Work();
    Times.push_back(
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - Start)
            .count());
  }
  std::sort(Times.begin(), Times.end());
  return Times[Times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int Runs = argc > 1 ? std::atoi(argv[1]) : 501;
  struct TCase {
    const char* Name;
    std::function<int32_t(int)> Frequency;
  };
  // Zipf-like text, a steep geometric fall (the limit binds hard), flat.
  const TCase Cases[] = {
      {"zipf", [](int V) { return static_cast<int32_t>(1000000.0 / (V + 1)); }},
      {"geometric", [](int V) { return static_cast<int32_t>(1 + 1048576.0 * std::pow(0.93, V)); }},
      {"flat", [](int V) { return 1000 + V % 7; }},
  };
  bool Met = true;
  for (const TCase& C : Cases) {
    std::vector<int32_t> Table(256);
    std::vector<int64_t> Weights(256);
    for (int V = 0; V < 256; ++V)
      Weights[static_cast<size_t>(V)] = Table[static_cast<size_t>(V)] = C.Frequency(V);
    volatile int64_t Sink = 0;
    const double Optimal = MedianMicroseconds(Runs, [&] {
      for (int32_t Bits = 16; Bits >= 8; --Bits)
        Sink = Sink + OptimalLimitedLengths(Weights, Bits)[0];
    });
    const double Table_ =
        MedianMicroseconds(Runs / 5 + 1, [&] { Sink = Sink + LimitTable(Table).Rows.size(); });
    std::printf("%-10s optimal_all_limits_us=%.1f limit_table_us=%.1f\n", C.Name, Optimal, Table_);
    Met = Met && Optimal < 1000;
  }
  return Met ? 0 : 1;
}
