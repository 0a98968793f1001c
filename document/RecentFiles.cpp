#include "RecentFiles.h"

#include <algorithm>

namespace {

bool IsKeptPath(std::string_view Line) {
  if (Line.empty() || Line.front() != '/' || Line.size() > MaxRecentPathBytes) return false;
  return std::none_of(Line.begin(), Line.end(),
                      [](char C) { return static_cast<unsigned char>(C) < 0x20 || C == 0x7F; });
}

}  // namespace

std::vector<std::string> ParseRecentList(std::string_view Text) {
  std::vector<std::string> Paths;
  if (Text.size() > MaxRecentListBytes || Text.find('\0') != std::string_view::npos) return Paths;
  while (!Text.empty() && Paths.size() < MaxRecentFiles) {
    const size_t End = std::min(Text.find('\n'), Text.size());
    std::string_view Line = Text.substr(0, End);
    Text.remove_prefix(std::min(End + 1, Text.size()));
    if (!Line.empty() && Line.back() == '\r') Line.remove_suffix(1);
    if (IsKeptPath(Line) && std::find(Paths.begin(), Paths.end(), Line) == Paths.end())
      Paths.emplace_back(Line);
  }
  return Paths;
}

std::string RecentListText(const std::vector<std::string>& Paths) {
  std::string Text;
  for (const std::string& Path : Paths) Text += Path + "\r\n";
  return Text;
}

void AddRecentFile(std::vector<std::string>& Paths, const std::string& Path) {
  if (!IsKeptPath(Path)) return;
  std::erase(Paths, Path);
  Paths.insert(Paths.begin(), Path);
  if (Paths.size() > MaxRecentFiles) Paths.resize(MaxRecentFiles);
}
