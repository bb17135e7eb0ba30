#pragma once

#include "base/exception.h"

namespace hotfix {

// Failures of a conversation with the SysInfo service. The message is the
// one the stub turns into an error answer.
HOTFIX_DECLARE_EXCEPTION(ESysInfoError, Exception);
// Connection refused, failed or dropped before the answer was complete.
HOTFIX_DECLARE_EXCEPTION(ESysInfoConnectionError, ESysInfoError);
// A connection or answer deadline passed.
HOTFIX_DECLARE_EXCEPTION(ESysInfoTimeout, ESysInfoError);
// The key text is unusable, or a message's tag or padding does not check
// (another key on the other side, or a damaged message).
HOTFIX_DECLARE_EXCEPTION(ESysInfoChannelError, ESysInfoError);
// A frame or message that breaks the wire format, or an answer that does not
// belong to the question or lacks what the operation returns.
HOTFIX_DECLARE_EXCEPTION(ESysInfoMessageError, ESysInfoError);
// The service answered with an exception; the message is the service's.
HOTFIX_DECLARE_EXCEPTION(ESysInfoServerError, ESysInfoError);

// Raised by a service for an operation it does not carry out, and for one
// that its interfaces do not have.
HOTFIX_DECLARE_EXCEPTION(ESysInfoNotSupported, ESysInfoError);
HOTFIX_DECLARE_EXCEPTION(ESysInfoUnknownOperation, ESysInfoError);

}  // namespace hotfix
