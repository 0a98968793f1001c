// quorvant-cli's arrays in C: the window's array view as C/C++ static const
// arrays of the smallest fitting unsigned type, 16 values a line.
#pragma once

#include <string>

namespace Cli {

// ArrayView: the view "ハフマン配列" (its first two lines, file name and
// ratio, become the head comments); Source: the Pascal arrays of that view
// (HuffmanArraySource, not empty).  CR LF line ends.  Comment texts are made
// safe for C comments.  A source that is not two Pascal arrays raises
// TFailure "the array source could not be translated to C".
std::string CArraysText(const std::string& ArrayView, const std::string& Source);

}  // namespace Cli
