#include "sysenv/ports/dialogs.h"

namespace hotfix {

const char* DialogKindName(DialogKind kind) {
  switch (kind) {
    case DialogKind::kError: return "error";
    case DialogKind::kWarning: return "warning";
    case DialogKind::kInformation: return "information";
    case DialogKind::kConfirmation: return "confirmation";
  }
  return "?";
}

const char* DialogButtonsName(DialogButtons buttons) {
  switch (buttons) {
    case DialogButtons::kOk: return "OK";
    case DialogButtons::kYesNo: return "Yes/No";
    case DialogButtons::kYesNoYesToAllCancel: return "Yes/No/YesToAll/Cancel";
    case DialogButtons::kRetryCancel: return "Retry/Cancel";
  }
  return "?";
}

const char* DialogResultName(DialogResult result) {
  switch (result) {
    case DialogResult::kOk: return "OK";
    case DialogResult::kYes: return "Yes";
    case DialogResult::kNo: return "No";
    case DialogResult::kYesToAll: return "YesToAll";
    case DialogResult::kCancel: return "Cancel";
    case DialogResult::kRetry: return "Retry";
  }
  return "?";
}

}  // namespace hotfix
