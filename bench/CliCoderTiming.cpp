// The engine's own in-memory coding time for one file, the yardstick of
// bench/cli.sh: the file is loaded first (not timed), then Encode, and Decode
// of what Encode produced, each timed alone.
//
// Usage: CliCoderTiming [--load-only] FILE
// Prints "load_seconds S" (reading FILE into memory, as quorvant-cli does),
// then unless --load-only "encode_seconds S", "decode_seconds S",
// "coded_bytes N", "peak_rss_kib K", one per line.
#include "Compress.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>

int main(int Argc, char** Argv) {
  const bool LoadOnly = Argc == 3 && std::strcmp(Argv[1], "--load-only") == 0;
  if (Argc != 2 && !LoadOnly) {
    std::fprintf(stderr, "usage: CliCoderTiming [--load-only] FILE\n");
    return 2;
  }
  try {
    using Clock = std::chrono::steady_clock;
    THuffman H;
    auto T0 = Clock::now();
    H.InStream().LoadFromFile(Argv[Argc - 1]);
    std::printf("load_seconds %.3f\n", std::chrono::duration<double>(Clock::now() - T0).count());
    if (LoadOnly) return 0;
    const int64_t Size = H.InStream().Size();
    T0 = Clock::now();
    H.Encode();
    const double EncodeSeconds = std::chrono::duration<double>(Clock::now() - T0).count();
    const int64_t Coded = H.OutStream().Size();
    H.SwapStreams();
    H.OutStream().Clear();
    T0 = Clock::now();
    H.Decode();
    const double DecodeSeconds = std::chrono::duration<double>(Clock::now() - T0).count();
    const bool Same = H.OutStream().Size() == Size;
    rusage Usage{};
    getrusage(RUSAGE_SELF, &Usage);
    std::printf("encode_seconds %.3f\ndecode_seconds %.3f\ncoded_bytes %lld\npeak_rss_kib %ld\n",
                EncodeSeconds, DecodeSeconds, static_cast<long long>(Coded), Usage.ru_maxrss);
    if (!Same) {
      std::fprintf(stderr, "CliCoderTiming: decoded size differs from the input\n");
      return 1;
    }
  } catch (const std::exception& E) {
    std::fprintf(stderr, "CliCoderTiming: %s\n", E.what());
    return 1;
  }
  return 0;
}
