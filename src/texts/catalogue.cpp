#include "texts/catalogue.h"

#include <cstdint>

namespace vidloom::texts {

namespace {

constexpr std::uint32_t kMagic = 0x950412de;

// Reads 32-bit words in the file's own byte order, refusing any read past its end.
class Words {
 public:
  Words(std::string_view bytes, bool swapped) : bytes_(bytes), swapped_(swapped) {}

  std::optional<std::uint32_t> At(std::uint64_t offset) const {
    if (offset > bytes_.size() || bytes_.size() - offset < 4) return std::nullopt;
    std::uint32_t word = 0;
    for (int i = 0; i < 4; ++i) {
      const auto byte = static_cast<unsigned char>(bytes_[offset + i]);
      word |= std::uint32_t{byte} << (swapped_ ? 8 * (3 - i) : 8 * i);
    }
    return word;
  }

  // The text described by the (length, offset) pair at `entry`.
  std::optional<std::string_view> Text(std::uint64_t entry) const {
    const auto length = At(entry);
    const auto offset = At(entry + 4);
    if (!length || !offset) return std::nullopt;
    if (*offset > bytes_.size() || bytes_.size() - *offset < *length) return std::nullopt;
    return bytes_.substr(*offset, *length);
  }

 private:
  std::string_view bytes_;
  bool swapped_;
};

}  // namespace

std::optional<Catalogue> Catalogue::Parse(std::string_view bytes) {
  if (bytes.size() < 28) return std::nullopt;
  const std::optional<std::uint32_t> little = Words(bytes, false).At(0);
  const bool swapped = little != kMagic;
  const Words words(bytes, swapped);
  if (words.At(0) != kMagic) return std::nullopt;
  const std::optional<std::uint32_t> revision = words.At(4);
  const std::optional<std::uint32_t> count = words.At(8);
  const std::optional<std::uint32_t> originals = words.At(12);
  const std::optional<std::uint32_t> translations = words.At(16);
  // Major revisions other than 0 and 1 have a layout this reader does not know.
  if (!revision || (*revision >> 16) > 1 || !count || !originals || !translations) {
    return std::nullopt;
  }
  Catalogue catalogue;
  for (std::uint64_t i = 0; i < *count; ++i) {
    const auto english = words.Text(*originals + 8 * i);
    const auto translated = words.Text(*translations + 8 * i);
    if (!english || !translated) return std::nullopt;
    // A plural entry holds its forms one after the other, each ended by NUL: the first form is
    // the text for one, as the English singular is.
    const std::string_view singular = english->substr(0, english->find('\0'));
    const std::string_view first = translated->substr(0, translated->find('\0'));
    // The header entry has no English text; an untranslated one, no translation.
    if (singular.empty() || first.empty()) continue;
    catalogue.translations_.emplace(std::string(singular), std::string(first));
  }
  return catalogue;
}

const std::string* Catalogue::Find(std::string_view english) const {
  const auto found = translations_.find(english);
  return found == translations_.end() ? nullptr : &found->second;
}

}  // namespace vidloom::texts
