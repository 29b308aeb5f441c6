// The parts of filesystem.h that only read path texts, the same on every platform.
#include <system_error>

#include "platform/filesystem.h"
#include "platform/text.h"

namespace vidloom::platform {
namespace {

std::size_t LastSeparator(std::string_view path) {
  for (std::size_t i = path.size(); i > 0; --i) {
    if (IsPathSeparator(path[i - 1])) return i - 1;
  }
  return std::string_view::npos;
}

}  // namespace

std::string ResolveGivenPath(const std::string& given) {
  if (!given.empty() && PathExists(given)) return given;
  return std::string(text::Trim(given));
}

std::string AbsolutePath(const std::string& path) {
  std::error_code error;
  const std::filesystem::path given = FsPath(path);
  if (path.empty() || given.is_absolute()) return path;
  const std::filesystem::path full = std::filesystem::absolute(given, error);
  return error ? path : Utf8Path(full.lexically_normal());
}

std::string_view FileNamePart(std::string_view path) {
  const auto slash = LastSeparator(path);
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string LowerExtension(const std::string& path) {
  const std::string name(FileNamePart(path));
  const auto dot = name.rfind('.');
  if (dot == std::string::npos) return {};
  return text::LowerAscii(std::string_view(name).substr(dot));
}

std::string ParentDirectory(const std::string& path) {
  const auto slash = LastSeparator(path);
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace vidloom::platform
