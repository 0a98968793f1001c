// Writes the seed corpora of the fuzz targets from the model coder:
//   MakeSeeds <folder>   creates <folder>/FuzzDecode and <folder>/FuzzRoundTrip
// Seeds are small on purpose: the fuzzer finds the rest.
#include "CompressModel.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numeric>

namespace {

using namespace CompressModel;

void Save(const std::filesystem::path& Folder, const std::string& Name, const TBytes& B) {
  std::filesystem::create_directories(Folder);
  std::ofstream(Folder / Name, std::ios::binary)
      .write(reinterpret_cast<const char*>(B.data()), static_cast<std::streamsize>(B.size()));
}

TBytes Bytes(const std::string& S) { return TBytes(S.begin(), S.end()); }

TBytes Coded(const TBytes& In) {
  return CodedForm(BuildCode(In.data(), In.size()), In.data(), In.size());
}
TBytes Stored(const TBytes& In) { return StoredForm(In.data(), In.size()); }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: MakeSeeds <folder>\n");
    return 2;
  }
  const std::filesystem::path Root = argv[1];
  const auto RoundTrip = Root / "FuzzRoundTrip";
  const auto Decode = Root / "FuzzDecode";

  TBytes AllValues(256);
  std::iota(AllValues.begin(), AllValues.end(), 0);
  // Fibonacci frequencies 1, 1, 2, ..., 2584: a tree of depth 17, one over
  // the limit.
  TBytes Deep;
  for (uint32_t k = 0, A = 1, B = 1; k < 18; ++k, B += A, A = B - A)
    Deep.insert(Deep.end(), A, static_cast<uint8_t>('a' + k));
  TBytes Skewed;
  for (uint32_t k = 0; k < 600; ++k)
    Skewed.push_back(static_cast<uint8_t>(k % 7 == 0 ? k * 37 : k % 3));
  const TBytes Text = Bytes(
      "It was the best of times, it was the worst of times,\r\nit was the age of wisdom.\r\n");
  const TBytes Abra = Bytes("abracadabra");
  const TBytes Run(1000, 0x41);

  Save(RoundTrip, "empty", {});
  Save(RoundTrip, "one-byte", {0x00});
  Save(RoundTrip, "abracadabra", Abra);
  Save(RoundTrip, "run-1000", Run);
  Save(RoundTrip, "all-values", AllValues);
  Save(RoundTrip, "fibonacci-18", Deep);
  Save(RoundTrip, "skewed", Skewed);
  Save(RoundTrip, "text", Text);

  Save(Decode, "stored-empty", Stored({}));
  Save(Decode, "stored-abracadabra", Stored(Abra));
  Save(Decode, "coded-abracadabra", Coded(Abra));
  Save(Decode, "coded-run", Coded(Run));
  Save(Decode, "coded-all-values", Coded(AllValues));
  Save(Decode, "coded-fibonacci-18", Coded(Deep));
  Save(Decode, "coded-skewed", Coded(Skewed));
  Save(Decode, "coded-text", Coded(Text));
  // A payload of 1 bits under a one-value code: no code matches.
  TBytes Bad = Coded(TBytes(16, 0x41));
  Bad.back() = 0xFF;
  Save(Decode, "coded-unmatched", Bad);
  // Counts that leave the last of 5 entries without a length.
  TBytes Short = Coded(Abra);
  PutBits(Short, (6 + 5) * 8 + 2 * 3, 3, 3);
  Save(Decode, "coded-short-counts", Short);
  // Counts that promise seven codes of length 1: the third entry on would
  // need codes past 16 bits.
  TBytes Overfull = Coded(Abra);
  PutBits(Overfull, (6 + 5) * 8, 7, 3);
  Save(Decode, "coded-overfull-counts", Overfull);
  // Form tag 3 still counts as coded.
  TBytes Tag3 = Coded(Text);
  Tag3[0] |= 3;
  Save(Decode, "coded-tag-3", Tag3);
  return 0;
}
