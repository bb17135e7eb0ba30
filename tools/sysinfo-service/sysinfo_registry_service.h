#pragma once

#include <string>

#include "base/exception.h"
#include "sysenv/Lib_SysInfo_Intf.h"
#include "sysenv/ports/registry.h"

namespace hotfix {

// Where the service reads what it answers.
inline constexpr char kSysInfoKeysBranch[] = "\\Software\\Velmar\\Quiltor2000\\Llaves\\";
inline constexpr char kSysInfoPlatformKey[] = "\\Software\\Velmar\\Quiltor2000\\";
inline constexpr char kSysInfoPlatformValue[] = "CommonFilesVelmarServer";

// A key number the service does not know.
HOTFIX_DECLARE_EXCEPTION(ESysInfoKeyNotFound, Exception);

// The SysInfo service of one machine, answered from its registry: the key
// list, a key's data and the platform's folder. Every other operation of both
// interfaces raises ESysInfoNotSupported naming it.
class SysInfoRegistryService : public Svr_SysInfo, public Svc_SysAdmin {
 public:
  explicit SysInfoRegistryService(Registry& registry) : registry_(registry) {}

  // Key numbers in the registry's order, one per line.
  std::string GetServers(int32_t type_system) override;
  // Options 0 and 1: the key's ordinary data; 2: its dictionary connection text only.
  std::string GetServer(const std::string& hl_number, int32_t data_option) override;
  std::string GetPlatformServer() override;

  std::string GetClients(int32_t type_system) override;
  std::string GetClient(const std::string& hl_number, const std::string& user_name,
                        int32_t data_option) override;
  bool SetClient(const std::string& hl_number, const std::string& user_name,
                 const std::string& sys_info) override;
  bool SetServer(const std::string& hl_number, const std::string& user_name,
                 const std::string& sys_info) override;
  bool SetClientCurrentUser(const std::string& hl_number, const std::string& user_name,
                            const std::string& sys_info) override;
  std::string Execute(const std::string& process_logical_name, const std::string& input_params,
                      std::string& out_put_params) override;
  bool SetPlatformServer(const std::string& sys_info) override;
  std::string GetPlatformClient() override;
  bool SetPlatformClient(const std::string& sys_info) override;

  bool GetServices(ServiceList& service_list) override;
  void InterruptServices() override;
  void ReleaseServices() override;
  bool ServicesInterrupted() override;

 private:
  std::string ReadText(const std::string& path, const char* name);

  Registry& registry_;
};

}  // namespace hotfix
