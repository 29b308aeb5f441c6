// The box reader and the level patcher of raziz2u on arbitrary files (held in memory behind the
// patcher's file interface). Every box read lies inside its parent, the boxes of a level follow
// each other without gap or overlap, and patching changes only the level bytes it names (the
// level of each "d263" box in "moov", the video level in a top-level PSP "PROF" box): the file
// keeps its size and its box tree.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "boxes.h"
#include "fuzz/check.h"
#include "system.h"

namespace {

using raziz2u::Box;

std::string g_file;  // the file the patcher opens

class MemoryFile : public raziz2u::system::PatchFile {
 public:
  std::uint64_t Size() override { return g_file.size(); }
  bool ReadAt(std::string& out, std::uint64_t offset, std::uint64_t size) override {
    if (offset > g_file.size() || size > g_file.size() - offset) return false;
    out = g_file.substr(offset, size);
    return true;
  }
  bool WriteAt(const std::string& data, std::uint64_t offset) override {
    // A patch never grows the file.
    FUZZ_CHECK(offset <= g_file.size() && data.size() <= g_file.size() - offset);
    g_file.replace(offset, data.size(), data);
    return true;
  }
  bool Close() override { return true; }
};

struct Node {
  Box box;
  std::vector<Node> children;
  bool operator==(const Node& other) const {
    return std::tie(box.type, box.offset, box.size, box.header, children) ==
           std::tie(other.box.type, other.box.offset, other.box.size, other.box.header,
                    other.children);
  }
};

std::vector<Node> Tree(const std::string& data, const std::vector<Box>& boxes, std::uint64_t begin,
                       std::uint64_t end) {
  std::vector<Node> nodes;
  // Sample descriptions and sample entries have fields before their first box.
  FUZZ_CHECK(boxes.empty() || boxes.front().offset >= begin);
  std::uint64_t at = boxes.empty() ? begin : boxes.front().offset;
  for (const Box& box : boxes) {
    FUZZ_CHECK(box.offset == at && box.header <= box.size && box.size <= end - at);
    FUZZ_CHECK(box.type.size() == 4);
    at = box.end();
    nodes.push_back({box, Tree(data, ChildBoxes(data, box), box.payload(), box.end())});
  }
  FUZZ_CHECK(end <= data.size());
  return nodes;
}

// The bytes that patching with these levels may change.
void LevelBytes(const std::string& data, const std::vector<Node>& nodes, bool top,
                std::optional<int> h263, std::optional<int> psp, bool in_moov,
                std::set<std::uint64_t>& out) {
  for (const Node& node : nodes) {
    const Box& b = node.box;
    if (h263 && in_moov && b.type == "d263" && b.size >= b.header + 7) out.insert(b.payload() + 5);
    if (psp && top && b.type == "uuid" && b.size <= 4096 &&
        data.compare(b.payload(), 4, "PROF") == 0) {
      const std::string bytes = data.substr(b.offset, b.size);
      const auto vprf = bytes.find("VPRF");
      if (vprf != std::string::npos && vprf + 20 <= bytes.size()) out.insert(b.offset + vprf + 19);
    }
    LevelBytes(data, node.children, false, h263, psp, in_moov || (top && b.type == "moov"), out);
  }
}

}  // namespace

namespace raziz2u::system {

std::unique_ptr<PatchFile> OpenForPatching(const std::string&, std::string*) {
  return std::make_unique<MemoryFile>();
}

std::string LastError() {
  return "no error";
}

}  // namespace raziz2u::system

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const auto which = input.ConsumeIntegral<std::uint8_t>();
  const auto level = input.ConsumeIntegral<std::uint8_t>();
  const std::optional<int> h263 = which & 1 ? std::optional<int>(level) : std::nullopt;
  const std::optional<int> psp = which & 2 ? std::optional<int>(level) : std::nullopt;
  const std::string original = input.ConsumeRemainingBytesAsString();

  const std::vector<Node> tree =
      Tree(original, raziz2u::BoxesIn(original, 0, original.size()), 0, original.size());
  std::set<std::uint64_t> level_bytes;
  LevelBytes(original, tree, true, h263, psp, false, level_bytes);

  g_file = original;
  FUZZ_CHECK(raziz2u::PatchLevels("file.mp4", h263, psp).empty());
  FUZZ_CHECK(g_file.size() == original.size());
  for (std::size_t i = 0; i < original.size(); ++i) {
    FUZZ_CHECK(g_file[i] == original[i] || level_bytes.contains(i));
  }
  FUZZ_CHECK(Tree(g_file, raziz2u::BoxesIn(g_file, 0, g_file.size()), 0, g_file.size()) == tree);
  return 0;
}
