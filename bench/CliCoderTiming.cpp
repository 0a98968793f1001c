// The engine's own in-memory coding time for one file, the yardstick of
// bench/cli.sh: the file is loaded first (not timed), then Encode, and Decode
// of what Encode produced, each timed alone.
//
// Usage: CliCoderTiming [--load-only] FILE
// Prints "load_seconds S" (reading FILE into memory, as quorvant-cli does),
// then unless --load-only "encode_seconds S", "decode_seconds S",
// "coded_bytes N", "peak_rss_kib K", one per line; each *_seconds line is
// followed by a *_cpu_seconds line (processor time of the same step, which
// other processes on a shared machine do not inflate).
#include "Compress.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

double CpuSeconds() {
  timespec T{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &T);
  return double(T.tv_sec) + double(T.tv_nsec) / 1e9;
}

}  // namespace

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
    double C0 = CpuSeconds();
    H.InStream().LoadFromFile(Argv[Argc - 1]);
    std::printf("load_seconds %.3f\nload_cpu_seconds %.3f\n",
                std::chrono::duration<double>(Clock::now() - T0).count(), CpuSeconds() - C0);
    if (LoadOnly) return 0;
    const int64_t Size = H.InStream().Size();
    T0 = Clock::now();
    C0 = CpuSeconds();
    H.Encode();
    const double EncodeSeconds = std::chrono::duration<double>(Clock::now() - T0).count();
    const double EncodeCpu = CpuSeconds() - C0;
    const int64_t Coded = H.OutStream().Size();
    H.SwapStreams();
    H.OutStream().Clear();
    T0 = Clock::now();
    C0 = CpuSeconds();
    H.Decode();
    const double DecodeSeconds = std::chrono::duration<double>(Clock::now() - T0).count();
    const double DecodeCpu = CpuSeconds() - C0;
    const bool Same = H.OutStream().Size() == Size;
    rusage Usage{};
    getrusage(RUSAGE_SELF, &Usage);
    std::printf(
        "encode_seconds %.3f\nencode_cpu_seconds %.3f\ndecode_seconds %.3f\n"
        "decode_cpu_seconds %.3f\ncoded_bytes %lld\npeak_rss_kib %ld\n",
        EncodeSeconds, EncodeCpu, DecodeSeconds, DecodeCpu, static_cast<long long>(Coded),
        Usage.ru_maxrss);
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
