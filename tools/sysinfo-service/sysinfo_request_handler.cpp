#include "sysinfo_request_handler.h"

#include "base/text.h"
#include "sysenv/sysinfo_errors.h"

namespace hotfix {
namespace {

SysInfoMessage ExceptionAnswer(const SysInfoMessage* request, const std::exception& error) {
  SysInfoMessage answer;
  answer.type = SysInfoMessageType::kException;
  if (request != nullptr) {
    answer.client_id = request->client_id;
    answer.library = request->library;
    answer.interface_name = request->interface_name;
    answer.operation = request->operation;
  }
  answer.exception_class = ExceptionClassName(error);
  answer.exception_message = error.what();
  return answer;
}

std::string DescribeCall(const SysInfoMessage& request) {
  std::string text = request.interface_name + "." + request.operation + "(";
  for (size_t i = 0; i < request.parameters.size(); ++i) {
    if (i > 0) text += ", ";
    text += request.parameters[i].name + "=" + DescribeSysInfoValue(request.parameters[i].value);
  }
  return text + ")";
}

std::string DescribeOutcome(const SysInfoMessage& answer) {
  if (answer.type == SysInfoMessageType::kException) {
    return "excepción " + answer.exception_class + ": " + answer.exception_message;
  }
  return "respuesta";
}

}  // namespace

SysInfoRequestHandler::SysInfoRequestHandler(Svr_SysInfo& sys_info, Svc_SysAdmin& sys_admin,
                                             std::string_view key_text)
    : sys_info_(sys_info), sys_admin_(sys_admin), cipher_(key_text) {}

SysInfoMessage SysInfoRequestHandler::Invoke(const SysInfoMessage& request) {
  try {
    if (request.type != SysInfoMessageType::kRequest) {
      throw ESysInfoMessageError("El mensaje recibido no es una consulta.");
    }
    if (SameText(request.library, kLibSysInfoName)) {
      if (SameText(request.interface_name, kSvrSysInfoName)) return InvokeSvr_SysInfo(sys_info_, request);
      if (SameText(request.interface_name, kSvcSysAdminName)) return InvokeSvc_SysAdmin(sys_admin_, request);
    }
    throw ESysInfoUnknownOperation("La operación \"" + request.library + "." + request.interface_name +
                                   "." + request.operation + "\" no existe en este servicio.");
  } catch (const std::exception& error) {
    return ExceptionAnswer(&request, error);
  }
}

SysInfoHandledRequest SysInfoRequestHandler::Handle(std::string_view frame) {
  SysInfoHandledRequest handled;
  SysInfoMessage answer;
  try {
    const SysInfoMessage request = DecodeSysInfoMessage(cipher_.Open(frame));
    answer = Invoke(request);
    handled.log_line = DescribeCall(request) + " -> " + DescribeOutcome(answer);
  } catch (const std::exception& error) {
    answer = ExceptionAnswer(nullptr, error);
    handled.log_line = "mensaje rechazado -> " + DescribeOutcome(answer);
  }
  try {
    handled.answer_frame = cipher_.Seal(EncodeSysInfoMessage(answer));
  } catch (const std::exception& error) {
    // An answer that does not fit one frame (or a name too long to encode)
    // still gets an answer the client can read.
    SysInfoMessage failure = ExceptionAnswer(nullptr, error);
    failure.client_id = answer.client_id;
    handled.answer_frame = cipher_.Seal(EncodeSysInfoMessage(failure));
    handled.log_line += " -> " + DescribeOutcome(failure);
  }
  constexpr size_t kMaxLogLine = 400;
  if (handled.log_line.size() > kMaxLogLine) {
    handled.log_line.resize(kMaxLogLine);
    handled.log_line += "...";
  }
  return handled;
}

}  // namespace hotfix
