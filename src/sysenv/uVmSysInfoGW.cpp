#include "sysenv/uVmSysInfoGW.h"

#include "base/exception.h"
#include "base/paths.h"
#include "base/text.h"
#include "log/uVmWriteToLog.h"
#include "sysenv/ports/machine.h"
#include "sysenv/uVmSysInfoStub.h"

namespace hotfix {
namespace {

constexpr char kDictionaryCnxnStr[] = "DictionaryCnxnStr";
constexpr char kComPlusHost[] = "dllhost.exe";
constexpr char kComPlusRefusal[] =
    "No debería utilizar éste método dentro de un componente COM+, cree una nueva instancia usando "
    "SysClientNewInstance, SysServerNewInstance, SysClientsNewInstance, SysServersNewInstance.";

std::unique_ptr<TSysServers>& SharedSysServers() {
  static std::unique_ptr<TSysServers> shared;
  return shared;
}

// Writes the operation's start and, on normal exit, its end.
class LoggedOperation {
 public:
  explicit LoggedOperation(std::string name) : name_(std::move(name)) {
    TManagedLogFile::Write(ltStart, name_);
  }
  void Done() { TManagedLogFile::Write(ltDown, name_); }

 private:
  std::string name_;
};

}  // namespace

TSysInfo::TSysInfo(std::string_view answer) { lines_.SetText(answer); }

std::string TSysInfo::NamedValue(std::string_view name) const {
  return ReplaceAll(lines_.Value(name), "<S>", "");
}

TSysInfoSrv::TSysInfoSrv(std::string_view answer)
    : TSysInfo(answer), key_number_(lines_.Value("HlNumber")) {}

TSysServer::TSysServer(std::string_view answer, int data_option)
    : TSysInfoSrv(answer), data_option_(data_option) {}

std::string TSysServer::DictionaryCnxnStr() {
  std::string value = NamedValue(kDictionaryCnxnStr);
  if (!value.empty()) return value;
  const std::string fetched = FetchData ? FetchData(key_number(), 2) : std::string();
  if (lines_.IndexOfName(kDictionaryCnxnStr) < 0) {
    // Line by line, so an answer of several lines does not end up inside
    // the value of its first one.
    lines_.AddStrings(SplitLines(fetched));
  } else {
    StringList fetched_lines;
    fetched_lines.SetText(fetched);
    lines_.SetValue(kDictionaryCnxnStr, fetched_lines.Value(kDictionaryCnxnStr));
  }
  return NamedValue(kDictionaryCnxnStr);
}

TSysServers::TSysServers(std::string_view answer)
    : has_error_(answer.find("SysInfoException") != std::string_view::npos) {
  lines_.SetText(answer);
}

std::unique_ptr<TSysServer> TVmSysInfoGateWay::SysServerNewInstance(std::string_view hl_number) {
  LoggedOperation log("TVmSysInfoGateWay.SysServerNewInstance");
  auto server = std::make_unique<TSysServer>(TVmSysInfoStub::QueryServer(hl_number, 0), 0);
  if (server->HasError()) throw Exception(server->ErrorMessage());
  server->FetchData = [](const std::string& key, int option) {
    return TVmSysInfoStub::QueryServer(key, option == 1 || option == 2 ? option : 0);
  };
  log.Done();
  return server;
}

TSysServers& TVmSysInfoGateWay::SysServers(int kind) {
  LoggedOperation log("TVmSysInfoGateWay.SysServers");
  const std::string program = ExtractFileName(CurrentMachine().processes().CurrentProgramPath());
  if (AnsiLowerCase(program) == kComPlusHost) throw Exception(kComPlusRefusal);
  const int type_system = kind == 0 || kind == 1 ? kind : 2;
  const std::string answer = TVmSysInfoStub::QueryServers(type_system);
  auto& shared = SharedSysServers();
  shared.reset();
  shared = std::make_unique<TSysServers>(answer);
  if (shared->HasError()) throw Exception(shared->ErrorMessage());
  log.Done();
  return *shared;
}

std::unique_ptr<TSysPlatformServer> TVmSysInfoGateWay::SysPlatformServer() {
  LoggedOperation log("TVmSysInfoGateWay.SysPlatformServer");
  auto platform = std::make_unique<TSysPlatformServer>(TVmSysInfoStub::QueryPlatformServer());
  if (platform->HasError()) throw Exception(platform->ErrorMessage());
  log.Done();
  return platform;
}

namespace testing_hooks {
void ResetSharedSysServers() { SharedSysServers().reset(); }
}  // namespace testing_hooks

}  // namespace hotfix
