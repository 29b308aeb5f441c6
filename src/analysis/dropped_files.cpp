#include "analysis/dropped_files.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <string_view>
#include <system_error>

#include "platform/filesystem.h"
#include "platform/text.h"

namespace vidloom::analysis {
namespace {

namespace fs = std::filesystem;

using text::LowerAscii;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// <0, 0 or >0 as `a` sorts before, with or after `b` (case folded, digit runs by value).
int CompareNames(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      std::size_t ei = i, ej = j;
      while (ei < a.size() && IsDigit(a[ei])) ++ei;
      while (ej < b.size() && IsDigit(b[ej])) ++ej;
      // Leading zeros do not change the value; the longer run of significant digits is larger.
      std::size_t si = i, sj = j;
      while (si + 1 < ei && a[si] == '0') ++si;
      while (sj + 1 < ej && b[sj] == '0') ++sj;
      if (ei - si != ej - sj) return ei - si < ej - sj ? -1 : 1;
      const int digits = a.substr(si, ei - si).compare(b.substr(sj, ej - sj));
      if (digits != 0) return digits;
      i = ei;
      j = ej;
      continue;
    }
    const auto ca = static_cast<unsigned char>(LowerAscii(a[i]));
    const auto cb = static_cast<unsigned char>(LowerAscii(b[j]));
    if (ca != cb) return ca < cb ? -1 : 1;
    ++i;
    ++j;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

class Expansion {
 public:
  Expansion(const std::vector<std::string>& extensions, std::vector<std::string>& out,
            const std::string& output_folder)
      : extensions_(extensions), out_(out) {
    std::error_code error;
    if (!output_folder.empty()) {
      const fs::path identity = fs::canonical(platform::FsPath(output_folder), error);
      if (!error) output_folder_ = platform::Utf8Path(identity);
    }
  }

  // Appends the supported files of the folder `dir`, unless it has been listed already, or it is
  // the output folder met inside a given one (`inside`).
  void Folder(const fs::path& dir, bool inside = false) {
    std::error_code error;
    const fs::path identity = fs::canonical(dir, error);
    if (error) return;
    const std::string key = platform::Utf8Path(identity);
    if (inside && !output_folder_.empty() && key == output_folder_) {
      skipped_output = true;
      return;
    }
    if (!listed_.insert(key).second) return;

    std::vector<std::string> names;
    fs::directory_iterator it(dir, fs::directory_options::skip_permission_denied, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
      std::string name = platform::Utf8Path(it->path().filename());
      if (!name.empty() && name.front() != '.') names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end(), NameLess);

    for (const auto& name : names) {
      const fs::path entry = dir / platform::FsPath(name);
      const fs::file_status status = fs::status(entry, error);  // follows links
      if (error) continue;
      if (fs::is_directory(status)) {
        Folder(entry, true);
      } else if (fs::is_regular_file(status) && HasExtension(name, extensions_)) {
        out_.push_back(platform::Utf8Path(entry));
      }
    }
  }

 private:
  const std::vector<std::string>& extensions_;
  std::vector<std::string>& out_;
  std::set<std::string> listed_;  // canonical paths of the folders listed so far
  std::string output_folder_;     // canonical; empty when there is none

 public:
  bool skipped_output = false;
};

}  // namespace

std::vector<std::string> FilterExtensions(const std::string& filter) {
  std::vector<std::string> extensions;
  std::string_view rest(filter);
  for (bool pattern_part = false; !rest.empty(); pattern_part = !pattern_part) {
    const std::size_t bar = rest.find('|');
    const std::string_view part = rest.substr(0, bar);
    rest = bar == std::string_view::npos ? std::string_view() : rest.substr(bar + 1);
    if (!pattern_part) continue;
    std::string_view patterns = part;
    while (!patterns.empty()) {
      const std::size_t semicolon = patterns.find(';');
      const std::string_view pattern = text::Trim(patterns.substr(0, semicolon));
      patterns =
          semicolon == std::string_view::npos ? std::string_view() : patterns.substr(semicolon + 1);
      if (pattern.size() < 3 || pattern.substr(0, 2) != "*.") continue;
      extensions.push_back(LowerAscii(pattern.substr(1)));
    }
  }
  std::sort(extensions.begin(), extensions.end());
  extensions.erase(std::unique(extensions.begin(), extensions.end()), extensions.end());
  return extensions;
}

bool HasExtension(const std::string& path, const std::vector<std::string>& extensions) {
  const std::string_view name = platform::FileNamePart(path);
  const std::size_t dot = name.find_last_of('.');
  if (dot == std::string_view::npos || dot == 0) return false;
  const std::string extension = LowerAscii(name.substr(dot));
  return std::find(extensions.begin(), extensions.end(), extension) != extensions.end();
}

bool NameLess(const std::string& a, const std::string& b) {
  const int order = CompareNames(a, b);
  return order != 0 ? order < 0 : a < b;
}

std::vector<std::string> ExpandDroppedPaths(const std::vector<std::string>& paths,
                                            const std::vector<std::string>& extensions,
                                            std::vector<std::string>* roots,
                                            const std::string& output_folder,
                                            bool* skipped_output) {
  std::vector<std::string> files;
  Expansion expansion(extensions, files, output_folder);
  for (const auto& path : paths) {
    std::error_code error;
    const bool folder = !path.empty() && fs::is_directory(platform::FsPath(path), error);
    if (folder) {
      expansion.Folder(platform::FsPath(path));
    } else {
      files.push_back(path);
    }
    if (roots) roots->resize(files.size(), folder ? path : std::string());
  }
  if (skipped_output) *skipped_output = expansion.skipped_output;
  return files;
}

}  // namespace vidloom::analysis
