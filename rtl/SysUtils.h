// Stand-in for the run-time library's SysUtils: the exception classes, the
// messages the run-time raises, and the small conversions and formatting the
// reports and the settings store rely on.  Standard C++ only.
//
// Texts are UTF-8.  No function here reads the locale: callers that must follow
// the user's locale (decimal separator) pass it in.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

// Base of every error the system raises.  Carries its message, nothing else.
class Exception : public std::exception {
public:
  explicit Exception(std::string Message);
  const std::string& Message() const noexcept { return FMessage; }
  const char* what() const noexcept override { return FMessage.c_str(); }

private:
  std::string FMessage;
};

// A value outside its valid range ("%d is not within the valid range of %d..%d").
class ERangeError : public Exception {
public:
  using Exception::Exception;
};

// Text that is not a number of the asked kind ("'%s' は整数ではありません").
class EConvertError : public Exception {
public:
  using Exception::Exception;
};

// File errors of the streams: a file that exists but cannot be opened for
// reading, and one that cannot be created or written.
class EStreamError : public Exception {
public:
  using Exception::Exception;
};
class EFOpenError : public EStreamError {
public:
  using EStreamError::EStreamError;
};
class EFCreateError : public EStreamError {
public:
  using EStreamError::EStreamError;
};

// An index outside a string list ("List index out of bounds (%d)").
class EStringListError : public Exception {
public:
  using Exception::Exception;
};

// Message templates of the run-time layer, exactly as the user sees them.
inline constexpr const char* SRangeError = "%d is not within the valid range of %d..%d";
inline constexpr const char* SInvalidInteger = "'%s' は整数ではありません";
inline constexpr const char* SFOpenError = "ファイル %s は開けません";
inline constexpr const char* SFCreateError = "ファイル %s を作成できません";
inline constexpr const char* SListIndexError = "List index out of bounds (%d)";

// printf-style formatting into a std::string (%d, %s, %X, ...).  Use %X where
// hexadecimal must be upper case.
std::string Format(const char* Fmt, ...) __attribute__((format(printf, 1, 2)));

// Decimal text of a signed value, with a leading minus for negatives.
std::string IntToStr(int64_t Value);

// Upper-case hexadecimal of the value's two's-complement bits, at least Digits
// digits, no prefix.  IntToHex(255, 2) == "FF", IntToHex(300, 2) == "12C".
std::string IntToHex(uint64_t Value, int Digits);

// An optional sign, then decimal digits only, whose value fits 32 signed bits.
// Anything else (blanks, separators, empty text) fails.
bool TryStrToInt(std::string_view Text, int32_t& Value);

// As TryStrToInt; Default when the text is no such number.
int32_t StrToIntDef(std::string_view Text, int32_t Default);

// As TryStrToInt; failure raises EConvertError with SInvalidInteger.
int32_t StrToInt(std::string_view Text);

// Value with exactly Decimals digits after DecimalSeparator, rounded half up
// on the value's shortest decimal form (12.25 -> "12.3", 0.15 -> "0.2"), left
// padded with blanks to at least Width characters.  No thousands separators.
std::string FormatFixed(double Value, int Width, int Decimals, char DecimalSeparator = '.');
