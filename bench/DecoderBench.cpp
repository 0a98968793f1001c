// The generated C decoders' speed beside the engine's Decode, on the same
// coded forms (32 MiB of output each), one thread: qv_decode on the whole
// coded form, and the raw-stream decoders of each input's code (decoder
// --code) on its payload, as it is (lsb0) and with every byte's bits turned
// round (msb0).
//
// Targets: qv_decode at least half the engine's MB/s on every input; the raw
// decoders, both bit orders, at least qv_decode's MB/s on every input.
//
// Usage: DecoderBench [REPETITIONS]   (default 5; the best run counts)
// MB/s are decimal (10^6 bytes of decoded output) per second of the
// thread's processor time.
#include "Compress.h"
#include "DecoderInputs.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

extern "C" {
int qv_decode(const uint8_t* in, size_t in_size, uint8_t* out, size_t out_capacity,
              size_t* out_size);
#define QV_RAW(Name) \
  int Name(const uint8_t* in, size_t in_bits, uint8_t* out, size_t count, size_t* used_bits);
QV_RAW(raw_lsb0_0_decode)
QV_RAW(raw_lsb0_1_decode)
QV_RAW(raw_lsb0_2_decode)
QV_RAW(raw_lsb0_3_decode)
QV_RAW(raw_msb0_0_decode)
QV_RAW(raw_msb0_1_decode)
QV_RAW(raw_msb0_2_decode)
QV_RAW(raw_msb0_3_decode)
}

namespace {

using DecoderInputs::TBytes;
using TRawDecode = int (*)(const uint8_t*, size_t, uint8_t*, size_t, size_t*);
constexpr TRawDecode RawLsb0[] = {raw_lsb0_0_decode, raw_lsb0_1_decode, raw_lsb0_2_decode,
                                  raw_lsb0_3_decode};
constexpr TRawDecode RawMsb0[] = {raw_msb0_0_decode, raw_msb0_1_decode, raw_msb0_2_decode,
                                  raw_msb0_3_decode};

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

// The payload of a coded form and its length in bits.
TBytes Payload(const TBytes& Stream, size_t& Bits) {
  const uint32_t Word = Stream[0] | Stream[1] << 8 | Stream[2] << 16 | uint32_t{Stream[3]} << 24;
  const size_t N = Stream[5] != 0 ? Stream[5] : 256, W = Stream[4] >> 3;
  Bits = size_t{Word >> 2} * 8 + (Stream[4] & 7u);
  return TBytes(Stream.begin() + static_cast<std::ptrdiff_t>(6 + N + 2 * W), Stream.end());
}

// The same bits packed from bit 7 of each byte downward.
TBytes Msb0(TBytes Bytes) {
  for (uint8_t& B : Bytes) {
    uint8_t R = 0;
    for (int K = 0; K < 8; ++K) R = static_cast<uint8_t>(R | ((B >> K) & 1) << (7 - K));
    B = R;
  }
  return Bytes;
}

// The thread's processor time: other work on a shared machine slows a run
// less than it would on the wall clock.
double Now() {
  timespec T{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &T);
  return static_cast<double>(T.tv_sec) + static_cast<double>(T.tv_nsec) * 1e-9;
}

double Seconds(double Since) { return Now() - Since; }

}  // namespace

int main(int argc, char** argv) {
  const int Repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  std::printf("%-18s %8s %11s %14s %14s %14s %6s\n", "input", "coded MB", "engine MB/s",
              "qv_decode MB/s", "raw lsb0 MB/s", "raw msb0 MB/s", "raw/qv");
  bool Met = true, RawMet = true;
  for (int Shape = 0; Shape < DecoderInputs::Shapes; ++Shape) {
    const char* Name = DecoderInputs::Names[Shape];
    const TBytes Data = DecoderInputs::Input(Shape);
    const TBytes Stream = Coded(Data);
    size_t Bits = 0;
    const TBytes Lsb0 = Payload(Stream, Bits), Msb0Bytes = Msb0(Lsb0);
    THuffman H;
    H.InStream().Write(Stream.data(), static_cast<int32_t>(Stream.size()));
    TBytes Out(Data.size());
    double Engine = 1e30, Generated = 1e30, Raw[2] = {1e30, 1e30};
    for (int R = 0; R < Repetitions; ++R) {
      auto T = Now();
      H.Decode();
      Engine = std::min(Engine, Seconds(T));
      size_t Size = 0;
      T = Now();
      const int Result = qv_decode(Stream.data(), Stream.size(), Out.data(), Out.size(), &Size);
      Generated = std::min(Generated, Seconds(T));
      if (Result != 0 || Size != Data.size() || Out != Data ||
          H.OutStream().Size() != static_cast<int64_t>(Data.size())) {
        std::fprintf(stderr, "%s: the decoders disagree (result %d)\n", Name, Result);
        return 1;
      }
      for (int Order = 0; Order < 2; ++Order) {
        std::fill(Out.begin(), Out.end(), 0);
        size_t Used = 0;
        T = Now();
        const int RawResult = (Order == 0 ? RawLsb0 : RawMsb0)[Shape](
            (Order == 0 ? Lsb0 : Msb0Bytes).data(), Bits, Out.data(), Out.size(), &Used);
        Raw[Order] = std::min(Raw[Order], Seconds(T));
        if (RawResult != 0 || Used != Bits || Out != Data) {
          std::fprintf(stderr, "%s: the raw %s decoder disagrees (result %d)\n", Name,
                       Order == 0 ? "lsb0" : "msb0", RawResult);
          return 1;
        }
      }
    }
    const double Mb = static_cast<double>(Data.size()) / 1e6;
    const double Ratio = (Mb / Generated) / (Mb / Engine);
    const double RawRatio = Generated / std::max(Raw[0], Raw[1]);
    Met = Met && Ratio >= 0.5;
    RawMet = RawMet && RawRatio >= 1.0;
    std::printf("%-18s %8.1f %11.0f %14.0f %14.0f %14.0f %6.2f\n", Name,
                static_cast<double>(Stream.size()) / 1e6, Mb / Engine, Mb / Generated, Mb / Raw[0],
                Mb / Raw[1], RawRatio);
  }
  std::printf("target qv_decode >= 0.5 x engine: %s\n", Met ? "met" : "NOT met");
  std::printf("target raw decoders >= qv_decode: %s\n", RawMet ? "met" : "NOT met");
  return 0;
}
