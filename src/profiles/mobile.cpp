#include "profiles/mobile.h"

#include "profiles/set_list.h"

namespace vidloom {

void MobileProfile(TForm1& form, WindowState& /*state*/, MobileVariant variant) {
  SetList(form.ComboVideoCodec, {"MPEG4", "H263", "XVID"}, "MPEG4");
  if (variant == MobileVariant::k3gp) {
    SetList(form.ComboAudioCodec, {"amr_nb"}, "amr_nb");
  } else {
    SetList(form.ComboAudioCodec, {"mpeg4aac", "amr_nb"}, "mpeg4aac");
  }
  SetList(form.ComboVideoSize,
          {"128 x 96 (SQCIF)", "160 x 120 (QVGA)", "176 x 144 (QCIF)", "208 x 176", "220 x 176",
           "320 x 240 (VGA)", "352 x 288 (CIF)"},
          "176 x 144 (QCIF)");
  SetList(form.ComboVideoBitrate,
          {"48 Kbps", "64 Kbps", "96 Kbps", "128 Kbps", "256 Kbps", "512 Kbps"}, "128 Kbps");
  SetList(form.ComboVideoFramerate, {"Auto", "11 fps", "14.985 fps", "15 fps"}, "Auto");
  SetList(form.ComboAudioBitrate, {"32 Kbps", "48 Kbps"}, "48 Kbps");
  SetList(form.ComboSamplingRate, {"8000  Hz", "16000 Hz"}, "8000  Hz");
  form.ComboLetterBox.Select(1);
  form.ComboAudioChannel.Select(1);
}

FormatCommand MobileTemplate(const CommandSlots& s, MobileVariant variant) {
  FormatCommand out;
  std::string& c = out.command;
  c.reserve(256);
  c += s.CommandHead;
  c += s.InputPart;
  c += s.VideoCodecOption;
  c += s.VideoBitrateOption;
  c += s.FrameRateOption;
  c += " -bt \"60\" ";
  c += " -acodec \"amr_nb\"";
  c += s.AudioBitrateOption;
  c += s.SampleRateOption;
  c += s.ChannelsOption;
  c += s.SizeOption;
  if (variant == MobileVariant::k3g2) c += " -f 3gp";
  c += s.OutputPart;
  return out;
}

}  // namespace vidloom
