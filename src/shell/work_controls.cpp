#include "shell/work_controls.h"

#include "platform/filesystem.h"
#include "profiles/catalogue.h"

namespace vidloom {
namespace {

// The controls switched by the work-control operations, in their order.
template <class F>
void ForEachWorkControl(TForm1& form, TForm4& options, F&& f) {
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
  f(form.TrackBar1);
  f(form.ComboAspectRatio);
  f(form.AddFiles1);
  f(form.AddFolder1);
  f(form.Convert1);
  f(form.Exit1);
  f(form.OpenHelpFile1);
  f(form.VisitOurWebsite1);
  f(form.About1);
  f(form.SetGeneralOptions1);
}

}  // namespace

void DisableWorkControls(TForm1& form, TForm4& options) {
  ForEachWorkControl(form, options, [](Control& c) { c.SetEnabled(false); });
}

void EnableWorkControls(TForm1& form, TForm4& options) {
  ForEachWorkControl(form, options, [](Control& c) { c.SetEnabled(true); });
  form.ComboAspectRatio.SetEnabled(IsVideoFormat(form));
}

bool CheckRequiredFiles(TForm1& form, TForm4& options, Dialogs& dialogs,
                        const std::string& directory, const std::vector<std::string>& required) {
  bool missing = false;
  for (const auto& name : required) {
    if (!platform::FileExists(directory + name)) {
      dialogs.ShowMessage(form, kInformationCaption, kRequiredFileMissingText);
      missing = true;
      break;
    }
  }
  EnableWorkControls(form, options);
  return missing;
}

void ArmShutdownCountdown(TForm1& form, TForm3& warning, ShutdownState& shutdown) {
  shutdown.ShutdownArmed = true;
  shutdown.CountdownTicks = 0;
  warning.on_top = true;
  warning.Changed();
  form.TimerShutdown2.SetInterval(1000);
  form.TimerShutdown2.SetEnabled(true);
  warning.visible = true;
  warning.Changed();
}

}  // namespace vidloom
