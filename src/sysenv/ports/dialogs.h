#pragma once

#include <string>

namespace hotfix {

enum class DialogKind { kError, kWarning, kInformation, kConfirmation };
enum class DialogButtons { kOk, kYesNo, kYesNoYesToAllCancel, kRetryCancel };
enum class DialogResult { kOk, kYes, kNo, kYesToAll, kCancel, kRetry };

struct DialogRequest {
  DialogKind kind = DialogKind::kInformation;
  std::string caption;  // empty: the program's title
  std::string text;
  DialogButtons buttons = DialogButtons::kOk;
};

// Modal message boxes.
class Dialogs {
 public:
  virtual ~Dialogs() = default;
  virtual DialogResult Show(const DialogRequest& request) = 0;
};

const char* DialogKindName(DialogKind kind);
const char* DialogButtonsName(DialogButtons buttons);
const char* DialogResultName(DialogResult result);

}  // namespace hotfix
