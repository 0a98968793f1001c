#include "SysUtils.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <vector>

Exception::Exception(std::string Message) : FMessage(std::move(Message)) {}

std::string Format(const char* Fmt, ...) {
  va_list Args;
  va_start(Args, Fmt);
  va_list Copy;
  va_copy(Copy, Args);
  const int Needed = std::vsnprintf(nullptr, 0, Fmt, Copy);
  va_end(Copy);
  std::string Result;
  if (Needed > 0) {
    Result.resize(static_cast<size_t>(Needed) + 1);
    std::vsnprintf(Result.data(), Result.size(), Fmt, Args);
    Result.resize(static_cast<size_t>(Needed));
  }
  va_end(Args);
  return Result;
}

std::string IntToStr(int64_t Value) { return std::to_string(Value); }

std::string IntToHex(uint64_t Value, int Digits) {
  static const char Hex[] = "0123456789ABCDEF";
  std::string Result;
  do {
    Result.insert(Result.begin(), Hex[Value & 15]);
    Value >>= 4;
  } while (Value != 0);
  if (static_cast<int>(Result.size()) < Digits)
    Result.insert(0, static_cast<size_t>(Digits) - Result.size(), '0');
  return Result;
}

bool TryStrToInt(std::string_view Text, int32_t& Value) {
  if (Text.empty()) return false;
  bool Negative = false;
  size_t I = 0;
  if (Text[0] == '+' || Text[0] == '-') {
    Negative = Text[0] == '-';
    I = 1;
  }
  if (I == Text.size()) return false;
  int64_t Acc = 0;
  for (; I < Text.size(); ++I) {
    const char C = Text[I];
    if (C < '0' || C > '9') return false;
    Acc = Acc * 10 + (C - '0');
    if (Acc > int64_t{std::numeric_limits<int32_t>::max()} + 1) return false;
  }
  if (Negative) Acc = -Acc;
  if (Acc < std::numeric_limits<int32_t>::min() || Acc > std::numeric_limits<int32_t>::max())
    return false;
  Value = static_cast<int32_t>(Acc);
  return true;
}

int32_t StrToIntDef(std::string_view Text, int32_t Default) {
  int32_t Value = 0;
  return TryStrToInt(Text, Value) ? Value : Default;
}

int32_t StrToInt(std::string_view Text) {
  int32_t Value = 0;
  if (!TryStrToInt(Text, Value))
    throw EConvertError(Format(SInvalidInteger, std::string(Text).c_str()));
  return Value;
}

std::string FormatFixed(double Value, int Width, int Decimals, char DecimalSeparator) {
  if (!std::isfinite(Value)) return std::isnan(Value) ? "NAN" : (Value < 0 ? "-INF" : "INF");
  // Round on the 15-significant-digit decimal form, so that binary noise such
  // as 0.1499999... counts as the 0.15 the user meant, then half up.
  char Buffer[64];
  std::snprintf(Buffer, sizeof Buffer, "%.14e", std::fabs(Value));
  // Buffer: d.dddddddddddddde[+-]XX
  std::string Digits;
  Digits += Buffer[0];
  for (int I = 2; I < 16; ++I) Digits += Buffer[I];
  const int Exponent = std::atoi(Buffer + 17);
  // Digits holds 15 digits of the value, the first one at 10^Exponent.
  // Place them into an integer part and a fraction of Decimals + 1 digits.
  std::vector<int> All;  // digits from 10^Top down to 10^-(Decimals+1)
  const int Top = std::max(Exponent, 0);
  for (int P = Top; P >= -(Decimals + 1); --P) {
    const int Index = Exponent - P;
    All.push_back(Index >= 0 && Index < static_cast<int>(Digits.size()) ? Digits[Index] - '0' : 0);
  }
  // Half up at the last kept digit (digits beyond Decimals+1 only matter when
  // the deciding digit is exactly 5 followed by zeros, which is "half").
  const bool RoundUp = All.back() >= 5;
  All.pop_back();
  if (RoundUp) {
    int I = static_cast<int>(All.size()) - 1;
    while (I >= 0) {
      if (++All[I] < 10) break;
      All[I] = 0;
      --I;
    }
    if (I < 0) All.insert(All.begin(), 1);
  }
  const int FractionDigits = Decimals;
  const int IntegerDigits = static_cast<int>(All.size()) - FractionDigits;
  std::string Result;
  bool AllZero = true;
  for (int D : All) AllZero = AllZero && D == 0;
  if (Value < 0 && !AllZero) Result += '-';
  bool Leading = true;
  for (int I = 0; I < IntegerDigits; ++I) {
    if (Leading && All[I] == 0 && I < IntegerDigits - 1) continue;
    Leading = false;
    Result += static_cast<char>('0' + All[I]);
  }
  if (FractionDigits > 0) {
    Result += DecimalSeparator;
    for (int I = IntegerDigits; I < static_cast<int>(All.size()); ++I)
      Result += static_cast<char>('0' + All[I]);
  }
  if (static_cast<int>(Result.size()) < Width)
    Result.insert(0, static_cast<size_t>(Width) - Result.size(), ' ');
  return Result;
}
