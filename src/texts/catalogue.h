// A compiled GNU gettext catalogue (a ".mo" file): the translation of each English text of the
// program into one language. English, as written in the sources, is the source language: a
// text the catalogue lacks is shown in English.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace vidloom::texts {

class Catalogue {
 public:
  // The catalogue in `bytes` (either byte order); nullopt when they are not one, or when a
  // table or a text lies outside them. The header entry (the empty English text) is left out,
  // and so are untranslated entries.
  static std::optional<Catalogue> Parse(std::string_view bytes);

  // The translation of `english`, or null.
  const std::string* Find(std::string_view english) const;
  std::size_t size() const { return translations_.size(); }

 private:
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const {
      return std::hash<std::string_view>{}(text);
    }
  };
  std::unordered_map<std::string, std::string, Hash, std::equal_to<>> translations_;
};

}  // namespace vidloom::texts
