#include "profiles/window_choices.h"

#include "profiles/option_values.h"

namespace vidloom {
namespace {

Choice Of(const Selector& selector, OptionList list) {
  return Choice{.row = selector.selected(),
                .text = selector.text(),
                .value = OptionValue(list, selector.text())};
}

Choice Of(const Selector& selector) {
  return Choice{.row = selector.selected(), .text = selector.text()};
}

}  // namespace

ConversionChoices TakeSelections(const MainForm& form) {
  return ConversionChoices{.format = form.ComboOutputFormat.text(),
                           .video_codec = Of(form.ComboVideoCodec, OptionList::kVideoCodec),
                           .video_size = Of(form.ComboVideoSize, OptionList::kVideoSize),
                           .video_bitrate = Of(form.ComboVideoBitrate, OptionList::kVideoBitrate),
                           .frame_rate = Of(form.ComboVideoFramerate, OptionList::kFrameRate),
                           .audio_bitrate = Of(form.ComboAudioBitrate, OptionList::kAudioBitrate),
                           .audio_channel = Of(form.ComboAudioChannel),
                           .sampling_rate = Of(form.ComboSamplingRate, OptionList::kSamplingRate),
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
