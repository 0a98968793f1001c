// The recent-files list reader on arbitrary bytes: whatever the file holds,
// the list is at most MaxRecentFiles absolute paths without repeats or
// control characters, and writing it and reading it back gives it again.
#include "RecentFiles.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

[[noreturn]] void Fault(const char* What) {
  std::fprintf(stderr, "FuzzRecentList: %s\n", What);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string Text(reinterpret_cast<const char*>(Data), Size);
  const std::vector<std::string> Paths = ParseRecentList(Text);
  if (Paths.size() > MaxRecentFiles) Fault("too many paths");
  for (size_t I = 0; I < Paths.size(); ++I) {
    const std::string& P = Paths[I];
    if (P.empty() || P[0] != '/' || P.size() > MaxRecentPathBytes) Fault("path");
    if (std::any_of(P.begin(), P.end(),
                    [](char C) { return static_cast<unsigned char>(C) < 0x20; }))
      Fault("control character");
    if (std::find(Paths.begin(), Paths.begin() + static_cast<std::ptrdiff_t>(I), P) !=
        Paths.begin() + static_cast<std::ptrdiff_t>(I))
      Fault("repeat");
  }
  if (ParseRecentList(RecentListText(Paths)) != Paths) Fault("round trip");
  std::vector<std::string> Added = Paths;
  AddRecentFile(Added, "/fuzz");
  if (Added.empty() || Added.front() != "/fuzz" || Added.size() > MaxRecentFiles) Fault("add");
  return 0;
}
