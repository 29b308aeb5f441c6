// The program's windows as models of named controls. Each is created once and lives until the
// program ends; views draw them, the logic reads and writes them on the UI thread.
#pragma once

#include <string>

#include "model/controls.h"
#include "model/list_view.h"

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
struct TForm1 : Form {
  TForm1();

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

  ListView ListView1;

  Label Label1;   // "Output Directory : " (hint: the output directory)
  Label Label14;  // volume percentage under the slider
  Edit Edit1;     // output directory

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

  TrackBar TrackBar1;
  ProgressBar ProgressBar1;
  StatusBar StatusBar1;
  Memo Memo1;

  // Main menu entries.
  MenuEntry AddFiles1;           // File > "Add Files"
  MenuEntry AddFolder1;          // File > "Add Folder...": a folder's media files, recursively
  MenuEntry Convert1;            // File > "Convert"
  MenuEntry OpenOutputFolder1;   // File > "Open Output Folder"
  MenuEntry Exit1;               // File > "Exit"
  MenuEntry SetGeneralOptions1;  // Options > "Set Additional Options"
  MenuEntry OpenHelpFile1;       // Help > "Open Help File"
  MenuEntry VisitOurWebsite1;    // Help > "Visit Korvane Website"
  MenuEntry About1;              // Help > "About"

  // Context menu of ListView1.
  MenuEntry CheckAllItems1;
  MenuEntry UncheckAllItems1;
  MenuEntry DeleteSelectedItem1;
  MenuEntry ClearAllItems1;
  MenuEntry CheckFailedItems1;  // ticks the rows that did not end Done, unticks the others
  MenuEntry ShowDetails1;       // the selected row's reason and the encoder's output of its runs
  MenuEntry OpenOutputFolder2;  // the output directory in the file manager

  Timer ConversionCountTimer;  // stall watchdog, 2000 ms
  Timer TimerShutdown2;        // shutdown countdown, 1000 ms
  Timer BatchClockTimer;       // refreshes the batch's times while it converts, 1000 ms
};

// The "Additional Options" dialog.
struct TForm4 : Form {
  TForm4();
  std::string caption = "Additional Options";
  CheckBox CheckBoxOverWrite;
  CheckBox CheckBoxShutDown;
  // Each output below the output directory at the place its input had below the folder it
  // was added with.
  CheckBox CheckBoxKeepFolders;
  Label Label1;
  SpinEdit SpinEdit1;
  // How many files a batch converts side by side: 1 up to the number of processors.
  Label LabelFilesAtOnce;
  SpinEdit SpinEditFilesAtOnce;
  Button Button1;  // "Done"
};

// The shutdown warning window.
struct TForm3 : Form {
  TForm3();
  std::string caption = "Warning";
  Label Label1;
  Label Label2;         // elapsed seconds
  Label Label3;         // why: the option that asks for the power-off
  Button SpeedButton1;  // "Do Not Turn Off"
};

// The "Analyzing Video Files" window.
struct TFormAnalyzingSplash : Form {
  TFormAnalyzingSplash();
  std::string caption = "Analyzing Video Files";
  Label Label1;    // "Analyzing File.......Please Wait."
  Label Panel1;    // name of the file being analysed
  Label Label2;    // how far the adding is: "9 of 30"
  Button Button2;  // "Cancel"
};

// The About box.
struct TFormAbout : Form {
  TFormAbout();
  std::string caption = "About";
  Label Label1;
  Label Label5;
  Label Label2;
  Label Label3;
  Label Label4;
  Button SpeedButton1;  // "OK"
};

}  // namespace vidloom
