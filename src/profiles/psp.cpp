#include "profiles/psp.h"

#include "platform/command_line.h"
#include "profiles/set_list.h"

namespace vidloom {

namespace {

void SetPspSizes(TForm1& form) {
  SetList(form.ComboVideoSize, {"160 x 112", "320 x 240", "368 x 208"}, "368 x 208");
}
void SetPspFrameRates(TForm1& form) {
  SetList(form.ComboVideoFramerate, {"14.985 fps", "29.97 fps"}, "29.97 fps");
}
void SetPspAudioBitrates(TForm1& form) {
  SetList(form.ComboAudioBitrate,
          {"32 Kbps", "48 Kbps", "64 Kbps", "96 Kbps", "128 Kbps", "160 Kbps"}, "64 Kbps");
}

// Steps 1 to 4 of every PSP profile.
void SetPspHead(TForm1& form, WindowState& state, std::string_view video_codec) {
  state.ProfileTag = "psp";
  SetList(form.ComboVideoCodec, {video_codec}, video_codec);
  SetList(form.ComboAudioCodec, {"mpeg4aac"}, "mpeg4aac");
  SetPspSizes(form);
}

}  // namespace

std::string_view PspQualityName(PspQuality quality) {
  switch (quality) {
    case PspQuality::kGoodQuality:
      return "Good Quality";
    case PspQuality::kNormalQuality:
      return "Normal Quality";
    case PspQuality::kSmallFileSize:
      return "Small File Size";
  }
  return {};
}

void PspVideoProfile(TForm1& form, WindowState& state, PspQuality quality) {
  SetPspHead(form, state, "XVID");
  switch (quality) {
    case PspQuality::kGoodQuality:
      SetList(form.ComboVideoBitrate, {"768 Kbps"}, "768 Kbps");
      break;
    case PspQuality::kNormalQuality:
      SetList(form.ComboVideoBitrate, {"512 Kbps"}, "512 Kbps");
      break;
    case PspQuality::kSmallFileSize:
      SetList(form.ComboVideoBitrate, {"216 Kbps"}, "216 Kbps");
      form.ComboVideoSize.SelectText("160 x 112");
      break;
  }
  SetPspFrameRates(form);
  SetPspAudioBitrates(form);
  SetList(form.ComboSamplingRate, {"24000 Hz"}, "24000 Hz");
  form.ComboAudioChannel.Select(0);
}

void PspAvcProfile(TForm1& form, WindowState& state) {
  SetPspHead(form, state, "H264");
  SetList(form.ComboVideoBitrate, {"216 Kbps", "384 Kbps", "400 Kbps", "512 Kbps", "768 Kbps"},
          "512 Kbps");
  form.ComboVideoBitrate.SelectText("400 Kbps");
  SetPspFrameRates(form);
  SetPspAudioBitrates(form);
  SetList(form.ComboSamplingRate, {"48000 Hz"}, "48000 Hz");
  form.ComboAudioChannel.Select(0);
}

void PspAvcFormat2Profile(TForm1& form, WindowState& state) {
  SetPspHead(form, state, "H264");
  SetList(form.ComboVideoBitrate, {"256 Kbps"}, "256 Kbps");
  SetPspFrameRates(form);
  SetPspAudioBitrates(form);
  SetList(form.ComboSamplingRate, {"48000 Hz"}, "48000 Hz");
  form.ComboAudioChannel.Select(0);
}

FormatCommand PspVideoTemplate(const CommandSlots& s) {
  FormatCommand out;
  std::string& c = out.command;
  c.reserve(256);
  c += s.CommandHead;
  c += s.InputPart;
  c += " -vcodec \"xvid\"";
  c += s.VideoBitrateOption;
  c += s.FrameRateOption;
  c += " -acodec \"mpeg4aac\"";
  c += s.AudioBitrateOption;
  c += s.SampleRateOption;
  c += s.ChannelsOption;
  c += s.SizeOption;
  c += " -f psp";
  c += s.OutputPart;
  out.thumbnail_wanted = true;
  return out;
}

FormatCommand PspAvcTemplate(const CommandSlots& s, std::string_view title) {
  FormatCommand out;
  std::string& c = out.command;
  c.reserve(320);
  c += s.CommandHead;
  c += s.InputPart;
  c += " -bitexact -title \"";
  // The title comes from the input's file name: quoted so that no name can add an argument.
  c += platform::QuoteArgumentBody(title);
  c += '"';
  c += " -vcodec \"h264\"";
  c += " -b \"400\"";
  c += " -maxrate \"1500\"";
  c += " -bufsize \"128\"";
  c += " -r \"29.97\" ";
  c += " -acodec \"mpeg4aac\"";
  c += s.AudioBitrateOption;
  c += s.SampleRateOption;
  c += s.ChannelsOption;
  c += " -g \"250\" -qscale \"25\" -coder \"1\" ";
  c += s.SizeOption;
  c += " -f psp";
  c += s.OutputPart;
  out.thumbnail_wanted = true;
  return out;
}

}  // namespace vidloom
