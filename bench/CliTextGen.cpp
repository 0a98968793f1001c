// Writes Size bytes of text-like data to standard output: words of a fixed
// vocabulary drawn with a Zipf-like law, in lines of about 70 characters.
// Deterministic, so that every run measures the same input.
//
// Usage: CliTextGen SIZE
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int Argc, char** Argv) {
  if (Argc != 2) {
    std::fprintf(stderr, "usage: CliTextGen SIZE\n");
    return 2;
  }
  const uint64_t Size = std::strtoull(Argv[1], nullptr, 10);
  uint64_t State = 0x9E3779B97F4A7C15ULL;
  const auto Next = [&] {  // xorshift64*
    State ^= State >> 12;
    State ^= State << 25;
    State ^= State >> 27;
    return State * 0x2545F4914F6CDD1DULL;
  };
  // 4096 words of 1..12 letters; word k is drawn with weight 1 / (k + 1).
  std::vector<std::string> Words;
  for (int K = 0; K < 4096; ++K) {
    std::string W;
    const int Length = 1 + static_cast<int>(Next() % 12);
    // Letters by rough English frequency: low indices are drawn more often.
    static const char Letters[] = "etaoinshrdlcumwfgypbvkjxqz";
    for (int I = 0; I < Length; ++I) W += Letters[Next() % 26 * (Next() % 26) / 26];
    if (K % 17 == 0) W[0] = static_cast<char>(W[0] - 'a' + 'A');
    Words.push_back(W);
  }
  std::vector<double> Cumulative;
  double Sum = 0;
  for (size_t K = 0; K < Words.size(); ++K) Cumulative.push_back(Sum += 1.0 / double(K + 1));
  std::string Buffer;
  Buffer.reserve(1 << 20);
  uint64_t Written = 0;
  size_t Column = 0;
  while (Written < Size) {
    const double U = double(Next() >> 11) / double(1ULL << 53) * Sum;
    size_t Lo = 0, Hi = Cumulative.size() - 1;
    while (Lo < Hi) {
      const size_t Mid = (Lo + Hi) / 2;
      if (Cumulative[Mid] < U)
        Lo = Mid + 1;
      else
        Hi = Mid;
    }
    Buffer += Words[Lo];
    Column += Words[Lo].size() + 1;
    if (Column > 70) {
      Buffer += Next() % 5 == 0 ? ".\n" : "\n";
      Column = 0;
    } else {
      Buffer += Next() % 11 == 0 ? ", " : " ";
    }
    if (Buffer.size() >= (1 << 20) || Written + Buffer.size() >= Size) {
      const size_t Take = static_cast<size_t>(std::min<uint64_t>(Buffer.size(), Size - Written));
      if (std::fwrite(Buffer.data(), 1, Take, stdout) != Take) return 1;
      Written += Take;
      Buffer.clear();
    }
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}
