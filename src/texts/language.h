// The program's language: English, as the sources write it, or one of the translations that
// ship as catalogues "<catalogue folder>/<code>/LC_MESSAGES/vidloom.mo". The language is chosen
// once at start-up, before any window is built and before a second thread runs; from then on
// the texts are read from every thread.
//
//   texts::UseLanguage(texts::ChooseLanguage(stored_choice, texts::SystemLanguages()));
//   label.SetCaption(texts::Tr("Output Directory : "));
//   status = texts::Fill(texts::Tr("Converting %s of %s"), {"2", "5"});
#pragma once

#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vidloom::texts {

// Marks an English text for the catalogue where it is written; it is translated where it is
// shown (with Tr), because the program also reads it as a value (a list's item, a stored word).
#define N_(english) english

struct Language {
  const char* code;  // the catalogue's folder name ("de", "pt_BR"); empty for English
  const char* name;  // the language's own name for itself, as the language choice lists it
  bool decimal_comma;
};

// English first, then the eight translations.
std::span<const Language> Languages();
// The language of `code` (as Languages() gives it); null when the program has none by that code.
const Language* FindLanguage(std::string_view code);

// The languages the system asks for, most wanted first, as locale names ("de_DE", "pt_BR",
// "C"). Linux: $LANGUAGE (a colon-separated list) when the locale is not "C", then the first
// set of $LC_ALL, $LC_MESSAGES, $LANG, as gettext reads them. Windows: the user's UI language.
std::vector<std::string> SystemLanguages();

// The language to use: `stored` when it names one of Languages() ("" is English), else the
// first of `system` that has a translation ("de_AT.UTF-8" takes "de"; "pt_PT" takes none, as
// gettext does), else English (""). A "C" or "POSIX" locale is English.
std::string ChooseLanguage(const std::optional<std::string>& stored,
                           const std::vector<std::string>& system);

// Where the catalogues are: "<program directory>locale" when there is one (a build, the Windows
// program folder), else where an installation puts them ("<prefix>/share/locale").
std::string CatalogueFolder();

// Makes `code` the language of every text from now on, from its catalogue in `folder`
// (CatalogueFolder() when empty). English ("") always succeeds; a language without a readable
// catalogue leaves English and returns false.
bool UseLanguage(const std::string& code, const std::string& folder = {});
// The language in use ("" for English).
const std::string& CurrentLanguage();

// The text in the language in use: its translation, or `english` itself when there is none.
// The result lives as long as the language is in use; a null text is empty.
const char* Tr(const char* english);
std::string Tr(std::string_view english);

// `pattern` with its placeholders replaced: "%s" takes the next argument, "%2$s" the second,
// "%%" is a percent sign. A placeholder without its argument is left as written, so a broken
// translation shows its flaw and never reads past the arguments.
std::string Fill(std::string_view pattern, std::initializer_list<std::string_view> arguments);

// An item of a list or a cell of the file list as shown: its translation where the catalogue
// has one, its numbers written as the language writes them.
std::string Shown(std::string_view text);

// A number as the language in use writes it: "29.97" becomes "29,97" where a decimal comma is
// usual. Only the decimal point of a number (a digit on each side) changes.
std::string LocalNumber(std::string_view text);

}  // namespace vidloom::texts
