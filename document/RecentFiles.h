// The list of recently opened files, as kept in its own small text file: one
// absolute path a line (LF or CR LF), newest first.  No Qt.
//
// The file may have been damaged or written by someone else: reading never
// fails, it keeps what is sound and drops the rest.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

inline constexpr size_t MaxRecentFiles = 8;
// A list file larger than this is no list of ours and is ignored whole.
inline constexpr size_t MaxRecentListBytes = 64 * 1024;
// Longest path kept (the system's own limit, terminator excluded).
inline constexpr size_t MaxRecentPathBytes = 4095;

// The paths Text holds, at most MaxRecentFiles, in order, without repeats.
// A line is dropped when it is empty, not absolute, longer than
// MaxRecentPathBytes or holds a control character; the whole text is
// dropped (an empty list) when it is larger than MaxRecentListBytes or holds
// a NUL byte.
std::vector<std::string> ParseRecentList(std::string_view Text);

// The list as its file holds it: each path followed by CR LF.
std::string RecentListText(const std::vector<std::string>& Paths);

// Path moved (or put) first; the list then cut to MaxRecentFiles.  A path
// ParseRecentList would drop is not added.
void AddRecentFile(std::vector<std::string>& Paths, const std::string& Path);
