#include "sysenv/ports/scripted_dialogs.h"

namespace hotfix {

DialogResult ScriptedDialogs::DefaultAnswer(DialogButtons buttons) {
  switch (buttons) {
    case DialogButtons::kOk: return DialogResult::kOk;
    case DialogButtons::kYesNo: return DialogResult::kNo;
    case DialogButtons::kYesNoYesToAllCancel: return DialogResult::kCancel;
    case DialogButtons::kRetryCancel: return DialogResult::kCancel;
  }
  return DialogResult::kCancel;
}

DialogResult ScriptedDialogs::Show(const DialogRequest& request) {
  shown_.push_back(request);
  if (answers_.empty()) return DefaultAnswer(request.buttons);
  const DialogResult answer = answers_.front();
  answers_.pop_front();
  return answer;
}

}  // namespace hotfix
