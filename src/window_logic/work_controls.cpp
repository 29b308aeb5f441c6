#include "window_logic/work_controls.h"

#include "platform/filesystem.h"
#include "profiles/format_selectors.h"
#include "texts/language.h"

namespace vidloom {
namespace {

// The controls switched by the work-control operations, in their order.
template <class F>
void ForEachWorkControl(MainForm& form, OptionsForm& options, F&& f) {
  f(form.ComboOutputFormat);
  f(form.ComboVideoSize);
  f(form.ComboVideoBitrate);
  f(form.ComboVideoFramerate);
  f(form.ComboAudioBitrate);
  f(form.ComboAudioChannel);
  f(options.CheckBoxOverWrite);
  f(options.CheckBoxShutDown);
  f(options.CheckBoxKeepFolders);
  f(options.SpinEditFilesAtOnce);
  f(form.ComboVideoCodec);
  f(form.ComboLetterBox);
  f(form.ComboSamplingRate);
  f(form.ComboAudioCodec);
  f(form.ClearAllButton);
  f(form.RemoveButton);
  f(form.VolumeSlider);
  f(form.ComboAspectRatio);
  f(form.AddFilesEntry);
  f(form.AddFolderEntry);
  f(form.ConvertEntry);
  f(form.ExitEntry);
  f(form.OpenHelpEntry);
  f(form.VisitWebsiteEntry);
  f(form.AboutEntry);
  f(form.SetOptionsEntry);
}

}  // namespace

void DisableWorkControls(MainForm& form, OptionsForm& options) {
  ForEachWorkControl(form, options, [](Control& c) { c.SetEnabled(false); });
}

void EnableWorkControls(MainForm& form, OptionsForm& options) {
  ForEachWorkControl(form, options, [](Control& c) { c.SetEnabled(true); });
  form.ComboAspectRatio.SetEnabled(IsVideoFormat(form));
}

bool CheckRequiredFiles(MainForm& form, OptionsForm& options, Dialogs& dialogs,
                        const std::string& directory, const std::vector<std::string>& required) {
  bool missing = false;
  for (const auto& name : required) {
    if (!platform::FileExists(directory + name)) {
      dialogs.ShowMessage(form, texts::Tr(kInformationCaption),
                          texts::Tr(kRequiredFileMissingText));
      missing = true;
      break;
    }
  }
  EnableWorkControls(form, options);
  return missing;
}

void ArmShutdownCountdown(MainForm& form, PowerOffWarningForm& warning, ShutdownState& shutdown) {
  shutdown.ShutdownArmed = true;
  shutdown.CountdownTicks = 0;
  warning.on_top = true;
  warning.Changed();
  form.PowerOffCountdownTimer.SetInterval(1000);
  form.PowerOffCountdownTimer.SetEnabled(true);
  warning.visible = true;
  warning.Changed();
}

}  // namespace vidloom
