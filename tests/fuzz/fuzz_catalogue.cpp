// The reader of compiled catalogues (.mo files) on arbitrary bytes: a damaged or foreign file
// is refused or read within its bytes, never past them, and whatever it accepts answers each
// text it holds with that text's translation.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/check.h"
#include "texts/catalogue.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto catalogue = vidloom::texts::Catalogue::Parse(bytes);
  if (!catalogue) return 0;
  // Each entry has 8 bytes of its own in the table of English texts.
  FUZZ_CHECK(catalogue->size() <= size / 8);
  FUZZ_CHECK(catalogue->Find("") == nullptr);
  // Every text of the input is looked up without harm, found or not.
  for (std::size_t at = 0; at < size && at < 4096; at += 7) {
    const std::string_view text = bytes.substr(at, bytes.substr(at).find('\0'));
    if (const std::string* translated = catalogue->Find(text)) FUZZ_CHECK(!translated->empty());
  }
  return 0;
}
