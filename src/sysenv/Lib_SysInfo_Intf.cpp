#include "sysenv/Lib_SysInfo_Intf.h"

#include "base/text.h"
#include "sysenv/sysinfo_errors.h"
#include "sysenv/sysinfo_tcp_channel.h"

namespace hotfix {
namespace {

// Parameter names on the wire.
constexpr char kResult[] = "Result";
constexpr char kTypeSystem[] = "TypeSystem";
constexpr char kHLNumber[] = "HLNumber";
constexpr char kDataOption[] = "DataOption";
constexpr char kUserName[] = "UserName";
constexpr char kSysInfo[] = "SysInfo";
constexpr char kProcessLogicalName[] = "ProcessLogicalName";
constexpr char kInputParams[] = "InputParams";
constexpr char kOutPutParams[] = "OutPutParams";
constexpr char kServiceList[] = "aServiceList";
constexpr char kServiceName[] = "Name";
constexpr char kServiceStart[] = "Start";

void AddAnsi(std::vector<SysInfoField>& fields, const char* name, const std::string& value) {
  fields.push_back(SysInfoField{name, SysInfoAnsiText{value}});
}
void AddWide(std::vector<SysInfoField>& fields, const char* name, const std::string& value) {
  fields.push_back(SysInfoField{name, SysInfoWideText{value}});
}
void AddInteger(std::vector<SysInfoField>& fields, const char* name, int32_t value) {
  fields.push_back(SysInfoField{name, value});
}
void AddBoolean(std::vector<SysInfoField>& fields, const char* name, bool value) {
  fields.push_back(SysInfoField{name, value});
}

SysInfoStructArray ServiceListToWire(const ServiceList& services) {
  SysInfoStructArray array;
  array.element_type = kServiceTypeName;
  for (const Service& service : services) {
    SysInfoStruct element;
    AddAnsi(element.fields, kServiceName, service.Name);
    AddBoolean(element.fields, kServiceStart, service.Start);
    array.elements.push_back(std::move(element));
  }
  return array;
}

ServiceList ServiceListFromWire(const SysInfoStructArray& array) {
  if (!SameText(array.element_type, kServiceTypeName)) {
    throw ESysInfoMessageError("Se esperaba un arreglo de \"Service\" y llegó uno de \"" +
                               array.element_type + "\".");
  }
  ServiceList services;
  for (const SysInfoStruct& element : array.elements) {
    services.push_back(Service{ReadAnsiField(element.fields, kServiceName),
                               ReadBooleanField(element.fields, kServiceStart)});
  }
  return services;
}

// One operation sent by a proxy.
class ProxyCall {
 public:
  ProxyCall(const SysInfoClientMessage& message, SysInfoTcpChannel& channel,
            const char* interface_name, const char* operation)
      : channel_(channel), request_(message.NewRequest(interface_name, operation)) {}

  std::vector<SysInfoField>& in() { return request_.parameters; }
  // Dispatches the request; the answer's parameters stay readable in out().
  void Send() { response_ = channel_.Dispatch(request_); }
  const std::vector<SysInfoField>& out() const { return response_.parameters; }

 private:
  SysInfoTcpChannel& channel_;
  SysInfoMessage request_;
  SysInfoMessage response_;
};

SysInfoMessage NewResponse(const SysInfoMessage& request) {
  SysInfoMessage response;
  response.type = SysInfoMessageType::kResponse;
  response.client_id = request.client_id;
  response.library = request.library;
  response.interface_name = request.interface_name;
  response.operation = request.operation;
  return response;
}

[[noreturn]] void UnknownOperation(const SysInfoMessage& request) {
  throw ESysInfoUnknownOperation("La operación \"" + request.interface_name + "." +
                                 request.operation + "\" no existe en " + kLibSysInfoName + ".");
}

}  // namespace

SysInfoMessage SysInfoClientMessage::NewRequest(const char* interface_name,
                                                const char* operation) const {
  SysInfoMessage request;
  request.type = SysInfoMessageType::kRequest;
  request.client_id = client_id_;
  request.library = kLibSysInfoName;
  request.interface_name = interface_name;
  request.operation = operation;
  return request;
}

// --- Svr_SysInfo proxy ---

std::string TSvr_SysInfo_Proxy::GetServers(int32_t type_system) {
  ProxyCall call(message_, channel_, kSvrSysInfoName, "GetServers");
  AddInteger(call.in(), kTypeSystem, type_system);
  call.Send();
  return ReadAnsiField(call.out(), kResult);
}

std::string TSvr_SysInfo_Proxy::GetClients(int32_t type_system) {
  ProxyCall call(message_, channel_, kSvrSysInfoName, "GetClients");
  AddInteger(call.in(), kTypeSystem, type_system);
  call.Send();
  return ReadAnsiField(call.out(), kResult);
}

std::string TSvr_SysInfo_Proxy::GetServer(const std::string& hl_number, int32_t data_option) {
  ProxyCall call(message_, channel_, kSvrSysInfoName, "GetServer");
  AddAnsi(call.in(), kHLNumber, hl_number);
  AddInteger(call.in(), kDataOption, data_option);
  call.Send();
  return ReadAnsiField(call.out(), kResult);
}

std::string TSvr_SysInfo_Proxy::GetClient(const std::string& hl_number,
                                          const std::string& user_name, int32_t data_option) {
  ProxyCall call(message_, channel_, kSvrSysInfoName, "GetClient");
  AddAnsi(call.in(), kHLNumber, hl_number);
  AddAnsi(call.in(), kUserName, user_name);
  AddInteger(call.in(), kDataOption, data_option);
  call.Send();
  return ReadAnsiField(call.out(), kResult);
}

namespace {
bool SendSetter(const SysInfoClientMessage& message, SysInfoTcpChannel& channel,
                const char* operation, const std::string& hl_number, const std::string& user_name,
                const std::string& sys_info) {
  ProxyCall call(message, channel, kSvrSysInfoName, operation);
  AddAnsi(call.in(), kHLNumber, hl_number);
  AddAnsi(call.in(), kUserName, user_name);
  AddAnsi(call.in(), kSysInfo, sys_info);
  call.Send();
  return ReadBooleanField(call.out(), kResult);
}
}  // namespace

bool TSvr_SysInfo_Proxy::SetClient(const std::string& hl_number, const std::string& user_name,
                                   const std::string& sys_info) {
  return SendSetter(message_, channel_, "SetClient", hl_number, user_name, sys_info);
}

bool TSvr_SysInfo_Proxy::SetServer(const std::string& hl_number, const std::string& user_name,
                                   const std::string& sys_info) {
  return SendSetter(message_, channel_, "SetServer", hl_number, user_name, sys_info);
}

bool TSvr_SysInfo_Proxy::SetClientCurrentUser(const std::string& hl_number,
                                              const std::string& user_name,
                                              const std::string& sys_info) {
  return SendSetter(message_, channel_, "SetClientCurrentUser", hl_number, user_name, sys_info);
}

std::string TSvr_SysInfo_Proxy::Execute(const std::string& process_logical_name,
                                        const std::string& input_params,
                                        std::string& out_put_params) {
  ProxyCall call(message_, channel_, kSvrSysInfoName, "Execute");
  AddWide(call.in(), kProcessLogicalName, process_logical_name);
  AddWide(call.in(), kInputParams, input_params);
  call.Send();
  std::string result = ReadWideField(call.out(), kResult);
  out_put_params = ReadWideField(call.out(), kOutPutParams);
  return result;
}

std::string TSvr_SysInfo_Proxy::GetPlatformServer() {
  ProxyCall call(message_, channel_, kSvrSysInfoName, "GetPlatformServer");
  call.Send();
  return ReadAnsiField(call.out(), kResult);
}

bool TSvr_SysInfo_Proxy::SetPlatformServer(const std::string& sys_info) {
  ProxyCall call(message_, channel_, kSvrSysInfoName, "SetPlatformServer");
  AddAnsi(call.in(), kSysInfo, sys_info);
  call.Send();
  return ReadBooleanField(call.out(), kResult);
}

std::string TSvr_SysInfo_Proxy::GetPlatformClient() {
  ProxyCall call(message_, channel_, kSvrSysInfoName, "GetPlatformClient");
  call.Send();
  return ReadAnsiField(call.out(), kResult);
}

bool TSvr_SysInfo_Proxy::SetPlatformClient(const std::string& sys_info) {
  ProxyCall call(message_, channel_, kSvrSysInfoName, "SetPlatformClient");
  AddAnsi(call.in(), kSysInfo, sys_info);
  call.Send();
  return ReadBooleanField(call.out(), kResult);
}

// --- Svc_SysAdmin proxy ---

bool TSvc_SysAdmin_Proxy::GetServices(ServiceList& service_list) {
  ProxyCall call(message_, channel_, kSvcSysAdminName, "GetServices");
  call.Send();
  const bool result = ReadBooleanField(call.out(), kResult);
  service_list = ServiceListFromWire(ReadStructArrayField(call.out(), kServiceList));
  return result;
}

void TSvc_SysAdmin_Proxy::InterruptServices() {
  ProxyCall call(message_, channel_, kSvcSysAdminName, "InterruptServices");
  call.Send();
}

void TSvc_SysAdmin_Proxy::ReleaseServices() {
  ProxyCall call(message_, channel_, kSvcSysAdminName, "ReleaseServices");
  call.Send();
}

bool TSvc_SysAdmin_Proxy::ServicesInterrupted() {
  ProxyCall call(message_, channel_, kSvcSysAdminName, "ServicesInterrupted");
  call.Send();
  return ReadBooleanField(call.out(), kResult);
}

std::unique_ptr<Svr_SysInfo> CoSvr_SysInfo::Create(const SysInfoClientMessage& message,
                                                   SysInfoTcpChannel& channel) {
  return std::make_unique<TSvr_SysInfo_Proxy>(message, channel);
}

std::unique_ptr<Svc_SysAdmin> CoSvc_SysAdmin::Create(const SysInfoClientMessage& message,
                                                     SysInfoTcpChannel& channel) {
  return std::make_unique<TSvc_SysAdmin_Proxy>(message, channel);
}

// --- Invokers ---

SysInfoMessage InvokeSvr_SysInfo(Svr_SysInfo& implementation, const SysInfoMessage& request) {
  const std::vector<SysInfoField>& in = request.parameters;
  const std::string& operation = request.operation;
  SysInfoMessage response = NewResponse(request);
  std::vector<SysInfoField>& out = response.parameters;
  if (SameText(operation, "GetServers")) {
    AddAnsi(out, kResult, implementation.GetServers(ReadIntegerField(in, kTypeSystem)));
  } else if (SameText(operation, "GetClients")) {
    AddAnsi(out, kResult, implementation.GetClients(ReadIntegerField(in, kTypeSystem)));
  } else if (SameText(operation, "GetServer")) {
    AddAnsi(out, kResult,
            implementation.GetServer(ReadAnsiField(in, kHLNumber), ReadIntegerField(in, kDataOption)));
  } else if (SameText(operation, "GetClient")) {
    AddAnsi(out, kResult,
            implementation.GetClient(ReadAnsiField(in, kHLNumber), ReadAnsiField(in, kUserName),
                                     ReadIntegerField(in, kDataOption)));
  } else if (SameText(operation, "SetClient")) {
    AddBoolean(out, kResult,
               implementation.SetClient(ReadAnsiField(in, kHLNumber), ReadAnsiField(in, kUserName),
                                        ReadAnsiField(in, kSysInfo)));
  } else if (SameText(operation, "SetServer")) {
    AddBoolean(out, kResult,
               implementation.SetServer(ReadAnsiField(in, kHLNumber), ReadAnsiField(in, kUserName),
                                        ReadAnsiField(in, kSysInfo)));
  } else if (SameText(operation, "SetClientCurrentUser")) {
    AddBoolean(out, kResult,
               implementation.SetClientCurrentUser(ReadAnsiField(in, kHLNumber),
                                                   ReadAnsiField(in, kUserName),
                                                   ReadAnsiField(in, kSysInfo)));
  } else if (SameText(operation, "Execute")) {
    std::string out_put_params;
    std::string result = implementation.Execute(ReadWideField(in, kProcessLogicalName),
                                                ReadWideField(in, kInputParams), out_put_params);
    AddWide(out, kResult, result);
    AddWide(out, kOutPutParams, out_put_params);
  } else if (SameText(operation, "GetPlatformServer")) {
    AddAnsi(out, kResult, implementation.GetPlatformServer());
  } else if (SameText(operation, "SetPlatformServer")) {
    AddBoolean(out, kResult, implementation.SetPlatformServer(ReadAnsiField(in, kSysInfo)));
  } else if (SameText(operation, "GetPlatformClient")) {
    AddAnsi(out, kResult, implementation.GetPlatformClient());
  } else if (SameText(operation, "SetPlatformClient")) {
    AddBoolean(out, kResult, implementation.SetPlatformClient(ReadAnsiField(in, kSysInfo)));
  } else {
    UnknownOperation(request);
  }
  return response;
}

SysInfoMessage InvokeSvc_SysAdmin(Svc_SysAdmin& implementation, const SysInfoMessage& request) {
  const std::string& operation = request.operation;
  SysInfoMessage response = NewResponse(request);
  std::vector<SysInfoField>& out = response.parameters;
  if (SameText(operation, "GetServices")) {
    ServiceList services;
    const bool result = implementation.GetServices(services);
    AddBoolean(out, kResult, result);
    out.push_back(SysInfoField{kServiceList, ServiceListToWire(services)});
  } else if (SameText(operation, "InterruptServices")) {
    implementation.InterruptServices();
  } else if (SameText(operation, "ReleaseServices")) {
    implementation.ReleaseServices();
  } else if (SameText(operation, "ServicesInterrupted")) {
    AddBoolean(out, kResult, implementation.ServicesInterrupted());
  } else {
    UnknownOperation(request);
  }
  return response;
}

}  // namespace hotfix
