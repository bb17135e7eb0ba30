#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/guid.h"
#include "sysenv/sysinfo_message.h"

namespace hotfix {

class SysInfoTcpChannel;

// The SysInfo service library "Lib_SysInfo": its two interfaces, its types,
// the client proxies that send each operation and the invokers a service
// uses to answer them. Parameter names, order and wire types are those of
// docs/sysinfo-protocol.md, section 6.

inline constexpr char kLibSysInfoName[] = "Lib_SysInfo";
inline constexpr char kSvrSysInfoName[] = "Svr_SysInfo";
inline constexpr char kSvcSysAdminName[] = "Svc_SysAdmin";
inline constexpr char kSvrSysInfoGuid[] = "{200045DD-E7A2-4149-BD60-78C39AA5992B}";
inline constexpr char kSvcSysAdminGuid[] = "{75EE89AB-8585-4E2C-89D1-14D862E8BAA6}";

// Structure "Service": its fields in this order on the wire.
struct Service {
  std::string Name;
  bool Start = false;
  friend bool operator==(const Service&, const Service&) = default;
};
using ServiceList = std::vector<Service>;

inline constexpr char kServiceTypeName[] = "Service";

class Svr_SysInfo {
 public:
  virtual ~Svr_SysInfo() = default;
  virtual std::string GetServers(int32_t type_system) = 0;
  virtual std::string GetClients(int32_t type_system) = 0;
  virtual std::string GetServer(const std::string& hl_number, int32_t data_option) = 0;
  virtual std::string GetClient(const std::string& hl_number, const std::string& user_name,
                                int32_t data_option) = 0;
  virtual bool SetClient(const std::string& hl_number, const std::string& user_name,
                         const std::string& sys_info) = 0;
  virtual bool SetServer(const std::string& hl_number, const std::string& user_name,
                         const std::string& sys_info) = 0;
  virtual bool SetClientCurrentUser(const std::string& hl_number, const std::string& user_name,
                                    const std::string& sys_info) = 0;
  // Wide texts in and out.
  virtual std::string Execute(const std::string& process_logical_name,
                              const std::string& input_params, std::string& out_put_params) = 0;
  virtual std::string GetPlatformServer() = 0;
  virtual bool SetPlatformServer(const std::string& sys_info) = 0;
  virtual std::string GetPlatformClient() = 0;
  virtual bool SetPlatformClient(const std::string& sys_info) = 0;
};

class Svc_SysAdmin {
 public:
  virtual ~Svc_SysAdmin() = default;
  virtual bool GetServices(ServiceList& service_list) = 0;
  virtual void InterruptServices() = 0;
  virtual void ReleaseServices() = 0;
  virtual bool ServicesInterrupted() = 0;
};

// The client's message object: the client identifier its requests carry,
// new for every object.
class SysInfoClientMessage {
 public:
  SysInfoClientMessage() : client_id_(NewGuid()) {}
  const GuidBytes& client_id() const { return client_id_; }
  SysInfoMessage NewRequest(const char* interface_name, const char* operation) const;

 private:
  GuidBytes client_id_;
};

// Client proxies: each operation is one request dispatched over the channel;
// failures raise the channel's errors.
class TSvr_SysInfo_Proxy : public Svr_SysInfo {
 public:
  TSvr_SysInfo_Proxy(const SysInfoClientMessage& message, SysInfoTcpChannel& channel)
      : message_(message), channel_(channel) {}

  std::string GetServers(int32_t type_system) override;
  std::string GetClients(int32_t type_system) override;
  std::string GetServer(const std::string& hl_number, int32_t data_option) override;
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
  std::string GetPlatformServer() override;
  bool SetPlatformServer(const std::string& sys_info) override;
  std::string GetPlatformClient() override;
  bool SetPlatformClient(const std::string& sys_info) override;

 private:
  const SysInfoClientMessage& message_;
  SysInfoTcpChannel& channel_;
};

class TSvc_SysAdmin_Proxy : public Svc_SysAdmin {
 public:
  TSvc_SysAdmin_Proxy(const SysInfoClientMessage& message, SysInfoTcpChannel& channel)
      : message_(message), channel_(channel) {}

  bool GetServices(ServiceList& service_list) override;
  void InterruptServices() override;
  void ReleaseServices() override;
  bool ServicesInterrupted() override;

 private:
  const SysInfoClientMessage& message_;
  SysInfoTcpChannel& channel_;
};

// The client factories; the message and the channel must outlive the proxy.
struct CoSvr_SysInfo {
  static std::unique_ptr<Svr_SysInfo> Create(const SysInfoClientMessage& message,
                                             SysInfoTcpChannel& channel);
};
struct CoSvc_SysAdmin {
  static std::unique_ptr<Svc_SysAdmin> Create(const SysInfoClientMessage& message,
                                              SysInfoTcpChannel& channel);
};

// Service side: reads the request's parameters, calls the implementation and
// answers the response (same client identifier and names). Raises
// ESysInfoUnknownOperation for an operation the interface does not have,
// ESysInfoMessageError for a missing or mistyped parameter, and lets the
// implementation's errors through.
SysInfoMessage InvokeSvr_SysInfo(Svr_SysInfo& implementation, const SysInfoMessage& request);
SysInfoMessage InvokeSvc_SysAdmin(Svc_SysAdmin& implementation, const SysInfoMessage& request);

}  // namespace hotfix
