#include "profiles/ps3.h"

#include "profiles/set_list.h"

namespace vidloom {

namespace {
constexpr std::array<std::string_view, 5> kPs3VideoBitrates = {
    "1200 Kbps", "1500 Kbps", "2000 Kbps", "2500 Kbps", "3000 Kbps"};
constexpr std::array<std::string_view, 13> kPs3AudioBitrates = {
    "32 Kbps",  "40 Kbps",  "48 Kbps",  "64 Kbps",  "80 Kbps",  "96 Kbps", "112 Kbps",
    "128 Kbps", "160 Kbps", "192 Kbps", "224 Kbps", "256 Kbps", "320 Kbps"};
// "8000  Hz" carries two blanks before its unit.
constexpr std::array<std::string_view, 8> kPs3SamplingRates = {
    "8000  Hz", "16000 Hz", "22050 Hz", "32000 Hz", "44100 Hz", "48000 Hz", "54000 Hz", "96000 Hz"};
}  // namespace

void Ps3Profile(TForm1& form, WindowState& state, Ps3Variant variant) {
  state.ProfileTag = "psp";
  SetList(form.ComboVideoCodec, {"H264"}, "H264");
  SetList(form.ComboAudioCodec, {"mpeg4aac"}, "mpeg4aac");
  switch (variant) {
    case Ps3Variant::k480P:
      SetList(form.ComboVideoSize, {"640 x 480", "720 x 480", "720 x 576"}, "720 x 480");
      break;
    case Ps3Variant::k720P:
      SetList(form.ComboVideoSize, {"1280 x 720"}, "1280 x 720");
      break;
    case Ps3Variant::k1080P:
      SetList(form.ComboVideoSize, {"1920 x 1072"}, "1920 x 1072");
      break;
  }
  SetList(form.ComboVideoBitrate, kPs3VideoBitrates, "1200 Kbps");
  if (variant != Ps3Variant::k480P) form.ComboVideoBitrate.SelectText("2000 Kbps");
  SetList(form.ComboVideoFramerate, {"29.97 fps"}, "29.97 fps");
  SetList(form.ComboAudioBitrate, kPs3AudioBitrates, "80 Kbps");
  if (variant != Ps3Variant::k480P) form.ComboAudioBitrate.SelectText("256 Kbps");
  SetList(form.ComboSamplingRate, kPs3SamplingRates, "44100 Hz");
  form.ComboAudioChannel.Select(0);
}

FormatCommand Ps3Template(const CommandSlots& s, Ps3Rate rate) {
  FormatCommand out;
  std::string& c = out.command;
  c.reserve(320);
  c += s.CommandHead;
  c += s.InputPart;
  c += " -bitexact -vcodec \"h264\"";
  c += rate == Ps3Rate::k1200 ? " -b \"1200\" -maxrate \"3500\" -bufsize \"1280\"  -r \"29.97\""
                              : " -b \"2000\" -maxrate \"3500\" -bufsize \"1280\"  -r \"29.97\"";
  c += " -acodec \"mpeg4aac\"";
  c += s.AudioBitrateOption;
  c += s.SampleRateOption;
  c += s.ChannelsOption;
  c += " -g \"250\"  -qscale \"25\"  -coder \"1\"";
  c += s.SizeOption;
  c += s.OutputPart;
  return out;
}

}  // namespace vidloom
