// The main window over the model's MainForm, in common controls at the designed positions: the
// five picture buttons, the file list, the format and option lists, the output folder, the
// three setting groups with the volume slider, the progress bar with the small Stop button, the
// status bar, the menus and the list's context menu. Every control follows its model control and
// forwards the user's actions to it; no handler logic lives here.
//
//   MainWindowView view(form);
//   view.close_query = [&] { return logic.TryClose(); };
//   view.on_close = [] { PostQuitMessage(0); };
//   ShowWindow(view.hwnd(), SW_SHOWNORMAL);
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "model/forms.h"
#include "win32/form_window.h"

struct ITaskbarList3;

namespace vidloom::win32 {

// The identifiers of the main window's controls and menu entries, in the order the window's
// layout (model/main_window_layout.h) lists them.
enum ControlId : int {
  kAddFileButton = 101,
  kStopConvertButton,
  kConvertNowButton,
  kRemoveButton,
  kClearAllButton,
  kFileList,
  kComboOutputFormat,
  kOutputFolderLabel,
  kOutputFolder,
  kButtonBrowseForFolder,
  kComboVideoCodec,
  kComboVideoSize,
  kComboVideoBitrate,
  kComboVideoFramerate,
  kComboAudioCodec,
  kComboAudioBitrate,
  kComboAudioChannel,
  kComboSamplingRate,
  kComboLetterBox,
  kComboAspectRatio,
  kVolumeSlider,
  kVolumePercent,
  kConversionProgress,
  kButtonStopSmall,
  kStatus,
  kStaticLabel,  // the fixed captions, which report nothing

  kMenuAddFiles = 201,
  kMenuAddFolder,
  kMenuConvert,
  kMenuOpenOutputFolder,
  kMenuExit,
  kMenuSetOptions,
  kMenuOpenHelp,
  kMenuVisitWebsite,
  kMenuAbout,
  kMenuCheckAll,
  kMenuUncheckAll,
  kMenuRemoveSelected,
  kMenuClearAll,
  kMenuCheckFailed,
  kMenuShowDetails,
  kMenuOpenRowFolder,
};

class MainWindowView : public FormWindow {
 public:
  explicit MainWindowView(MainForm& form);
  ~MainWindowView() override;

  HWND control(int id) const { return GetDlgItem(hwnd(), id); }
  HMENU popup() const { return popup_; }
  HACCEL accelerators() const { return accelerators_; }

  // The mouse rests on "Output Directory : " (before its tooltip shows).
  std::function<void()> on_output_folder_label_enter;
  // The Delete key on the file list.
  std::function<void()> on_delete_key;
  // Files and folders dropped on the window: `allowed` is asked first (unset: always); the
  // paths arrive after the drop has returned.
  std::function<bool()> drops_allowed;
  std::function<void(const std::vector<std::string>&)> on_drop;

 protected:
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam) override;
  void Relaid() override;

 private:
  void BuildMenus();
  void BuildControls();
  void BuildSettingGroups();
  void BuildStatusBar();
  void BindList();
  // The file list's columns at their designed widths, widened to their captions.
  void SizeColumns();
  // Moves the new window off the place where another Vidloom's main window is shown.
  void StepAsideFromOtherWindows();
  // The rows and the selection follow the model's ListView (syncing_rows_ is set meanwhile, so
  // that the list's own notifications of these changes do not go back to the model).
  void SyncRows(int change, int row);
  void InsertRow(int row);
  void ShowAllRows();
  void ShowSelection();
  void CopyRow(int row);
  void LayOutStatusBar();
  void CopyStatusBar();
  void ShowPopup(LPARAM where);
  void SetButtonPictures();
  void FollowTaskbar();

  MainForm& form_;
  HMENU popup_ = nullptr;
  HACCEL accelerators_ = nullptr;
  HWND list_ = nullptr;
  HWND status_ = nullptr;
  bool syncing_rows_ = false;
  std::vector<HIMAGELIST> pictures_;
  std::wstring status_texts_[5];
  UINT taskbar_created_ = 0;
  ITaskbarList3* taskbar_ = nullptr;
  int taskbar_percent_ = -1;
};

}  // namespace vidloom::win32
