// The generated C decoder's speed beside the engine's Decode, on the same
// coded forms (32 MiB of output each), one thread.
//
// Target: qv_decode at least half the engine's MB/s on every input.
//
// Usage: DecoderBench [REPETITIONS]   (default 5; the best run counts)
// MB/s are decimal (10^6 bytes of decoded output) per second of wall time.
#include "Compress.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

extern "C" int qv_decode(const uint8_t* in, size_t in_size, uint8_t* out, size_t out_capacity,
                         size_t* out_size);

namespace {

using TBytes = std::vector<uint8_t>;
constexpr size_t InputSize = size_t{32} << 20;

TBytes Input(int Shape) {
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

TBytes Coded(const TBytes& Data) {
  THuffman H;
  H.InStream().Write(Data.data(), static_cast<int32_t>(Data.size()));
  H.CountFrequencies();
  H.BuildTree();
  H.AssignCodes();
  H.EncodeData();
  const auto* P = static_cast<const uint8_t*>(H.OutStream().Memory());
  return TBytes(P, P + H.OutStream().Size());
}

double Seconds(std::chrono::steady_clock::time_point Since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - Since).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int Repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const char* Names[] = {"english-like text", "skewed bytes", "200 even values", "long tail"};
  std::printf("%-18s %10s %12s %12s %7s\n", "input", "coded MB", "engine MB/s", "qv_decode MB/s",
              "ratio");
  bool Met = true;
  for (int Shape = 0; Shape < 4; ++Shape) {
    const TBytes Data = Input(Shape);
    const TBytes Stream = Coded(Data);
    THuffman H;
    H.InStream().Write(Stream.data(), static_cast<int32_t>(Stream.size()));
    TBytes Out(Data.size());
    double Engine = 1e30, Generated = 1e30;
    for (int R = 0; R < Repetitions; ++R) {
      auto T = std::chrono::steady_clock::now();
      H.Decode();
      Engine = std::min(Engine, Seconds(T));
      size_t Size = 0;
      T = std::chrono::steady_clock::now();
      const int Result = qv_decode(Stream.data(), Stream.size(), Out.data(), Out.size(), &Size);
      Generated = std::min(Generated, Seconds(T));
      if (Result != 0 || Size != Data.size() || Out != Data ||
          H.OutStream().Size() != static_cast<int64_t>(Data.size())) {
        std::fprintf(stderr, "%s: the decoders disagree (result %d)\n", Names[Shape], Result);
        return 1;
      }
    }
    const double Mb = static_cast<double>(Data.size()) / 1e6;
    const double Ratio = (Mb / Generated) / (Mb / Engine);
    Met = Met && Ratio >= 0.5;
    std::printf("%-18s %10.1f %12.0f %14.0f %7.2f\n", Names[Shape],
                static_cast<double>(Stream.size()) / 1e6, Mb / Engine, Mb / Generated, Ratio);
  }
  std::printf("target qv_decode >= 0.5 x engine: %s\n", Met ? "met" : "NOT met");
  return 0;
}
