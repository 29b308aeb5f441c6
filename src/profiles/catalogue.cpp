#include "profiles/catalogue.h"

#include "profiles/audio.h"
#include "profiles/mobile.h"
#include "profiles/ps3.h"
#include "profiles/psp.h"
#include "profiles/volume.h"

namespace vidloom {

static_assert(kSeparatorRow.size() == 67);
static_assert(kSeparatorRow.find_first_not_of(' ') == 14);

namespace {

template <PspQuality Q>
void PspVideoEntryProfile(TForm1& form, WindowState& state) {
  PspVideoProfile(form, state, Q);
}
template <Ps3Variant V>
void Ps3EntryProfile(TForm1& form, WindowState& state) {
  Ps3Profile(form, state, V);
}
template <MobileVariant V>
void MobileEntryProfile(TForm1& form, WindowState& state) {
  MobileProfile(form, state, V);
}

FormatCommand PspVideoEntryTemplate(const CommandSlots& s, std::string_view) {
  return PspVideoTemplate(s);
}
template <Ps3Rate R>
FormatCommand Ps3EntryTemplate(const CommandSlots& s, std::string_view) {
  return Ps3Template(s, R);
}
template <MobileVariant V>
FormatCommand MobileEntryTemplate(const CommandSlots& s, std::string_view) {
  return MobileTemplate(s, V);
}
FormatCommand AacEntryTemplate(const CommandSlots& s, std::string_view) {
  return AacTemplate(s);
}
FormatCommand Mp3EntryTemplate(const CommandSlots& s, std::string_view) {
  return Mp3Template(s);
}

}  // namespace

const std::array<OutputFormat, kFormatCount> FormatCatalogue = {{
    {"PSP Video (Good Quality) (*.mp4)", "MP4", true,
     PspVideoEntryProfile<PspQuality::kGoodQuality>, PspVideoEntryTemplate},
    {"PSP Video (Normal Quality) (*.mp4)", "MP4", true,
     PspVideoEntryProfile<PspQuality::kNormalQuality>, PspVideoEntryTemplate},
    {"PSP Video (Small File Size) (*.mp4)", "MP4", true,
     PspVideoEntryProfile<PspQuality::kSmallFileSize>, PspVideoEntryTemplate},
    {"PSP AVC Video (*.mp4)", "MP4", true, PspAvcProfile, PspAvcTemplate},
    {"PSP AVC Video Format2 (*.mp4)", "MP4", true, PspAvcFormat2Profile, PspAvcTemplate},
    {"PS3 Video(480P) (*.mp4)", "MP4", true, Ps3EntryProfile<Ps3Variant::k480P>,
     Ps3EntryTemplate<Ps3Rate::k1200>},
    {"PS3 Video(720P) (*.mp4)", "MP4", true, Ps3EntryProfile<Ps3Variant::k720P>,
     Ps3EntryTemplate<Ps3Rate::k2000>},
    {"PS3 Video(1080P) (*.mp4)", "MP4", true, Ps3EntryProfile<Ps3Variant::k1080P>,
     Ps3EntryTemplate<Ps3Rate::k2000>},
    {"AAC - Advance Audio Coding (*.aac)", "AAC", false, AacProfile, AacEntryTemplate},
    {"MP3 - Mpeg Layer3 Audio (*.mp3)", "MP3", false, Mp3Profile, Mp3EntryTemplate},
    {"3GP - 3rd Generation Partnership Project (*.3gp)", "3GP", true,
     MobileEntryProfile<MobileVariant::k3gp>, MobileEntryTemplate<MobileVariant::k3gp>},
    {"3G2 - 3rd Generation Partnership Project 2 (*.3g2)", "3G2", true,
     MobileEntryProfile<MobileVariant::k3g2>, MobileEntryTemplate<MobileVariant::k3g2>},
}};

bool IsSeparatorRow(std::string_view text) {
  return text.substr(0, 2) == "  ";
}

const std::array<std::string_view, kFormatListRows>& FormatListRows() {
  static const std::array<std::string_view, kFormatListRows> rows = {
      FormatCatalogue[0].DisplayName,
      FormatCatalogue[1].DisplayName,
      FormatCatalogue[2].DisplayName,
      kSeparatorRow,
      FormatCatalogue[3].DisplayName,
      FormatCatalogue[4].DisplayName,
      kSeparatorRow,
      FormatCatalogue[5].DisplayName,
      FormatCatalogue[6].DisplayName,
      FormatCatalogue[7].DisplayName,
      kSeparatorRow,
      FormatCatalogue[8].DisplayName,
      FormatCatalogue[9].DisplayName,
      kSeparatorRow,
      FormatCatalogue[10].DisplayName,
      FormatCatalogue[11].DisplayName,
  };
  return rows;
}

const OutputFormat* FindFormat(std::string_view text) {
  for (const OutputFormat& format : FormatCatalogue) {
    if (format.DisplayName == text) return &format;
  }
  return nullptr;
}

const OutputFormat* SelectedFormat(const TForm1& form) {
  return FindFormat(form.ComboOutputFormat.text());
}

void FillFormatList(TForm1& form) {
  std::vector<std::string> rows(FormatListRows().begin(), FormatListRows().end());
  form.ComboOutputFormat.Clear();
  form.ComboOutputFormat.SetItems(std::move(rows));
  form.ComboOutputFormat.SetDropDownCount(static_cast<int>(kFormatListRows));
  form.ComboOutputFormat.Select(0);
}

void RefreshFormatOptions(TForm1& form, WindowState& state) {
  form.ComboOutputFormat.SetDropDownCount(state.DropDownItemCount);
  state.ProfileTag.clear();
  form.ComboAudioChannel.Select(0);
  // Back to the neutral volume; the handler runs here even when the slider was already at 5 or
  // has no handler installed, so label and value always match the slider.
  form.TrackBar1.SetPosition(kNeutralVolumePosition);
  TrackBar1Change(form, state);
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
  ListView& list = form.ListView1;
  list.BeginUpdate();
  for (int row = 0; row < list.count(); ++row) list.SetCell(row, kCellOutput, extension);
  list.EndUpdate();

  state.PreviousFormatIndex = form.ComboOutputFormat.selected();
}

void ApplyFormatProfile(TForm1& form, WindowState& state) {
  if (const OutputFormat* format = SelectedFormat(form)) format->Profile(form, state);
}

void FormatExtension(const TForm1& form, std::string& output) {
  if (const OutputFormat* format = SelectedFormat(form)) output = format->Extension;
}

bool IsVideoFormat(const TForm1& form) {
  const OutputFormat* format = SelectedFormat(form);
  return format == nullptr || format->IsVideo;
}

std::optional<FormatCommand> BuildFormatCommand(const TForm1& form, const CommandSlots& slots,
                                                std::string_view title) {
  const OutputFormat* format = SelectedFormat(form);
  if (format == nullptr) return std::nullopt;
  return format->CommandTemplate(slots, title);
}

}  // namespace vidloom
