#pragma once

#include <string>
#include <string_view>

#include "sysenv/Lib_SysInfo_Intf.h"
#include "sysenv/sysinfo_channel.h"

namespace hotfix {

// What the service does with one whole request frame: the answer frame to
// send and the line its log gets.
struct SysInfoHandledRequest {
  std::string answer_frame;
  std::string log_line;
};

// Opens a request frame, calls the operation it names and seals the answer.
// Every failure becomes an exception answer (docs/sysinfo-protocol.md,
// section 8); nothing raises out of Handle.
class SysInfoRequestHandler {
 public:
  SysInfoRequestHandler(Svr_SysInfo& sys_info, Svc_SysAdmin& sys_admin, std::string_view key_text);

  SysInfoHandledRequest Handle(std::string_view frame);

 private:
  SysInfoMessage Invoke(const SysInfoMessage& request);

  Svr_SysInfo& sys_info_;
  Svc_SysAdmin& sys_admin_;
  SysInfoChannelCipher cipher_;
};

}  // namespace hotfix
