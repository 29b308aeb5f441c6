#include "shell/main_window.h"

#include "platform/encoder_files.h"
#include "platform/filesystem.h"
#include "platform/process.h"
#include "shell/main_window_setup.h"

namespace vidloom {

MainWindow::MainWindow(UiThread& ui, Dialogs& dialogs, MainWindowOptions options)
    : ui_(ui),
      dialogs_(dialogs),
      options_(std::move(options)),
      runner_{
          conversion,           ui_, Form1, options_.program_directory, platform::kEncoderFileName,
          options_.end_pause_ms},
      commands_{Form1, Form4, window, conversion, slots, options_.program_directory},
      batch_{runner_, commands_, Form4, dialogs_, {}},
      worker_(batch_) {
  batch_.hooks.CheckRequiredFiles = [this] {
    return CheckRequiredFiles(Form1, Form4, dialogs_, options_.program_directory,
                              options_.required_files);
  };
  batch_.hooks.DisableWorkControls = [this] { DisableWorkControls(Form1, Form4); };
  batch_.hooks.EnableWorkControls = [this] { EnableWorkControls(Form1, Form4); };
  batch_.hooks.ArmShutdownCountdown = [this] { ArmShutdownCountdown(Form1, Form3, shutdown); };
}

MainWindow::~MainWindow() {
  if (worker_.Running()) {
    conversion.AbortRun = true;
    conversion.StopRequested = true;
    platform::KillProcessesByName(platform::kEncoderFileName);
    ui_.clock().WakeAll();
    WaitForBatch();
  }
  worker_.Join();
  ui_.DetachTimer(Form1.ConversionCountTimer);
}

void MainWindow::FormCreate() {
  Form1.Edit1.SetText(DefaultOutputDirectory());
  SetUpSelectors(Form1, window);
  ConnectSelectorHandlers(Form1, window);
  AttachWatchdog(ui_, Form1, conversion);
  Form1.ConvertNowButton.on_click = [this] { ConvertNowButtonClick(); };
  Form1.Convert1.on_click = [this] { Form1.ConvertNowButton.Click(); };
  Form1.StopConvertButton.on_click = [this] { StopConvertButtonClick(); };
  Form1.ButtonStopSmall.on_click = [this] { Form1.StopConvertButton.Click(); };
  Form1.CheckAllItems1.on_click = [this] {
    for (int i = 0; i < Form1.ListView1.count(); ++i) Form1.ListView1.SetChecked(i, true);
  };
  Form1.UncheckAllItems1.on_click = [this] {
    for (int i = 0; i < Form1.ListView1.count(); ++i) Form1.ListView1.SetChecked(i, false);
  };
  Form1.DeleteSelectedItem1.on_click = [this] {
    if (Form1.ListView1.selected() >= 0) Form1.ListView1.RemoveRow(Form1.ListView1.selected());
  };
  Form1.ClearAllItems1.on_click = [this] { Form1.ListView1.Clear(); };
  Form1.RemoveButton.on_click = [this] { Form1.DeleteSelectedItem1.Click(); };
  Form1.ClearAllButton.on_click = [this] { Form1.ClearAllItems1.Click(); };
}

std::string DefaultOutputDirectory() {
  return platform::HomeDirectory() + platform::kPathSeparator + "Converted Video";
}

void MainWindow::FormShow() {
  RefreshSelectorsOnShow(Form1, window);
}

void MainWindow::ConvertNowButtonClick() {
  worker_.Start();
}

void MainWindow::StopConvertButtonClick() {
  vidloom::StopConvertButtonClick(batch_);
}

bool MainWindow::FormCloseQuery() const {
  return !conversion.Converting && !shutdown.ShutdownArmed;
}

void MainWindow::WaitForBatch() {
  while (worker_.Running()) PumpWait(ui_, 20);
}

}  // namespace vidloom
