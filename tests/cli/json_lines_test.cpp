// vidloom-cli's JSON lines: string escaping, what a row reports, and the two kinds of object.
#include "cli/json_lines.h"

#include <gtest/gtest.h>

namespace vidloom::cli {
namespace {

TEST(CliJson, StringsAreEscapedAndBadBytesWrittenAsTheirValue) {
  struct Case {
    std::string text;
    std::string json;
  };
  const Case cases[] = {
      {"", R"("")"},
      {"/home/me/clip one.avi", R"("/home/me/clip one.avi")"},
      {R"(say "hi")", R"("say \"hi\"")"},
      {R"(C:\Converted Video)", R"("C:\\Converted Video")"},
      {"a\nb\rc\td\be\ff", R"("a\nb\rc\td\be\ff")"},
      {std::string("\x01\x1f\x7f", 3) + std::string(1, '\0'), R"("\u0001\u001f\u007f\u0000")"},
      // Valid UTF-8 of two, three and four bytes is copied.
      {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xac",
       "\"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xac\""},
      // A Latin-1 name, a lone continuation byte, a sequence cut short at the end.
      {"caf\xe9.avi", R"("caf\u00e9.avi")"},
      {"\x80x", R"("\u0080x")"},
      {"x\xc3", R"("x\u00c3")"},
      // Overlong forms, a surrogate and a code point above U+10FFFF are not UTF-8.
      {"\xc0\xaf", R"("\u00c0\u00af")"},
      {"\xe0\x80\xaf", R"("\u00e0\u0080\u00af")"},
      {"\xed\xa0\x80", R"("\u00ed\u00a0\u0080")"},
      {"\xf4\x90\x80\x80", R"("\u00f4\u0090\u0080\u0080")"},
      {"\xff\xfe", R"("\u00ff\u00fe")"},
      // The highest code point is still valid.
      {"\xf4\x8f\xbf\xbf", "\"\xf4\x8f\xbf\xbf\""},
  };
  for (const Case& c : cases) EXPECT_EQ(JsonString(c.text), c.json) << c.json;
}

TEST(CliJson, RowReportsReadTheRecord) {
  struct Case {
    RowState state;
    std::optional<std::int64_t> percent;
    std::string frames;
    std::optional<std::int64_t> output_kb;
    const char* name;
    std::optional<std::int64_t> reported_percent;
    std::optional<std::int64_t> frame_count;
    std::optional<std::int64_t> size_kb;
  };
  const Case cases[] = {
      {RowState::kWaiting, {}, "", {}, "waiting", {}, {}, {}},
      {RowState::kConverting, {}, "", {}, "converting", {}, {}, {}},
      {RowState::kConverting, 42, "120", 345, "converting", 42, 120, 345},
      {RowState::kConverting, 130, " 250 ", 1048577, "converting", 100, 250, 1048577},
      {RowState::kRetrying, 7, "", 3, "retrying", 7, {}, 3},
      {RowState::kThumbnail, 100, "250", 345, "thumbnail", {}, 250, {}},
      {RowState::kDone, 100, "250", 345, "done", {}, 250, {}},
      {RowState::kFailed, {}, "", {}, "failed", {}, {}, {}},
      {RowState::kAborted, 40, "17", 2, "aborted", {}, 17, {}},
      {RowState::kSkipped, {}, "", {}, "skipped", {}, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FileEntry entry;
    entry.input_path = "/in/a.avi";
    entry.state = c.state;
    entry.percent = c.percent;
    entry.frames = FrameCount(c.frames);
    entry.output_kb = c.output_kb;
    entry.reason = c.state == RowState::kFailed ? "stopped" : "";
    const RowReport r = ReportRow(entry);
    EXPECT_EQ(r.file, "/in/a.avi");
    EXPECT_EQ(r.state, c.name);
    EXPECT_EQ(r.percent, c.reported_percent);
    EXPECT_EQ(r.frames, c.frame_count);
    EXPECT_EQ(r.size_kb, c.size_kb);
    EXPECT_EQ(r.reason, entry.reason);
  }
  const RowReport skipped = SkippedPath("/in/none.avi", "no such file");
  EXPECT_EQ(skipped.state, "skipped");
  EXPECT_EQ(skipped.reason, "no such file");
}

TEST(CliJson, RowAndSummaryObjects) {
  const RowReport converting{.file = "/in/a \"b\".avi",
                             .state = "converting",
                             .percent = 42,
                             .frames = 120,
                             .size_kb = 345};
  EXPECT_EQ(RowJson(converting),
            R"({"type":"row","file":"/in/a \"b\".avi","state":"converting","percent":42,)"
            R"("frames":120,"size_kb":345,"reason":"","notes":[]})");
  const RowReport failed{.file = "/in/c.mp3",
                         .state = "failed",
                         .reason = "stopped",
                         .notes = {"48000 Hz: MP3 has no 96000 Hz", "mono"}};
  EXPECT_EQ(
      RowJson(failed),
      R"({"type":"row","file":"/in/c.mp3","state":"failed","percent":null,"frames":null,)"
      R"("size_kb":null,"reason":"stopped","notes":["48000 Hz: MP3 has no 96000 Hz","mono"]})");
  EXPECT_EQ(SummaryJson(1, 2, {converting, failed}),
            R"({"type":"summary","converted":1,"total":2,"files":[)"
            R"({"file":"/in/a \"b\".avi","state":"converting","reason":"","notes":[]},)"
            R"({"file":"/in/c.mp3","state":"failed","reason":"stopped",)"
            R"("notes":["48000 Hz: MP3 has no 96000 Hz","mono"]}]})");
  EXPECT_EQ(SummaryJson(0, 0, {}), R"({"type":"summary","converted":0,"total":0,"files":[]})");
}

}  // namespace
}  // namespace vidloom::cli
