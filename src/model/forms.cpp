#include "model/forms.h"

#include "model/main_window_layout.h"
#include "platform/processors.h"
#include "texts/language.h"

namespace vidloom {

using texts::Tr;

MainForm::MainForm() {
  AddFileButton.caption = Tr("Add Files");
  StopConvertButton.caption = Tr("Stop Convert");
  ConvertNowButton.caption = Tr("Convert Now !");
  RemoveButton.caption = Tr("Remove");
  ClearAllButton.caption = Tr("Clear All ");
  ButtonStopSmall.caption = Tr("Stop");
  // Usable while a batch converts, when there is something to stop.
  StopConvertButton.SetEnabled(false);
  ButtonStopSmall.SetEnabled(false);

  OutputFolderLabel.SetCaption(Tr("Output Directory : "));
  VolumePercent.SetCaption("100%");
  OutputFolder.read_only = true;
  OutputFolder.SetEnabled(false);

  ComboAudioChannel.SetItems({N_("Stereo"), N_("Mono")});
  ComboAudioChannel.Select(0);
  ComboAspectRatio.SetItems({N_("Original "), N_("4:3   (Standard)"), N_("16:9 (Wide Screen)")});
  ComboAspectRatio.Select(0);
  ComboLetterBox.SetHint(Tr("Add a letterbox to keep video aspect ratio"));

  VolumeSlider.min = 0;
  VolumeSlider.max = 10;
  VolumeSlider.SetPosition(5);

  Status.SetPanel(0, Tr(kReadyText));
  UnusedMemo.SetVisible(false);

  AddFilesEntry.caption = Tr("Add Files");
  AddFolderEntry.caption = Tr("Add Folder...");
  ConvertEntry.caption = Tr("Convert");
  OpenOutputFolderEntry.caption = Tr("Open Output Folder");
  OpenRowFolderEntry.caption = Tr("Open Output Folder");
  ExitEntry.caption = Tr("Exit");
  SetOptionsEntry.caption = Tr("Set Additional Options");
  OpenHelpEntry.caption = Tr("Open Help File");
  VisitWebsiteEntry.caption = Tr("Visit Korvane Website");
  AboutEntry.caption = Tr("About");
  CheckAllEntry.caption = Tr("Check All Items");
  UncheckAllEntry.caption = Tr("Uncheck All Items");
  RemoveSelectedEntry.caption = Tr("Remove Selected Item");
  CheckFailedEntry.caption = Tr("Check Failed Items");
  ShowDetailsEntry.caption = Tr("Show Details");
  ClearAllEntry.caption = Tr("Clear All Items");

  ConversionCountTimer.SetInterval(2000);
  ConversionCountTimer.SetEnabled(false);
  PowerOffCountdownTimer.SetInterval(1000);
  PowerOffCountdownTimer.SetEnabled(false);
}

OptionsForm::OptionsForm() {
  caption = Tr(caption);
  CheckBoxOverWrite.caption = Tr("Overwrite Existing File With The Same Name");
  CheckBoxKeepFolders.caption = Tr("Keep Folder Structure");
  CheckBoxShutDown.caption = Tr("Shut Down Computer After All Conversion Jobs Are Done ");
  DropDownCountLabel.SetCaption(Tr("Number Of Drop Down Items in Output Format List"));
  DropDownCount.min = 26;
  DropDownCount.max = 47;
  DropDownCount.SetValue(27);
  LabelFilesAtOnce.SetCaption(Tr("Files converted at once"));
  SpinEditFilesAtOnce.min = 1;
  SpinEditFilesAtOnce.max = platform::ProcessorCount();
  SpinEditFilesAtOnce.SetValue(1);
  LanguageLabel.SetCaption(Tr("Language : "));
  std::vector<std::string> languages = {Tr("System")};
  for (const texts::Language& language : texts::Languages()) languages.emplace_back(language.name);
  ComboLanguage.SetItems(std::move(languages));
  ComboLanguage.Select(0);
  ComboLanguage.SetHint(Tr("The language of Vidloom's windows, from its next start"));
  DoneButton.caption = Tr("Done");
}

PowerOffWarningForm::PowerOffWarningForm() {
  caption = Tr(caption);
  CountdownText.SetCaption(Tr("Your PC will be turned off in 30 seconds"));
  ElapsedSeconds.SetCaption("1");
  Reason.SetCaption(
      Tr("\"Shut Down Computer After All Conversion Jobs Are Done\" is ticked in Options > Set "
         "Additional Options."));
  DoNotTurnOffButton.caption = Tr("Do Not Turn Off");
}

AnalyzingForm::AnalyzingForm() {
  caption = Tr(caption);
  Heading.SetCaption(Tr("Analyzing File.......Please Wait."));
  CancelButton.caption = Tr("Cancel");
}

AboutForm::AboutForm() {
  caption = Tr(caption);
  ProductLabel.SetCaption("Vidloom ");
  VersionLabel.SetCaption(Tr("Version 2.0"));
  WebsiteLink.SetCaption(Tr("Visit Korvane Website  for More Softwares "));
  SupportLink.SetCaption(Tr("Contact Support Department"));
  OkButton.caption = Tr("OK");
}

}  // namespace vidloom
