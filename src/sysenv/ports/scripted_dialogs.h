#pragma once

#include <deque>
#include <vector>

#include "sysenv/ports/dialogs.h"

namespace hotfix {

// Dialogs answered from a queue, recording every box shown. Without a queued
// answer a box gets the safe default of its buttons: OK, No, Cancel, Cancel.
class ScriptedDialogs : public Dialogs {
 public:
  DialogResult Show(const DialogRequest& request) override;

  void QueueAnswer(DialogResult answer) { answers_.push_back(answer); }
  const std::vector<DialogRequest>& shown() const { return shown_; }
  size_t pending_answers() const { return answers_.size(); }

  static DialogResult DefaultAnswer(DialogButtons buttons);

 private:
  std::deque<DialogResult> answers_;
  std::vector<DialogRequest> shown_;
};

}  // namespace hotfix
