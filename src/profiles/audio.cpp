#include "profiles/audio.h"

#include "profiles/set_list.h"

namespace vidloom {

namespace {
void ClearVideoSelectors(TForm1& form) {
  form.ComboVideoSize.Clear();
  form.ComboVideoBitrate.Clear();
  form.ComboVideoFramerate.Clear();
}
}  // namespace

void Mp3Profile(TForm1& form, WindowState& /*state*/) {
  form.ComboVideoCodec.Clear();
  SetList(form.ComboAudioCodec, {"mp3"}, "mp3");
  SetList(form.ComboAudioBitrate,
          {"32 Kbps", "40 Kbps", "48 Kbps", "64 Kbps", "80 Kbps", "96 Kbps", "112 Kbps", "128 Kbps",
           "160 Kbps", "192 Kbps", "224 Kbps", "256 Kbps", "320 Kbps"},
          "192 Kbps");
  SetList(form.ComboSamplingRate,
          {"8000 Hz", "16000 Hz", "22050 Hz", "32000 Hz", "44100 Hz", "48000 Hz", "54000 Hz",
           "96000 Hz"},
          "48000 Hz");
  ClearVideoSelectors(form);
}

void AacProfile(TForm1& form, WindowState& /*state*/) {
  form.ComboVideoCodec.Clear();
  SetList(form.ComboAudioCodec, {"aac"}, "aac");
  // By position in the lists the previous entry left, as the entry has always done.
  form.ComboAudioBitrate.Select(7);
  form.ComboSamplingRate.Select(5);
  form.ComboAudioChannel.Select(0);
  ClearVideoSelectors(form);
}

FormatCommand Mp3Template(const CommandSlots& s) {
  FormatCommand out;
  std::string& c = out.command;
  c.reserve(192);
  c += s.CommandHead;
  c += s.InputPart;
  c += " -id3v1 -id3v2 -acodec \"mp3\"";
  c += s.AudioBitrateOption;
  c += s.SampleRateOption;
  c += s.ChannelsOption;
  c += s.OutputPart;
  return out;
}

FormatCommand AacTemplate(const CommandSlots& s) {
  FormatCommand out;
  std::string& c = out.command;
  c.reserve(192);
  c += s.CommandHead;
  c += s.InputPart;
  c += " -acodec \"aac\"";
  c += s.AudioBitrateOption;
  c += s.SampleRateOption;
  c += s.ChannelsOption;
  c += " -vn ";
  c += s.OutputPart;
  return out;
}

}  // namespace vidloom
