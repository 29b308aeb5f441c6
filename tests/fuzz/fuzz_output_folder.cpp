// "Keep Folder Structure" on arbitrary input paths and source folders: the folder an input keeps
// below the output folder (SubfolderOf) is relative and never climbs ("..", which a linked folder
// could also turn into a way out), and the output path the command assembly makes from it (a dry
// run, which creates nothing) lies below the output folder, as does its thumbnail. No path holds
// a NUL byte: the input's are dropped.
#include <fuzzer/FuzzedDataProvider.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "fuzz/check.h"
#include "pipeline/command_builder.h"
#include "platform/filesystem.h"
#include "platform/text.h"
#include "profiles/catalogue.h"

namespace {

namespace fs = std::filesystem;
using vidloom::platform::FsPath;

std::string g_output_folder;  // an empty folder of our own, made at start

bool Climbs(const fs::path& path) {
  for (const auto& element : path) {
    if (element == "..") return true;
  }
  return false;
}

// `path` is `folder` + "/" + a relative path without "..", naming something below it.
bool Below(const std::string& path, const std::string& folder) {
  if (!path.starts_with(folder + "/")) return false;
  const fs::path rest = FsPath(std::string_view(path).substr(folder.size() + 1));
  const fs::path normal = rest.lexically_normal();
  return !rest.empty() && rest.is_relative() && !Climbs(rest) && !normal.empty() && normal != ".";
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char folder[] = "/tmp/vidloom-fuzz-output-XXXXXX";
  if (mkdtemp(folder) == nullptr) std::abort();
  g_output_folder = folder;
  std::atexit([] { rmdir(g_output_folder.c_str()); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const auto& format = vidloom::FormatCatalogue[input.ConsumeIntegralInRange<std::size_t>(
      0, vidloom::FormatCatalogue.size() - 1)];
  const bool overwrite = input.ConsumeBool();
  const bool inside = input.ConsumeBool();
  std::string source_folder = input.ConsumeRandomLengthString(64);
  std::string input_path = input.ConsumeRandomLengthString(128);
  if (inside) input_path = source_folder + "/" + input_path;  // as a folder's listing gives it
  std::erase(source_folder, '\0');
  std::erase(input_path, '\0');

  const std::string subfolder = vidloom::SubfolderOf(input_path, source_folder);
  FUZZ_CHECK(FsPath(subfolder).is_relative() && !Climbs(FsPath(subfolder)));

  vidloom::RowSnapshot row{.input = input_path,
                           .extension = vidloom::text::LowerAscii(format.Extension),
                           .subfolder = subfolder,
                           .choices = {.format = std::string(format.DisplayName),
                                       .output_directory = g_output_folder,
                                       .overwrite = overwrite,
                                       .keep_folders = true}};
  const vidloom::RowCommand run = vidloom::BuildEncoderCommand(
      {.program_directory = "/opt/vidloom/", .dry_run = true}, row, {});
  FUZZ_CHECK(Below(run.output_path, g_output_folder));
  FUZZ_CHECK(Below(vidloom::ThumbnailPath(run.output_path), g_output_folder));
  return 0;
}
