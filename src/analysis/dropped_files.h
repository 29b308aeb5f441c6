// Paths dropped on the window or given on the command line, turned into the files to add: a
// folder stands for the supported media files inside it.
#pragma once

#include <string>
#include <vector>

namespace vidloom::analysis {

// The extensions, lower-cased and with their dot, of every "*.ext" pattern of a file dialog
// filter made of description and pattern-list pairs, each part followed by "|" (as
// SupportedFilesFilter). Blanks around a pattern are ignored. Sorted, without duplicates.
std::vector<std::string> FilterExtensions(const std::string& filter);

// True when the name of the file in `path` ends in one of `extensions` (lower-cased, with their
// dot, as FilterExtensions gives them), compared without regard to case.
bool HasExtension(const std::string& path, const std::vector<std::string>& extensions);

// Orders names as a file manager shows them: letters without regard to case, runs of digits by
// their value ("clip2" before "clip10"); names that compare equal so are ordered by their bytes.
bool NameLess(const std::string& a, const std::string& b);

// The files to add for `paths`, in their order. A path that is not a folder is kept exactly as
// given, whatever its extension and whether or not it exists. A folder (or a link to one) is
// replaced by the regular files found in it and in its subfolders whose extension is one of
// `extensions`: each folder's entries in NameLess order, a subfolder's files where the
// subfolder's name falls. Names beginning with "." are passed over inside folders. Links to
// folders are followed, but no folder is listed twice, so a link back to a parent ends there.
// Entries that cannot be read (no permission, dangling links) are skipped silently.
// With `roots`, it gets for each file the folder of `paths` it was found in (empty for a path
// given as a file), so that a folder's structure can be kept. A folder met inside a given folder
// that is `output_folder` (the same folder by any path) is passed over, so that a program's own
// outputs never come back as its inputs; `skipped_output` then tells so.
std::vector<std::string> ExpandDroppedPaths(const std::vector<std::string>& paths,
                                            const std::vector<std::string>& extensions,
                                            std::vector<std::string>* roots = nullptr,
                                            const std::string& output_folder = {},
                                            bool* skipped_output = nullptr);

}  // namespace vidloom::analysis
