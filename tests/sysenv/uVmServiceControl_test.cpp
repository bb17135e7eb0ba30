#include "sysenv/uVmServiceControl.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "base/exception.h"
#include "base/ini_file.h"
#include "base/paths.h"
#include "sandbox/sandbox_builder.h"
#include "support/temp_dir.h"
#include "sysenv/ports/sandbox_machine.h"

namespace hotfix {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// A manager that records what is sent to its services.
class RecordingManager : public ServiceControl {
 public:
  struct Service {
    std::optional<int> state = kServiceRunning;  // nothing: the query fails
    bool accepts = true;
    std::string path;
  };

  std::unique_ptr<ServiceHandle> OpenService(std::string_view name, uint32_t access) override {
    opened_with.push_back(access);
    const auto it = services.find(std::string(name));
    if (it == services.end()) return nullptr;
    return std::make_unique<Handle>(*this, it->first);
  }

  std::map<std::string, Service> services;
  std::vector<std::string> sent;
  std::vector<uint32_t> opened_with;
  std::vector<uint32_t> buffer_sizes;

 private:
  class Handle : public ServiceHandle {
   public:
    Handle(RecordingManager& manager, std::string name) : manager_(manager), name_(std::move(name)) {}
    std::optional<int> QueryState() override { return service().state; }
    bool Start() override { return Send("start"); }
    bool Control(ServiceControlCode code) override {
      return Send(code == ServiceControlCode::kStop ? "stop" : "continue");
    }
    std::optional<std::string> QueryBinaryPath(uint32_t buffer_size, uint32_t& needed) override {
      manager_.buffer_sizes.push_back(buffer_size);
      needed = static_cast<uint32_t>(service().path.size()) + 36;
      if (buffer_size < needed) return std::nullopt;
      return service().path;
    }

   private:
    Service& service() { return manager_.services[name_]; }
    bool Send(const std::string& what) {
      manager_.sent.push_back(what + " " + name_);
      return service().accepts;
    }
    RecordingManager& manager_;
    std::string name_;
  };
};

struct StateRule {
  int state;
  const char* start_sends;  // "" when nothing is sent
  const char* stop_sends;
};

class ServiceStateRules : public ::testing::TestWithParam<StateRule> {};

TEST_P(ServiceStateRules, SendOnlyWhatTheStateNeeds) {
  const StateRule& rule = GetParam();
  for (const bool start : {true, false}) {
    RecordingManager manager;
    manager.services["svc"].state = rule.state;
    EXPECT_TRUE(start ? ServiceStart(manager, "svc") : ServiceStop(manager, "svc"));
    const std::string expected = start ? rule.start_sends : rule.stop_sends;
    if (expected.empty()) {
      EXPECT_THAT(manager.sent, IsEmpty()) << rule.state << (start ? " start" : " stop");
    } else {
      EXPECT_THAT(manager.sent, ElementsAre(expected + " svc")) << rule.state;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(States, ServiceStateRules,
                         ::testing::Values(StateRule{kServiceStopped, "start", ""},
                                           StateRule{kServiceStartPending, "", "stop"},
                                           StateRule{kServiceStopPending, "start", ""},
                                           StateRule{kServiceRunning, "", "stop"},
                                           StateRule{kServiceContinuePending, "", "stop"},
                                           StateRule{kServicePausePending, "continue", "stop"},
                                           StateRule{kServicePaused, "continue", "stop"},
                                           StateRule{0, "", ""}, StateRule{9, "", ""}));

TEST(ServicePrimitives, AMissingServiceAnswersFalseEverywhere) {
  RecordingManager manager;
  int state = 4;
  std::string path = "x";
  EXPECT_FALSE(ServiceStart(manager, "falta"));
  EXPECT_FALSE(ServiceStop(manager, "falta"));
  EXPECT_FALSE(ServiceExists(manager, "falta"));
  EXPECT_FALSE(ServiceGetStatus(manager, "falta", state));
  EXPECT_EQ(state, 0);
  EXPECT_FALSE(ServiceGetBinaryPath(manager, "falta", path));
  EXPECT_EQ(path, "");
  EXPECT_THAT(manager.sent, IsEmpty());
}

TEST(ServicePrimitives, AFailedStateQuerySendsNothing) {
  RecordingManager manager;
  manager.services["svc"].state = std::nullopt;
  EXPECT_TRUE(ServiceStart(manager, "svc"));
  EXPECT_TRUE(ServiceStop(manager, "svc"));
  EXPECT_THAT(manager.sent, IsEmpty());
  int state = 4;
  EXPECT_FALSE(ServiceGetStatus(manager, "svc", state));
  EXPECT_EQ(state, 0);
  EXPECT_TRUE(ServiceExists(manager, "svc"));
}

TEST(ServicePrimitives, ARefusedRequestAnswersFalse) {
  RecordingManager manager;
  manager.services["svc"] = {kServicePaused, false, ""};
  EXPECT_FALSE(ServiceStart(manager, "svc"));
  EXPECT_FALSE(ServiceStop(manager, "svc"));
  EXPECT_THAT(manager.sent, ElementsAre("continue svc", "stop svc"));
}

TEST(ServicePrimitives, StatusMapsUnknownValuesToZero) {
  RecordingManager manager;
  int state = -1;
  manager.services["svc"].state = 7;
  EXPECT_TRUE(ServiceGetStatus(manager, "svc", state));
  EXPECT_EQ(state, 7);
  manager.services["svc"].state = 8;
  EXPECT_TRUE(ServiceGetStatus(manager, "svc", state));
  EXPECT_EQ(state, 0);
}

TEST(ServicePrimitives, TheRightsAskedCoverWhatIsSent) {
  RecordingManager manager;
  manager.services["svc"];
  ServiceStart(manager, "svc");
  ServiceStop(manager, "svc");
  int state = 0;
  ServiceGetStatus(manager, "svc", state);
  ASSERT_EQ(manager.opened_with.size(), 3u);
  EXPECT_EQ(manager.opened_with[0] & (kServiceStart | kServicePauseContinue | kServiceQueryStatus),
            kServiceStart | kServicePauseContinue | kServiceQueryStatus);
  EXPECT_EQ(manager.opened_with[1] & (kServiceStop | kServiceQueryStatus), kServiceStop | kServiceQueryStatus);
  EXPECT_EQ(manager.opened_with[2], static_cast<uint32_t>(kServiceQueryStatus));
}

TEST(ServicePrimitives, ABinaryPathLongerThanTheFirstBufferComesWhole) {
  RecordingManager manager;
  const std::string path = "\"C:\\" + std::string(5000, 'v') + "\\svcOrvin.exe\" -service";
  manager.services["svc"].path = path;
  std::string read;
  EXPECT_TRUE(ServiceGetBinaryPath(manager, "svc", read));
  EXPECT_EQ(read, path);
  EXPECT_THAT(manager.buffer_sizes, ElementsAre(4096u, static_cast<uint32_t>(path.size() + 36)));
}

TEST(ServicePrimitives, AManagerThatNeverGetsEnoughRoomFailsInsteadOfLooping) {
  class Stubborn : public ServiceControl {
    std::unique_ptr<ServiceHandle> OpenService(std::string_view, uint32_t) override {
      class H : public ServiceHandle {
        std::optional<int> QueryState() override { return 4; }
        bool Start() override { return true; }
        bool Control(ServiceControlCode) override { return true; }
        std::optional<std::string> QueryBinaryPath(uint32_t size, uint32_t& needed) override {
          needed = size;
          return std::nullopt;
        }
      };
      return std::make_unique<H>();
    }
  } manager;
  std::string path;
  EXPECT_THROW(ServiceGetBinaryPath(manager, "svc", path), EOSError);
}

// On the sandbox machine, through the current machine.
TEST(ServicePrimitives, WorkOnTheCurrentSandboxMachine) {
  testing::TempDir temp;
  SandboxBuilder builder(JoinPath(temp.path(), "m"));
  builder.AddService("svcOrvin", kServiceRunning, builder.FsPath("Program Files/Velmar/svcOrvin.exe"));
  builder.AddService("pausado", kServicePaused, "");
  builder.Write();
  ScopedCurrentMachine current(OpenSandboxMachine(builder.directory()));

  EXPECT_TRUE(ServiceStop("SVCORVIN"));
  int state = 0;
  EXPECT_TRUE(ServiceGetStatus("svcOrvin", state));
  EXPECT_EQ(state, kServiceStopped);
  EXPECT_EQ(IniFile(JoinPath(builder.directory(), "machine.ini")).ReadInteger("Service svcOrvin", "State", 0),
            kServiceStopped);
  EXPECT_TRUE(ServiceStop("svcOrvin"));  // already stopped: nothing sent, still true
  EXPECT_TRUE(ServiceStart("pausado"));  // continued, which needs the pause-continue right
  EXPECT_TRUE(ServiceGetStatus("pausado", state));
  EXPECT_EQ(state, kServiceRunning);
  std::string path;
  EXPECT_TRUE(ServiceGetBinaryPath("svcOrvin", path));
  EXPECT_EQ(path, "\"" + builder.FsPath("Program Files/Velmar/svcOrvin.exe") + "\"");
  EXPECT_FALSE(ServiceExists("falta"));
}

}  // namespace
}  // namespace hotfix
