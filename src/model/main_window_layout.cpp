#include "model/main_window_layout.h"

#include <cstring>

#include "texts/language.h"

namespace vidloom {

namespace {

using K = ControlKind;
constexpr TextFont kBold{11, true};
constexpr TextFont kBigBold{12, true};

// Each group's lists are one column: their labels on the left, their lists at one x.
constexpr int kVideoListLeft = 112;
constexpr int kAudioListLeft = 108;
constexpr int kGeneralListLeft = 90;

template <auto member>
constexpr ControlLayout BigButton(const char* name, Box box, Picture picture) {
  return {.kind = K::kBigButton,
          .name = name,
          .box = box,
          .font = kBigBold,
          .picture = picture,
          .picture_size = 32,
          .control = &FormControl<member>};
}

template <auto member>
constexpr ControlLayout SmallButton(const char* name, Box box, const char* accessible,
                                    Picture picture, int picture_size) {
  return {.kind = K::kButton,
          .name = name,
          .box = box,
          .text = accessible,
          .picture = picture,
          .picture_size = picture_size,
          .control = &FormControl<member>};
}

// A control of the model's, in `group` (null: the client area), named by `label` or
// `accessible`.
template <auto member>
constexpr ControlLayout Of(K kind, const char* name, Box box, const char* accessible,
                           const char* label, const char* group = nullptr, TextFont font = {}) {
  return {.kind = kind,
          .name = name,
          .box = box,
          .text = accessible,
          .font = font,
          .group = group,
          .label = label,
          .control = &FormControl<member>};
}

constexpr ControlLayout Caption(const char* name, Box box, const char* text,
                                const char* group = nullptr, TextFont font = {}) {
  return {
      .kind = K::kCaption, .name = name, .box = box, .text = text, .font = font, .group = group};
}

constexpr ControlLayout Group(const char* name, Box box, const char* title) {
  return {.kind = K::kGroup, .name = name, .box = box, .text = title};
}

const ControlLayout kControls[] = {
    BigButton<&MainForm::AddFileButton>("AddFileButton", {18, 3, 130, 52}, Picture::kAdd),
    BigButton<&MainForm::StopConvertButton>("StopConvertButton", {165, 3, 130, 52}, Picture::kStop),
    BigButton<&MainForm::ConvertNowButton>("ConvertNowButton", {318, 3, 130, 52},
                                           Picture::kConvert),
    BigButton<&MainForm::RemoveButton>("RemoveButton", {471, 3, 121, 52}, Picture::kRemove),
    BigButton<&MainForm::ClearAllButton>("ClearAllButton", {612, 3, 130, 52}, Picture::kClear),
    Of<&MainForm::FileList>(K::kFileList, "FileList", {4, 66, 753, 208}, N_("Video files"),
                            nullptr),

    Caption("OutputFormatLabel", {7, 286, 98, 16}, N_("Output Format : "), nullptr, kBold),
    Of<&MainForm::ComboOutputFormat>(K::kSelector, "ComboOutputFormat", {105, 282, 301, 21},
                                     nullptr, "OutputFormatLabel"),
    Of<&MainForm::OutputFolderLabel>(K::kLabel, "OutputFolderLabel", {416, 286, 100, 16}, nullptr,
                                     nullptr, nullptr, kBold),
    Of<&MainForm::OutputFolder>(K::kEdit, "OutputFolder", {525, 284, 181, 21},
                                N_("Output Directory"), "OutputFolderLabel"),
    SmallButton<&MainForm::ButtonBrowseForFolder>("ButtonBrowseForFolder", {711, 280, 40, 28},
                                                  N_("Browse For Folder"), Picture::kFolder, 20),

    Group("VideoSettings", {14, 315, 285, 133}, N_(" Video Settings ")),
    Caption("VideoCodecLabel", {12, 22, kVideoListLeft - 14, 16}, N_("Video Codec : "),
            "VideoSettings"),
    Of<&MainForm::ComboVideoCodec>(K::kSelector, "ComboVideoCodec", {kVideoListLeft, 18, 157, 21},
                                   nullptr, "VideoCodecLabel", "VideoSettings"),
    Caption("VideoSizeLabel", {12, 50, kVideoListLeft - 14, 16}, N_("Video Size : "),
            "VideoSettings"),
    Of<&MainForm::ComboVideoSize>(K::kSelector, "ComboVideoSize", {kVideoListLeft, 46, 157, 21},
                                  nullptr, "VideoSizeLabel", "VideoSettings"),
    Caption("VideoBitrateLabel", {12, 78, kVideoListLeft - 14, 16}, N_("Video Bitrate : "),
            "VideoSettings"),
    Of<&MainForm::ComboVideoBitrate>(K::kSelector, "ComboVideoBitrate",
                                     {kVideoListLeft, 74, 157, 21}, nullptr, "VideoBitrateLabel",
                                     "VideoSettings"),
    Caption("VideoFramerateLabel", {12, 106, kVideoListLeft - 14, 16}, N_("Video Framerate : "),
            "VideoSettings"),
    Of<&MainForm::ComboVideoFramerate>(K::kSelector, "ComboVideoFramerate",
                                       {kVideoListLeft, 102, 157, 21}, nullptr,
                                       "VideoFramerateLabel", "VideoSettings"),

    Group("AudioSettings", {309, 315, 219, 133}, N_(" Audio Settings ")),
    Caption("AudioCodecLabel", {12, 22, kAudioListLeft - 14, 16}, N_("Audio Codec : "),
            "AudioSettings"),
    Of<&MainForm::ComboAudioCodec>(K::kSelector, "ComboAudioCodec", {kAudioListLeft, 18, 97, 21},
                                   nullptr, "AudioCodecLabel", "AudioSettings"),
    Caption("AudioBitrateLabel", {12, 50, kAudioListLeft - 14, 16}, N_("Audio Bitrate :"),
            "AudioSettings"),
    Of<&MainForm::ComboAudioBitrate>(K::kSelector, "ComboAudioBitrate",
                                     {kAudioListLeft, 46, 97, 21}, nullptr, "AudioBitrateLabel",
                                     "AudioSettings"),
    Caption("AudioChannelsLabel", {12, 78, kAudioListLeft - 14, 16}, N_("Audio Channels :"),
            "AudioSettings"),
    Of<&MainForm::ComboAudioChannel>(K::kSelector, "ComboAudioChannel",
                                     {kAudioListLeft, 74, 97, 21}, nullptr, "AudioChannelsLabel",
                                     "AudioSettings"),
    Caption("SamplingRateLabel", {12, 106, kAudioListLeft - 14, 16}, N_("Sampling Rate : "),
            "AudioSettings"),
    Of<&MainForm::ComboSamplingRate>(K::kSelector, "ComboSamplingRate",
                                     {kAudioListLeft, 102, 97, 21}, nullptr, "SamplingRateLabel",
                                     "AudioSettings"),

    Group("GeneralSettings", {538, 315, 213, 133}, N_(" General Settings ")),
    Caption("VideoZoomLabel", {12, 28, kGeneralListLeft - 14, 16}, N_("Video Zoom : "),
            "GeneralSettings"),
    Of<&MainForm::ComboLetterBox>(K::kSelector, "ComboLetterBox", {kGeneralListLeft, 24, 113, 21},
                                  nullptr, "VideoZoomLabel", "GeneralSettings"),
    Caption("AspectRatioLabel", {12, 57, kGeneralListLeft - 14, 16}, N_("Aspect Ratio : "),
            "GeneralSettings"),
    Of<&MainForm::ComboAspectRatio>(K::kSelector, "ComboAspectRatio",
                                    {kGeneralListLeft, 53, 113, 21}, nullptr, "AspectRatioLabel",
                                    "GeneralSettings"),
    Caption("VolumeLabel", {12, 92, 56, 16}, N_("Volume : "), "GeneralSettings"),
    Of<&MainForm::VolumeSlider>(K::kTrackBar, "VolumeSlider", {69, 90, 139, 19}, N_("Volume"),
                                "VolumeLabel", "GeneralSettings"),
    Of<&MainForm::VolumePercent>(K::kLabel, "VolumePercent", {129, 114, 40, 16}, nullptr, nullptr,
                                 "GeneralSettings"),

    Of<&MainForm::ConversionProgress>(K::kProgressBar, "ConversionProgress", {69, 462, 585, 16},
                                      N_("Conversion progress"), nullptr),
    SmallButton<&MainForm::ButtonStopSmall>("ButtonStopSmall", {668, 456, 77, 28}, nullptr,
                                            Picture::kStop, 16),
};

const MenuEntryLayout kFileEntries[] = {
    {"AddFilesEntry", &MainForm::AddFilesEntry, Picture::kAdd, "Ctrl+O"},
    {"AddFolderEntry", &MainForm::AddFolderEntry, Picture::kFolder},
    {},
    {"ConvertEntry", &MainForm::ConvertEntry, Picture::kConvert, "Ctrl+Enter"},
    {},
    {"OpenOutputFolderEntry", &MainForm::OpenOutputFolderEntry, Picture::kFolder},
    {},
    {"ExitEntry", &MainForm::ExitEntry},
};
const MenuEntryLayout kOptionsEntries[] = {
    {"SetOptionsEntry", &MainForm::SetOptionsEntry},
};
const MenuEntryLayout kHelpEntries[] = {
    {"OpenHelpEntry", &MainForm::OpenHelpEntry, Picture::kNone, "F1"},
    {},
    {"VisitWebsiteEntry", &MainForm::VisitWebsiteEntry},
    {},
    {"AboutEntry", &MainForm::AboutEntry, Picture::kApp},
};
const MenuEntryLayout kFileListEntries[] = {
    {"CheckAllEntry", &MainForm::CheckAllEntry},
    {"UncheckAllEntry", &MainForm::UncheckAllEntry},
    {},
    {"RemoveSelectedEntry", &MainForm::RemoveSelectedEntry, Picture::kRemove, "Del", true},
    {"ClearAllEntry", &MainForm::ClearAllEntry, Picture::kClear},
    {},
    {"CheckFailedEntry", &MainForm::CheckFailedEntry},
    {"ShowDetailsEntry", &MainForm::ShowDetailsEntry},
    {"OpenRowFolderEntry", &MainForm::OpenRowFolderEntry, Picture::kFolder},
};
const MenuLayout kMenus[] = {
    {"FileMenu", N_("&File"), kFileEntries},
    {"OptionsMenu", N_("&Options"), kOptionsEntries},
    {"HelpMenu", N_("&Help"), kHelpEntries},
};

}  // namespace

const std::span<const ControlLayout> kMainWindowControls = kControls;
const std::span<const MenuLayout> kMainMenus = kMenus;
const MenuLayout kFileListMenu = {"PopupFileList", "", kFileListEntries};

const std::array<FileColumnLayout, kFileCellCount + 1> kFileColumns = {{
    {N_("Video File Name"), 320},
    {N_("Video Size"), 90},
    {N_("FrameRate"), 70},
    {N_("Duration"), 60},
    {N_("Output"), 65},
    {N_("Progress"), 57},
    {N_("Frames"), 60},
}};

std::array<std::vector<std::string>, StatusBar::kPanels> StatusPanelTexts() {
  using texts::Fill;
  using texts::Tr;
  return {{
      {Tr(kReadyText), Fill(Tr(kConvertingText), {"888", "888"}),
       Fill(Tr(kConvertedFailedText), {"88", "888", "88"}),
       Fill(Tr(kConvertedFailedStoppedText), {"88", "88", "88"})},
      {Fill(Tr(kOutputSizeText), {"8888888"})},
      {Tr(kThumbnailPanelText)},
  }};
}

const ControlLayout* FindMainWindowControl(const char* name) {
  for (const ControlLayout& control : kMainWindowControls) {
    if (std::strcmp(control.name, name) == 0) return &control;
  }
  return nullptr;
}

Box ClientBox(const ControlLayout& control) {
  Box box = control.box;
  if (control.group != nullptr) {
    if (const ControlLayout* group = FindMainWindowControl(control.group)) {
      box.x += group->box.x;
      box.y += group->box.y;
    }
  }
  return box;
}

}  // namespace vidloom
