// The decoder benchmark's inputs (32 MiB each), shared by the benchmark and
// the generator that bakes their codes into raw-stream decoders.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <random>
#include <vector>

namespace DecoderInputs {

using TBytes = std::vector<uint8_t>;
constexpr size_t InputSize = size_t{32} << 20;
constexpr int Shapes = 4;
constexpr const char* Names[Shapes] = {"english-like text", "skewed bytes", "200 even values",
                                       "long tail"};

inline TBytes Input(int Shape) {
  std::mt19937_64 Rng(42 + static_cast<uint64_t>(Shape));
  TBytes Data(InputSize);
  // English-like letter weights (per mille), blank and line end.
  static const int Weights[] = {82, 15, 28, 43, 127, 22, 20, 61, 70, 2,  8, 40, 24,
                                67, 75, 19, 1,  60,  63, 91, 28, 10, 24, 2, 20, 1};
  std::discrete_distribution<int> Letters(std::begin(Weights), std::end(Weights));
  for (uint8_t& B : Data) {
    switch (Shape) {
      case 0: {
        const int K = static_cast<int>(Rng() % 6);
        B = K == 0                      ? ' '
            : K == 1 && Rng() % 20 == 0 ? '\n'
                                        : static_cast<uint8_t>('a' + Letters(Rng));
        break;
      }
      case 1: B = static_cast<uint8_t>(__builtin_ctzll(Rng() | (1ull << 40)) * 5); break;
      case 2: B = static_cast<uint8_t>(Rng() % 200); break;
      default: {
        // Long tail: most data short codes, a tenth up to 16 bits.
        uint32_t V = 0;
        while (V < 40 && Rng() % 10 < 6) ++V;
        B = static_cast<uint8_t>(V);
      }
    }
  }
  return Data;
}

}  // namespace DecoderInputs
