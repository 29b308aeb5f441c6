// Trimming and ASCII case for the program's own texts (file names, cells, settings, options):
// trimming removes blanks and control characters (every byte up to 0x20) at both ends; the case
// maps change only A-Z and a-z, whatever the locale.
#pragma once

#include <string>
#include <string_view>

namespace vidloom::text {

inline bool IsBlankOrControl(char c) {
  return static_cast<unsigned char>(c) <= 0x20;
}

inline std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlankOrControl(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlankOrControl(s.back())) s.remove_suffix(1);
  return s;
}

inline char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
inline char UpperAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

inline std::string LowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = LowerAscii(c);
  return out;
}
inline std::string UpperAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = UpperAscii(c);
  return out;
}

}  // namespace vidloom::text
