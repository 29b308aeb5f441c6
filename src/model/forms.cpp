#include "model/forms.h"

#include "model/main_window_layout.h"
#include "platform/processors.h"

namespace vidloom {

MainForm::MainForm() {
  AddFileButton.caption = "Add Files";
  StopConvertButton.caption = "Stop Convert";
  ConvertNowButton.caption = "Convert Now !";
  RemoveButton.caption = "Remove";
  ClearAllButton.caption = "Clear All ";
  ButtonStopSmall.caption = "Stop";
  // Usable while a batch converts, when there is something to stop.
  StopConvertButton.SetEnabled(false);
  ButtonStopSmall.SetEnabled(false);

  OutputFolderLabel.SetCaption("Output Directory : ");
  VolumePercent.SetCaption("100%");
  OutputFolder.read_only = true;
  OutputFolder.SetEnabled(false);

  ComboAudioChannel.SetItems({"Stereo", "Mono"});
  ComboAudioChannel.Select(0);
  ComboAspectRatio.SetItems({"Original ", "4:3   (Standard)", "16:9 (Wide Screen)"});
  ComboAspectRatio.Select(0);
  ComboLetterBox.SetHint("Add a letterbox to keep video aspect ratio");

  VolumeSlider.min = 0;
  VolumeSlider.max = 10;
  VolumeSlider.SetPosition(5);

  Status.SetPanel(0, kReadyText);
  UnusedMemo.SetVisible(false);

  AddFilesEntry.caption = "Add Files";
  AddFolderEntry.caption = "Add Folder...";
  ConvertEntry.caption = "Convert";
  OpenOutputFolderEntry.caption = "Open Output Folder";
  OpenRowFolderEntry.caption = "Open Output Folder";
  ExitEntry.caption = "Exit";
  SetOptionsEntry.caption = "Set Additional Options";
  OpenHelpEntry.caption = "Open Help File";
  VisitWebsiteEntry.caption = "Visit Korvane Website";
  AboutEntry.caption = "About";
  CheckAllEntry.caption = "Check All Items";
  UncheckAllEntry.caption = "Uncheck All Items";
  RemoveSelectedEntry.caption = "Remove Selected Item";
  CheckFailedEntry.caption = "Check Failed Items";
  ShowDetailsEntry.caption = "Show Details";
  ClearAllEntry.caption = "Clear All Items";

  ConversionCountTimer.SetInterval(2000);
  ConversionCountTimer.SetEnabled(false);
  PowerOffCountdownTimer.SetInterval(1000);
  PowerOffCountdownTimer.SetEnabled(false);
}

OptionsForm::OptionsForm() {
  CheckBoxOverWrite.caption = "Overwrite Existing File With The Same Name";
  CheckBoxKeepFolders.caption = "Keep Folder Structure";
  CheckBoxShutDown.caption = "Shut Down Computer After All Conversion Jobs Are Done ";
  DropDownCountLabel.SetCaption("Number Of Drop Down Items in Output Format List");
  DropDownCount.min = 26;
  DropDownCount.max = 47;
  DropDownCount.SetValue(27);
  LabelFilesAtOnce.SetCaption("Files converted at once");
  SpinEditFilesAtOnce.min = 1;
  SpinEditFilesAtOnce.max = platform::ProcessorCount();
  SpinEditFilesAtOnce.SetValue(1);
  DoneButton.caption = "Done";
}

PowerOffWarningForm::PowerOffWarningForm() {
  CountdownText.SetCaption("Your PC will be turned off in 30 seconds");
  ElapsedSeconds.SetCaption("1");
  Reason.SetCaption(
      "\"Shut Down Computer After All Conversion Jobs Are Done\" is ticked in Options > Set "
      "Additional Options.");
  DoNotTurnOffButton.caption = "Do Not Turn Off";
}

AnalyzingForm::AnalyzingForm() {
  Heading.SetCaption("Analyzing File.......Please Wait.");
  CancelButton.caption = "Cancel";
}

AboutForm::AboutForm() {
  ProductLabel.SetCaption("Vidloom ");
  VersionLabel.SetCaption("Version 2.0");
  WebsiteLink.SetCaption("Visit Korvane Website  for More Softwares ");
  SupportLink.SetCaption("Contact Support Department");
  OkButton.caption = "OK";
}

}  // namespace vidloom
