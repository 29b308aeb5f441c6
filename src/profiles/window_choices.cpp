#include "profiles/window_choices.h"

namespace vidloom {
namespace {

Choice Of(const Selector& selector) {
  return Choice{.row = selector.selected(), .text = selector.text()};
}

}  // namespace

ConversionChoices TakeSelections(const MainForm& form) {
  return ConversionChoices{.format = form.ComboOutputFormat.text(),
                           .video_codec = Of(form.ComboVideoCodec),
                           .video_size = Of(form.ComboVideoSize),
                           .video_bitrate = Of(form.ComboVideoBitrate),
                           .frame_rate = Of(form.ComboVideoFramerate),
                           .audio_bitrate = Of(form.ComboAudioBitrate),
                           .audio_channel = Of(form.ComboAudioChannel),
                           .sampling_rate = Of(form.ComboSamplingRate),
                           .letterbox = Of(form.ComboLetterBox)};
}

ConversionChoices TakeChoices(const MainForm& form, const OptionsForm& options,
                              const WindowState& window) {
  ConversionChoices choices = TakeSelections(form);
  choices.profile_tag = window.ProfileTag;
  choices.volume_factor = window.VolumeFactor;
  choices.output_directory = form.OutputFolder.text();
  choices.overwrite = options.CheckBoxOverWrite.checked();
  choices.keep_folders = options.CheckBoxKeepFolders.checked();
  return choices;
}

}  // namespace vidloom
