#pragma once

#include <string>
#include <string_view>

#include "sysenv/ports/system_info.h"
#include "sysenv/sysinfo_channel.h"
#include "sysenv/sysinfo_message.h"

namespace hotfix {

// How long one question may take (docs/sysinfo-protocol.md, section 7).
struct SysInfoTimeouts {
  int connect_ms = 5000;   // until the connection is established
  int answer_ms = 30000;   // from then until the whole answer has arrived
};

// The client's TCP channel to the SysInfo service: one connection per
// dispatched message, DES channel encryption with one key both ways.
class SysInfoTcpChannel {
 public:
  SysInfoTcpChannel(Endpoint endpoint, std::string_view key_text, SysInfoTimeouts timeouts = {});

  const Endpoint& endpoint() const { return endpoint_; }

  // Connects, sends the request, reads the answer and closes. Answers the
  // response that belongs to the request; an exception answer raises
  // ESysInfoServerError with the service's message. Transport failures raise
  // ESysInfoConnectionError or ESysInfoTimeout, a bad answer
  // ESysInfoChannelError or ESysInfoMessageError.
  SysInfoMessage Dispatch(const SysInfoMessage& request);

 private:
  // One connection: sends a whole frame and answers the whole answer frame,
  // its header already checked against the framing rules.
  std::string Exchange(const std::string& request_frame);

  std::string EndpointText() const;

  Endpoint endpoint_;
  SysInfoChannelCipher cipher_;
  SysInfoTimeouts timeouts_;
};

}  // namespace hotfix
