#include "profiles/text_rules.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace vidloom::text {

std::string_view FirstChars(std::string_view s, long long n) {
  if (n <= 0) return {};
  return s.substr(0,
                  static_cast<std::size_t>(n) < s.size() ? static_cast<std::size_t>(n) : s.size());
}

long long Pos(std::string_view s, std::string_view needle) {
  const auto at = s.find(needle);
  return at == std::string_view::npos ? 0 : static_cast<long long>(at) + 1;
}

long long Pos(std::string_view s, char needle) {
  const auto at = s.find(needle);
  return at == std::string_view::npos ? 0 : static_cast<long long>(at) + 1;
}

std::string WithoutBlanks(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    if (c != ' ') out.push_back(c);
  }
  return out;
}

bool ReadDecimal(std::string_view s, double& value) {
  if (s.empty()) return false;
  // from_chars also takes "inf", "nan" and hexadecimal-free forms; only digits may start a number.
  std::size_t first = (s[0] == '-' || s[0] == '+') ? 1 : 0;
  if (first >= s.size()) return false;
  const char lead = s[first];
  if (!((lead >= '0' && lead <= '9') || lead == '.')) return false;
  if (s[0] == '+') s.remove_prefix(1);
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  return ec == std::errc() && end == s.data() + s.size() && std::isfinite(value);
}

std::string WholeNumberText(double value) {
  char buffer[64];
  const int n = std::snprintf(buffer, sizeof buffer, "%.0f", std::trunc(value));
  std::string out(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
  if (out == "-0") out.assign(1, '0');  // assign(): GCC 12 warns on operator= here
  return out;
}

}  // namespace vidloom::text
