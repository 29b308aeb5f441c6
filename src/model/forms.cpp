#include "model/forms.h"

#include "platform/processors.h"

namespace vidloom {

TForm1::TForm1() {
  AddFileButton.caption = "Add Files";
  StopConvertButton.caption = "Stop Convert";
  ConvertNowButton.caption = "Convert Now !";
  RemoveButton.caption = "Remove";
  ClearAllButton.caption = "Clear All ";
  ButtonStopSmall.caption = "Stop";
  // Usable while a batch converts, when there is something to stop.
  StopConvertButton.SetEnabled(false);
  ButtonStopSmall.SetEnabled(false);

  Label1.SetCaption("Output Directory : ");
  Label14.SetCaption("100%");
  Edit1.read_only = true;
  Edit1.SetEnabled(false);

  ComboAudioChannel.SetItems({"Stereo", "Mono"});
  ComboAudioChannel.Select(0);
  ComboAspectRatio.SetItems({"Original ", "4:3   (Standard)", "16:9 (Wide Screen)"});
  ComboAspectRatio.Select(0);
  ComboLetterBox.SetHint("Add a letterbox to keep video aspect ratio");

  TrackBar1.min = 0;
  TrackBar1.max = 10;
  TrackBar1.SetPosition(5);

  StatusBar1.SetPanel(0, "Ready");
  Memo1.SetVisible(false);

  AddFiles1.caption = "Add Files";
  AddFolder1.caption = "Add Folder...";
  Convert1.caption = "Convert";
  OpenOutputFolder1.caption = "Open Output Folder";
  OpenOutputFolder2.caption = "Open Output Folder";
  Exit1.caption = "Exit";
  SetGeneralOptions1.caption = "Set Additional Options";
  OpenHelpFile1.caption = "Open Help File";
  VisitOurWebsite1.caption = "Visit Korvane Website";
  About1.caption = "About";
  CheckAllItems1.caption = "Check All Items";
  UncheckAllItems1.caption = "Uncheck All Items";
  DeleteSelectedItem1.caption = "Remove Selected Item";
  CheckFailedItems1.caption = "Check Failed Items";
  ShowDetails1.caption = "Show Details";
  ClearAllItems1.caption = "Clear All Items";

  ConversionCountTimer.SetInterval(2000);
  ConversionCountTimer.SetEnabled(false);
  TimerShutdown2.SetInterval(1000);
  TimerShutdown2.SetEnabled(false);
}

TForm4::TForm4() {
  CheckBoxOverWrite.caption = "Overwrite Existing File With The Same Name";
  CheckBoxKeepFolders.caption = "Keep Folder Structure";
  CheckBoxShutDown.caption = "Shut Down Computer After All Conversion Jobs Are Done ";
  Label1.SetCaption("Number Of Drop Down Items in Output Format List");
  SpinEdit1.min = 26;
  SpinEdit1.max = 47;
  SpinEdit1.SetValue(27);
  LabelFilesAtOnce.SetCaption("Files converted at once");
  SpinEditFilesAtOnce.min = 1;
  SpinEditFilesAtOnce.max = platform::ProcessorCount();
  SpinEditFilesAtOnce.SetValue(1);
  Button1.caption = "Done";
}

TForm3::TForm3() {
  Label1.SetCaption("Your PC will be turned off in 30 seconds");
  Label2.SetCaption("1");
  Label3.SetCaption(
      "\"Shut Down Computer After All Conversion Jobs Are Done\" is ticked in Options > Set "
      "Additional Options.");
  SpeedButton1.caption = "Do Not Turn Off";
}

TFormAnalyzingSplash::TFormAnalyzingSplash() {
  Label1.SetCaption("Analyzing File.......Please Wait.");
  Button2.caption = "Cancel";
}

TFormAbout::TFormAbout() {
  Label1.SetCaption("Vidloom ");
  Label5.SetCaption("Version 2.0");
  Label2.SetCaption("Visit Korvane Website  for More Softwares ");
  Label3.SetCaption("Contact Support Department");
  SpeedButton1.caption = "OK";
}

}  // namespace vidloom
