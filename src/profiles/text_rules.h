// Small text operations with the exact semantics the option rules are written in (with Trim and
// LowerAscii from platform/text.h): "the first n characters" is empty for n <= 0.
#pragma once

#include <string>
#include <string_view>

#include "platform/text.h"

namespace vidloom::text {

// The first n characters of s (all of s when n exceeds its length; empty when n <= 0).
std::string_view FirstChars(std::string_view s, long long n);
// 1-based position of the first occurrence of `needle`, 0 when absent.
long long Pos(std::string_view s, std::string_view needle);
long long Pos(std::string_view s, char needle);
// s without any ' ' character.
std::string WithoutBlanks(std::string_view s);
// Reads a whole text as a decimal number (optional sign, digits, optional fraction, optional
// exponent). False for an empty text, trailing characters, infinities and NaN.
bool ReadDecimal(std::string_view s, double& value);
// A whole number in plain decimal, without a decimal point.
std::string WholeNumberText(double value);

}  // namespace vidloom::text
