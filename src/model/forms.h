// The program's windows as models of named controls. Each is created once and lives until the
// program ends; views draw them, the logic reads and writes them on the UI thread.
#pragma once

#include <string>

#include "model/controls.h"
#include "model/list_view.h"
#include "texts/language.h"

namespace vidloom {

// A window's own state: shown or hidden, kept above other windows. Whoever changes it calls
// Changed() so that a view follows.
struct Form : public Observable {
  bool visible = false;
  bool on_top = false;
  void Changed() const { Notify(); }
};

// Hidden multi-line buffer of the main window.
struct Memo : public Control {
  std::vector<std::string> lines;
};

// The main window.
struct MainForm : Form {
  MainForm();

  std::string caption = "Vidloom";
  // How far the running batch is, 0..100 (the taskbar button shows it); -1: no batch, or not
  // known yet.
  int batch_percent = -1;
  // How long a hint stays visible once shown (set at creation).
  int hint_hide_pause_ms = 0;

  Button AddFileButton;
  Button StopConvertButton;
  Button ConvertNowButton;
  Button RemoveButton;
  Button ClearAllButton;
  Button ButtonBrowseForFolder;
  Button ButtonStopSmall;

  ListView FileList;

  Label OutputFolderLabel;  // "Output Directory : " (hint: the output directory)
  Label VolumePercent;      // volume percentage under the slider
  Edit OutputFolder;        // output directory

  Selector ComboOutputFormat;
  Selector ComboVideoCodec;
  Selector ComboVideoSize;
  Selector ComboVideoBitrate;
  Selector ComboVideoFramerate;
  Selector ComboAudioCodec;
  Selector ComboAudioBitrate;
  Selector ComboAudioChannel;
  Selector ComboSamplingRate;
  Selector ComboLetterBox;
  Selector ComboAspectRatio;

  TrackBar VolumeSlider;
  ProgressBar ConversionProgress;
  StatusBar Status;
  Memo UnusedMemo;

  // Main menu entries.
  MenuEntry AddFilesEntry;          // File > "Add Files"
  MenuEntry AddFolderEntry;         // File > "Add Folder...": a folder's media files, recursively
  MenuEntry ConvertEntry;           // File > "Convert"
  MenuEntry OpenOutputFolderEntry;  // File > "Open Output Folder"
  MenuEntry ExitEntry;              // File > "Exit"
  MenuEntry SetOptionsEntry;        // Options > "Set Additional Options"
  MenuEntry OpenHelpEntry;          // Help > "Open Help File"
  MenuEntry VisitWebsiteEntry;      // Help > "Visit Korvane Website"
  MenuEntry AboutEntry;             // Help > "About"

  // Context menu of FileList.
  MenuEntry CheckAllEntry;
  MenuEntry UncheckAllEntry;
  MenuEntry RemoveSelectedEntry;
  MenuEntry ClearAllEntry;
  MenuEntry CheckFailedEntry;    // ticks the rows that did not end Done, unticks the others
  MenuEntry ShowDetailsEntry;    // the selected row's reason and the encoder's output of its runs
  MenuEntry OpenRowFolderEntry;  // the output directory in the file manager

  Timer ConversionCountTimer;    // stall watchdog, 2000 ms
  Timer PowerOffCountdownTimer;  // shutdown countdown, 1000 ms
  Timer BatchClockTimer;         // refreshes the batch's times while it converts, 1000 ms
};

// The "Additional Options" dialog.
struct OptionsForm : Form {
  OptionsForm();
  std::string caption = N_("Additional Options");
  CheckBox CheckBoxOverWrite;
  CheckBox CheckBoxShutDown;
  // Each output below the output directory at the place its input had below the folder it
  // was added with.
  CheckBox CheckBoxKeepFolders;
  Label DropDownCountLabel;
  SpinEdit DropDownCount;
  // How many files a batch converts side by side: 1 up to the number of processors.
  Label LabelFilesAtOnce;
  SpinEdit SpinEditFilesAtOnce;
  // The program's language: "System" (the system's), then each language by its own name, as
  // texts::Languages() lists them. Takes effect when the program starts next.
  Label LanguageLabel;
  Selector ComboLanguage;
  Button DoneButton;  // "Done"
};

// The shutdown warning window.
struct PowerOffWarningForm : Form {
  PowerOffWarningForm();
  std::string caption = N_("Warning");
  Label CountdownText;
  Label ElapsedSeconds;       // elapsed seconds
  Label Reason;               // why: the option that asks for the power-off
  Button DoNotTurnOffButton;  // "Do Not Turn Off"
};

// The "Analyzing Video Files" window.
struct AnalyzingForm : Form {
  AnalyzingForm();
  std::string caption = N_("Analyzing Video Files");
  Label Heading;            // "Analyzing File.......Please Wait."
  Label FileBeingAnalysed;  // name of the file being analysed
  Label Count;              // how far the adding is: "9 of 30"
  Button CancelButton;      // "Cancel"
};

// The About box.
struct AboutForm : Form {
  AboutForm();
  std::string caption = N_("About");
  Label ProductLabel;
  Label VersionLabel;
  Label WebsiteLink;
  Label SupportLink;
  Label Footer;
  Button OkButton;  // "OK"
};

}  // namespace vidloom
