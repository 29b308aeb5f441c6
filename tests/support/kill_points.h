// The moments the kill-and-restart tests end a window program at, while it adds three files and
// converts them: "adding" (the second row added), "converting" (the second row converting, past
// its first progress reading), "between-rows" (the first row done), "end-pause" (the last row
// ended and the bar still full), "closing-message" (the batch's message shown), "question" (the
// restore question open). Each is heard after the list's keeper, which subscribed when the window
// was made, so the list on disk is what the program had written at that moment.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "kept_list/list_database.h"
#include "model/forms.h"
#include "support/scripted_dialogs.h"

namespace vidloom::testing {

// A kill point and what the next start offers after it: the question's counts and the restored
// rows' Progress cells. "after-batch" is the moment after the batch's end, "question" follows a
// kill between the rows.
struct KillPoint {
  const char* name;
  std::size_t files, converted;
  std::vector<std::string> progress;
};
inline const std::vector<KillPoint>& KillPoints() {
  static const std::vector<KillPoint> points = {
      {"adding", 2, 0, {"", ""}},
      {"converting", 3, 1, {"Done", "Aborted", ""}},
      {"between-rows", 3, 1, {"Done", "", ""}},
      {"end-pause", 3, 3, {"Done", "Done", "Done"}},
      {"closing-message", 3, 3, {"Done", "Done", "Done"}},
      {"after-batch", 3, 3, {"Done", "Done", "Done"}},
      {"question", 3, 1, {"Done", "", ""}},
  };
  return points;
}

// The reason a restored row of `point` begins with: the end cut its conversion off, or came
// before its turn in the batch; none before the batch.
inline std::string ReasonAfter(const KillPoint& point, std::size_t row) {
  if (point.progress[row] == "Aborted") return kept_list::kEndedDuringConversion;
  if (point.progress[row].empty() && point.files == 3) return kept_list::kEndedBeforeItsTurn;
  return "";
}

// Calls `die` (which ends the program at once, as a kill does) when `form` reaches `point`.
inline void DieAt(const std::string& point, MainForm& form, ScriptedDialogs& dialogs,
                  std::function<void()> die) {
  // The end pause: whichever comes second of the last row's end and the full bar.
  const auto in_end_pause = [&form] {
    const ListView& rows = form.FileList;
    return form.ConversionProgress.position() == 100 && rows.count() == 3 &&
           IsFinal(rows.row(2).state);
  };
  const ListView& list = form.FileList;
  form.FileList.SubscribeRows([point, &list, die, in_end_pause](ListView::Change, int) {
    if (point == "adding" && list.count() == 2) die();
    if (point == "end-pause" && in_end_pause()) die();
    if (list.count() != 3) return;
    if (point == "converting" && list.row(1).state == RowState::kConverting &&
        list.row(1).percent.value_or(0) > 0) {
      die();
    }
    if (point == "between-rows" && list.row(0).state == RowState::kDone) die();
  });
  form.ConversionProgress.Subscribe([point, die, in_end_pause] {
    if (point == "end-pause" && in_end_pause()) die();
  });
  dialogs.on_box = [point, die](const ScriptedDialogs::Box& box) {
    if (point == "closing-message" && box.kind == "message") die();
  };
  if (point == "question") {
    dialogs.ExpectQuestion(true);
    dialogs.while_asking = std::move(die);
  }
}

}  // namespace vidloom::testing
