// The worked example every layer shares: the 11 bytes "abracadabra" (a 5,
// b 2, r 2, c 1, d 1), and the texts its code gives, written out by hand.
// The engine's reports, the document's views, the window and quorvant-cli
// must all produce exactly these bytes.
#pragma once

#include <string>

namespace AbracadabraGolden {

// The leaf table report: ruled head, five rows in table order, empty line.
inline const std::string TableText =
    "================================================================\r\n"
    "Index: Data: Frequency: BitLength: BitPattern: Parent: Left: Right\r\n"
    "================================================================\r\n"
    "0  :  $61  :  5  :  1  :  0 = 0  :  8  :  -1  :  -1\r\n"
    "2  :  $62  :  2  :  3  :  001 = 1  :  6  :  -1  :  -1\r\n"
    "1  :  $72  :  2  :  3  :  101 = 5  :  6  :  -1  :  -1\r\n"
    "4  :  $63  :  1  :  3  :  011 = 3  :  5  :  -1  :  -1\r\n"
    "3  :  $64  :  1  :  3  :  111 = 7  :  5  :  -1  :  -1\r\n"
    "\r\n";

// The two arrays with the default data name, data ascending (a, b, c, d, r).
inline const std::string ArraySource =
    "  // データのハフマン分布の BitPattern\r\n"
    "  BitPattern: array[0..4] of Byte = (\r\n"
    "  0, 1, 3, 7, 5);\r\n"
    "\r\n"
    "  // データのハフマン分布の BitLength\r\n"
    "  BitLength: array[0..4] of Byte = (\r\n"
    "  1, 3, 3, 3, 3);\r\n";

// The views of the file abra.txt holding those bytes, opened in 8-bit mode.
inline const std::string ViewHead =
    "ファイル名 = abra.txt\r\n"
    "ハフマン符号による圧縮率 = 26.1 %\r\n"
    "\r\n";
inline const std::string DistributionView = ViewHead + "<データのハフマン分布>\r\n" + TableText;
inline const std::string ArrayView = ViewHead + ArraySource;

}  // namespace AbracadabraGolden
