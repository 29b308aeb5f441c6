#include "profiles/format_selectors.h"

#include <vector>

#include "profiles/option_values.h"
#include "profiles/volume.h"

namespace vidloom {
namespace {

void Fill(Selector& selector, const SelectorFill& fill) {
  if (fill.KeepItemsSelectRow) {
    selector.Select(*fill.KeepItemsSelectRow);
    return;
  }
  selector.SetItems(ListItems(fill.Items));
  selector.SelectText(std::string(fill.Selected));
  if (!fill.ThenSelected.empty()) selector.SelectText(std::string(fill.ThenSelected));
}

// Applies a profile row to the option selectors, one selector after the other.
void ApplyProfile(const FormatProfile& profile, MainForm& form, WindowState& state) {
  if (!profile.ProfileTag.empty()) state.ProfileTag = profile.ProfileTag;
  Fill(form.ComboVideoCodec, profile.VideoCodecs);
  Fill(form.ComboAudioCodec, profile.AudioCodecs);
  Fill(form.ComboVideoSize, profile.Sizes);
  Fill(form.ComboVideoBitrate, profile.VideoBitrates);
  Fill(form.ComboVideoFramerate, profile.FrameRates);
  Fill(form.ComboAudioBitrate, profile.AudioBitrates);
  Fill(form.ComboSamplingRate, profile.SamplingRates);
  if (profile.LetterBoxRow) form.ComboLetterBox.Select(*profile.LetterBoxRow);
  if (profile.ChannelRow) form.ComboAudioChannel.Select(*profile.ChannelRow);
}

}  // namespace

const OutputFormat* SelectedFormat(const MainForm& form) {
  return FindFormat(form.ComboOutputFormat.text());
}

void FillFormatList(MainForm& form) {
  std::vector<std::string> rows(FormatListRows().begin(), FormatListRows().end());
  form.ComboOutputFormat.Clear();
  form.ComboOutputFormat.SetItems(std::move(rows));
  form.ComboOutputFormat.SetDropDownCount(static_cast<int>(kFormatListRows));
  form.ComboOutputFormat.Select(0);
}

void RefreshFormatOptions(MainForm& form, WindowState& state) {
  form.ComboOutputFormat.SetDropDownCount(state.DropDownItemCount);
  state.ProfileTag.clear();
  form.ComboAudioChannel.Select(0);
  // Back to the neutral volume; the handler runs here even when the slider was already at 5 or
  // has no handler installed, so label and value always match the slider.
  form.VolumeSlider.SetPosition(kNeutralVolumePosition);
  VolumeSliderChange(form, state);
  form.ComboAspectRatio.Select(0);
  form.ComboAspectRatio.SetEnabled(IsVideoFormat(form));

  if (IsSeparatorRow(form.ComboOutputFormat.text())) {
    // A separator is never a valid choice: the previous entry comes back, and lists, defaults
    // and "Output" cells stay as that entry left them.
    form.ComboOutputFormat.Select(state.PreviousFormatIndex);
    return;
  }

  ApplyFormatProfile(form, state);

  std::string extension;
  FormatExtension(form, extension);
  ListView& list = form.FileList;
  list.BeginUpdate();
  for (int row = 0; row < list.count(); ++row) {
    list.Update(list.row(row).id, [&](FileEntry& entry) { entry.output_extension = extension; });
  }
  list.EndUpdate();

  state.PreviousFormatIndex = form.ComboOutputFormat.selected();
}

void ApplyFormatProfile(MainForm& form, WindowState& state) {
  if (const OutputFormat* format = SelectedFormat(form)) ApplyProfile(format->Profile, form, state);
}

void FormatExtension(const MainForm& form, std::string& output) {
  if (const OutputFormat* format = SelectedFormat(form)) output = format->Extension;
}

bool IsVideoFormat(const MainForm& form) {
  const OutputFormat* format = SelectedFormat(form);
  return format == nullptr || format->IsVideo;
}

}  // namespace vidloom
