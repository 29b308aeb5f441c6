// A Dialogs port for tests: records every box and answers questions from a script. A question
// that the test did not expect fails the test.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "model/dialogs.h"

namespace vidloom::testing {

class ScriptedDialogs : public Dialogs {
 public:
  struct Box {
    std::string kind;  // "message", "okcancel", "yesno"
    std::string caption;
    std::string text;
    const Form* asker = nullptr;  // the window that asked
    bool withdrawn = false;       // a question closed by the program while open
  };

  void ShowMessage(const Form& asker, const std::string& caption,
                   const std::string& text) override {
    boxes.push_back({"message", caption, text, &asker});
    if (on_box) on_box(boxes.back());
  }
  bool ConfirmOkCancel(const Form& asker, const std::string& text) override {
    return Answer(asker, "okcancel", text);
  }
  bool ConfirmYesNo(const Form& asker, const std::string& text) override {
    return Answer(asker, "yesno", text);
  }

  // Queues the answer to the next question.
  void ExpectQuestion(bool answer) { answers_.push_back(answer); }

  std::vector<std::string> Messages() const {
    std::vector<std::string> texts;
    for (const auto& b : boxes) {
      if (b.kind == "message") texts.push_back(b.text);
    }
    return texts;
  }

  std::vector<Box> boxes;
  // Called while a message shows, to look at the window behind it.
  std::function<void(const Box&)> on_box;
  // Called once, while the next question is open, before it is answered: the program goes on
  // meanwhile, as behind a real modal box, and may withdraw it.
  std::function<void()> while_asking;

  void WithdrawQuestions(const Form& asker) override {
    for (std::size_t at : open_) {
      if (boxes[at].asker == &asker) boxes[at].withdrawn = true;
    }
  }

 private:
  bool Answer(const Form& asker, const char* kind, const std::string& text) {
    boxes.push_back({kind, "", text, &asker});
    const std::size_t at = boxes.size() - 1;
    if (answers_.empty()) {
      ADD_FAILURE() << "unexpected question: " << text;
      return false;
    }
    const bool answer = answers_.front();
    answers_.pop_front();
    if (while_asking) {
      const auto during = std::move(while_asking);
      while_asking = nullptr;
      open_.push_back(at);
      during();
      open_.pop_back();
    }
    // A withdrawn question answers No, whatever the user would have said.
    return answer && !boxes[at].withdrawn;
  }
  std::deque<bool> answers_;
  std::vector<std::size_t> open_;  // the questions being asked, innermost last
};

}  // namespace vidloom::testing
