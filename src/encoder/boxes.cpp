#include "boxes.h"

#include <algorithm>

#include "system.h"

namespace raziz2u {
namespace {

uint32_t Be32(const std::string& d, uint64_t at) {
  const auto* p = reinterpret_cast<const unsigned char*>(d.data() + at);
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
         static_cast<uint32_t>(p[2]) << 8 | p[3];
}

uint64_t Be64(const std::string& d, uint64_t at) {
  return static_cast<uint64_t>(Be32(d, at)) << 32 | Be32(d, at + 4);
}

bool IsContainer(const std::string& type) {
  for (const char* t : {"moov", "trak", "mdia", "minf", "stbl", "dinf", "edts", "udta"}) {
    if (type == t) return true;
  }
  return false;
}

// Bytes before a sample entry's own boxes: the SampleEntry fields and the visual or audio ones.
std::optional<uint64_t> SampleEntryFields(const std::string& type) {
  for (const char* t : {"avc1", "mp4v", "s263", "h263", "jpeg"}) {
    if (type == t) return 8 + 70;
  }
  for (const char* t : {"mp4a", "samr", "sawb", ".mp3"}) {
    if (type == t) return 8 + 20;
  }
  return std::nullopt;
}

std::string SystemError(const std::string& what) {
  return what + ": " + system::LastError();
}

}  // namespace

std::vector<Box> BoxesIn(const std::string& data, uint64_t begin, uint64_t end, uint64_t base) {
  std::vector<Box> boxes;
  uint64_t at = begin;
  while (at + 8 <= end && at - base + 8 <= data.size()) {
    Box box;
    box.offset = at;
    box.size = Be32(data, at - base);
    box.type = data.substr(at - base + 4, 4);
    if (box.size == 1) {
      if (at - base + 16 > data.size()) break;
      box.size = Be64(data, at - base + 8);
      box.header = 16;
    } else if (box.size == 0) {
      box.size = end - at;  // to the end
    }
    // Against what is left: a 64-bit size added to the offset could wrap round.
    if (box.size < box.header || box.size > end - at) break;
    boxes.push_back(box);
    at += box.size;
  }
  return boxes;
}

std::vector<Box> ChildBoxes(const std::string& data, const Box& box, uint64_t base) {
  if (IsContainer(box.type)) return BoxesIn(data, box.payload(), box.end(), base);
  if (box.type == "stsd") return BoxesIn(data, box.payload() + 8, box.end(), base);
  if (const auto fields = SampleEntryFields(box.type)) {
    return BoxesIn(data, box.payload() + *fields, box.end(), base);
  }
  return {};
}

std::string PatchLevels(const std::string& path, std::optional<int> h263_level,
                        std::optional<int> psp_level) {
  if (!h263_level && !psp_level) return {};
  std::string why;
  const std::unique_ptr<system::PatchFile> file = system::OpenForPatching(path, &why);
  if (!file) return "cannot reopen the output to set its level: " + why;
  std::string error;
  // The top-level boxes, from their headers.
  std::vector<Box> top;
  std::string header;
  const uint64_t total = file->Size();
  for (uint64_t at = 0; at + 8 <= total;) {
    if (!file->ReadAt(header, at, std::min<uint64_t>(16, total - at))) break;
    Box b;
    b.offset = at;
    b.size = Be32(header, 0);
    b.type = header.substr(4, 4);
    if (b.size == 1 && header.size() >= 16) {
      b.size = Be64(header, 8);
      b.header = 16;
    } else if (b.size == 0) {
      b.size = total - at;
    }
    if (b.size < b.header || b.size > total - at) break;
    top.push_back(b);
    at += b.size;
  }
  for (const Box& b : top) {
    if (b.type == "uuid" && psp_level && b.size <= 4096) {
      std::string bytes;
      if (!file->ReadAt(bytes, b.offset, b.size)) break;
      // "PROF" follows the box type; its video part is "VPRF", then a reserved word, the track,
      // the codec's four characters and two 16-bit words of profile and level.
      if (bytes.compare(b.header, 4, "PROF") != 0) continue;
      const auto vprf = bytes.find("VPRF");
      if (vprf == std::string::npos || vprf + 20 > bytes.size()) continue;
      // The level is the low byte of the second word (0x0015 for H.264 level 2.1, 0x0103 for
      // MPEG-4 Simple level 3); the high byte stays.
      bytes[vprf + 19] = static_cast<char>(*psp_level & 0xff);
      if (!file->WriteAt(bytes, b.offset)) error = SystemError("cannot set the PSP level");
    } else if (b.type == "moov" && h263_level) {
      std::string moov;
      if (!file->ReadAt(moov, b.offset, b.size)) break;
      std::vector<Box> pending = {Box{"moov", 0, b.size, b.header}};
      bool changed = false;
      while (!pending.empty()) {
        const Box box = pending.back();
        pending.pop_back();
        if (box.type == "d263" && box.size >= box.header + 7) {
          // Vendor (4), decoder version (1), level (1), profile (1).
          moov[box.payload() + 5] = static_cast<char>(*h263_level);
          changed = true;
        }
        for (const Box& child : ChildBoxes(moov, box)) pending.push_back(child);
      }
      if (changed && !file->WriteAt(moov, b.offset))
        error = SystemError("cannot set the H.263 level");
    }
  }
  if (!file->Close() && error.empty()) error = SystemError("cannot close the output");
  return error;
}

}  // namespace raziz2u
