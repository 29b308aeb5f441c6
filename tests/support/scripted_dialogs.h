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

 private:
  bool Answer(const Form& asker, const char* kind, const std::string& text) {
    boxes.push_back({kind, "", text, &asker});
    if (answers_.empty()) {
      ADD_FAILURE() << "unexpected question: " << text;
      return false;
    }
    const bool answer = answers_.front();
    answers_.pop_front();
    return answer;
  }
  std::deque<bool> answers_;
};

}  // namespace vidloom::testing
