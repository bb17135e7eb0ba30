#include "sysenv/sysinfo_tcp_channel.h"

#include "base/text.h"
#include "sysenv/sysinfo_errors.h"

namespace hotfix {

SysInfoTcpChannel::SysInfoTcpChannel(Endpoint endpoint, std::string_view key_text,
                                     SysInfoTimeouts timeouts)
    : endpoint_(std::move(endpoint)), cipher_(key_text), timeouts_(timeouts) {}

std::string SysInfoTcpChannel::EndpointText() const {
  return endpoint_.host + ":" + std::to_string(endpoint_.port);
}

SysInfoMessage SysInfoTcpChannel::Dispatch(const SysInfoMessage& request) {
  const std::string answer_frame = Exchange(cipher_.Seal(EncodeSysInfoMessage(request)));
  SysInfoMessage answer = DecodeSysInfoMessage(cipher_.Open(answer_frame));

  const GuidBytes nobody{};
  const bool own_id = answer.client_id == request.client_id;
  if (answer.type == SysInfoMessageType::kException && (own_id || answer.client_id == nobody)) {
    throw ESysInfoServerError(answer.exception_message);
  }
  if (answer.type != SysInfoMessageType::kResponse || !own_id ||
      !SameText(answer.interface_name, request.interface_name) ||
      !SameText(answer.operation, request.operation)) {
    throw ESysInfoMessageError("La respuesta recibida de " + EndpointText() +
                               " no corresponde a la consulta " + request.interface_name + "." +
                               request.operation + ".");
  }
  return answer;
}

}  // namespace hotfix
