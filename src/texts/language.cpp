#include "texts/language.h"

#include <array>
#include <cctype>
#include <memory>

#include "platform/filesystem.h"
#include "platform/whole_file.h"
#include "texts/catalogue.h"

#ifdef _WIN32
#include <windows.h>

#include "unicode/utf16.h"
#endif

namespace vidloom::texts {

namespace {

constexpr std::array<Language, 9> kLanguages = {{
    {"", "English", false},
    {"de", "Deutsch", true},
    {"fr", "Français", true},
    {"es", "Español", true},
    {"pt_BR", "Português (Brasil)", true},
    {"it", "Italiano", true},
    {"ru", "Русский", true},
    {"ja", "日本語", false},
    {"zh_CN", "简体中文", false},
}};

constexpr const char* kDomain = "vidloom";

struct InUse {
  std::string code;
  Catalogue catalogue;
};

// Replaced only by UseLanguage, at start-up (and between tests).
std::unique_ptr<InUse>& Current() {
  static std::unique_ptr<InUse> current = std::make_unique<InUse>();
  return current;
}

// "de_AT.UTF-8@euro" -> "de_AT"
std::string LocaleName(std::string_view locale) {
  const std::size_t end = locale.find_first_of(".@");
  return std::string(locale.substr(0, end));
}

}  // namespace

std::span<const Language> Languages() {
  return kLanguages;
}

const Language* FindLanguage(std::string_view code) {
  for (const Language& language : kLanguages) {
    if (code == language.code) return &language;
  }
  return nullptr;
}

std::vector<std::string> SystemLanguages() {
  std::vector<std::string> wanted;
#ifdef _WIN32
  // The user's UI language, as a locale name ("de-DE"), in the underscore form.
  std::array<wchar_t, LOCALE_NAME_MAX_LENGTH> name{};
  if (LCIDToLocaleName(MAKELCID(GetUserDefaultUILanguage(), SORT_DEFAULT), name.data(),
                       static_cast<int>(name.size()), 0) > 0) {
    std::string locale = unicode::Narrow(name.data());
    for (char& c : locale) {
      if (c == '-') c = '_';
    }
    // Chinese written in Simplified characters is "zh_Hans_CN" in some of Windows' names.
    if (locale.starts_with("zh_Hans")) locale = "zh_CN";
    wanted.push_back(locale);
  }
#else
  std::string locale;
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const std::optional<std::string> value = platform::Environment(variable);
    if (value && !value->empty()) {
      locale = *value;
      break;
    }
  }
  const std::string name = LocaleName(locale);
  // gettext reads $LANGUAGE only when a locale other than "C" is set.
  const std::optional<std::string> list = platform::Environment("LANGUAGE");
  if (list && !name.empty() && name != "C" && name != "POSIX") {
    std::size_t start = 0;
    while (start <= list->size()) {
      const std::size_t end = std::min(list->find(':', start), list->size());
      if (end > start)
        wanted.push_back(LocaleName(std::string_view(*list).substr(start, end - start)));
      start = end + 1;
    }
  }
  if (!name.empty()) wanted.push_back(name);
#endif
  return wanted;
}

std::string ChooseLanguage(const std::optional<std::string>& stored,
                           const std::vector<std::string>& system) {
  if (stored && FindLanguage(*stored) != nullptr) return *stored;
  for (const std::string& locale : system) {
    const std::string name = LocaleName(locale);
    if (name == "C" || name == "POSIX" || name.empty()) return "";
    const std::string language = name.substr(0, name.find('_'));
    if (language == "en") return "";
    for (const std::string& code : {name, language}) {
      if (FindLanguage(code) != nullptr) return code;
    }
  }
  return "";
}

std::string CatalogueFolder() {
  const std::string& program = platform::ProgramDirectory();
  const std::string beside = program + "locale";
#ifdef VIDLOOM_INSTALLED_CATALOGUES
  if (!platform::DirectoryExists(beside)) return program + VIDLOOM_INSTALLED_CATALOGUES;
#endif
  return beside;
}

bool UseLanguage(const std::string& code, const std::string& folder) {
  auto in_use = std::make_unique<InUse>();
  bool ok = true;
  if (!code.empty()) {
    const std::string sep(1, platform::kPathSeparator);
    const std::string path = (folder.empty() ? CatalogueFolder() : folder) + sep + code + sep +
                             "LC_MESSAGES" + sep + kDomain + ".mo";
    std::optional<Catalogue> catalogue;
    if (FindLanguage(code) != nullptr) {
      if (const std::optional<std::string> bytes =
              platform::ReadWholeFile(path, nullptr, nullptr, std::size_t{16} << 20)) {
        catalogue = Catalogue::Parse(*bytes);
      }
    }
    if (catalogue && catalogue->size() > 0) {
      in_use->code = code;
      in_use->catalogue = std::move(*catalogue);
    } else {
      ok = false;
    }
  }
  Current() = std::move(in_use);
  return ok;
}

const std::string& CurrentLanguage() {
  return Current()->code;
}

const char* Tr(const char* english) {
  if (english == nullptr) return "";
  const std::string* translated = Current()->catalogue.Find(english);
  return translated != nullptr ? translated->c_str() : english;
}

std::string Tr(std::string_view english) {
  const std::string* translated = Current()->catalogue.Find(english);
  return translated != nullptr ? *translated : std::string(english);
}

std::string Fill(std::string_view pattern, std::initializer_list<std::string_view> arguments) {
  std::string filled;
  filled.reserve(pattern.size() + 32);
  std::size_t next = 0;
  const std::size_t n = pattern.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (pattern[i] != '%' || i + 1 == n) {
      filled += pattern[i];
      continue;
    }
    if (pattern[i + 1] == '%') {
      filled += '%';
      ++i;
      continue;
    }
    std::size_t index = 0;
    std::size_t end = 0;  // the placeholder's last character
    if (pattern[i + 1] == 's') {
      index = next++;
      end = i + 1;
    } else {
      std::size_t digits = i + 1;
      std::size_t number = 0;
      while (digits < n && digits < i + 3 &&
             std::isdigit(static_cast<unsigned char>(pattern[digits]))) {
        number = number * 10 + static_cast<std::size_t>(pattern[digits] - '0');
        ++digits;
      }
      if (digits == i + 1 || number == 0 || digits + 1 >= n || pattern[digits] != '$' ||
          pattern[digits + 1] != 's') {
        filled += '%';  // not a placeholder
        continue;
      }
      index = number - 1;
      end = digits + 1;
    }
    if (index < arguments.size()) {
      filled += *(arguments.begin() + index);
    } else {
      filled += pattern.substr(i, end - i + 1);
    }
    i = end;
  }
  return filled;
}

std::string Shown(std::string_view text) {
  return LocalNumber(Tr(text));
}

std::string LocalNumber(std::string_view text) {
  std::string local(text);
  const Language* language = FindLanguage(CurrentLanguage());
  if (language == nullptr || !language->decimal_comma) return local;
  for (std::size_t i = 1; i + 1 < local.size(); ++i) {
    if (local[i] == '.' && std::isdigit(static_cast<unsigned char>(local[i - 1])) &&
        std::isdigit(static_cast<unsigned char>(local[i + 1]))) {
      local[i] = ',';
    }
  }
  return local;
}

}  // namespace vidloom::texts
