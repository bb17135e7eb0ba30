#include "sysenv/ports/sandbox_state.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/text.h"
#include "sysenv/ports/command_line.h"
#include "sysenv/ports/sandbox_format_error.h"

namespace hotfix {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::vector<std::string> Lines(std::string_view text) { return SplitLines(text); }

TEST(SandboxState, WhatIsFormattedReadsBackTheSame) {
  SandboxState state;
  state.machine.computer_name = "MAQ01";
  state.machine.remote_session = true;
  state.machine.taskkill_available = false;
  state.system.os = OsVersion{OsVersion::Platform::kWindows9x, 4, 10, "A"};
  state.system.sysinfo_port = 9123;
  state.environment = {{"SESSIONNAME", "RDP-Tcp#3"}};
  state.configuration_server.by_key = {{"2", ConfigurationServerAnswer{5, " con blancos "}}};

  SandboxService service;
  service.name = "svcOrvin";
  service.state = kServiceStopPending;
  service.pending_queries = 2;
  service.binary_path = "\"C:\\Program Files\\Velmar\\svcOrvin.exe\"";
  service.on_stop = ServiceReaction{ServiceReaction::Kind::kPending, 3};
  service.on_start = ServiceReaction{ServiceReaction::Kind::kNever, 0};
  service.on_continue = ServiceReaction{ServiceReaction::Kind::kRefuse, 0};
  state.services.push_back(service);
  state.processes.push_back(SandboxProcess{7, "rdpshell.exe", "", 3, std::nullopt, false, {}});
  state.windows.push_back(SandboxWindow{9, "TServerForm", 2, 1, true, {}});
  SandboxComPlusApplication app = SandboxComPlusApplication::Make(1, "ORVIN_Ventas");
  app.SetProperty("IsEnabled", false);
  app.SetProperty("ShutdownAfter", int64_t{15});
  app.roles = {"Lectores", "Escritores"};
  state.com_plus_applications.push_back(app);

  const SandboxState read = ParseMachineIni(FormatMachineIni(state), "machine.ini");
  EXPECT_EQ(read.machine.computer_name, "MAQ01");
  EXPECT_TRUE(read.machine.remote_session);
  EXPECT_FALSE(read.machine.taskkill_available);
  EXPECT_EQ(read.system.os.platform, OsVersion::Platform::kWindows9x);
  EXPECT_EQ(read.system.os.minor, 10u);
  EXPECT_EQ(read.system.sysinfo_port, 9123);
  EXPECT_EQ(read.EnvironmentVariable("sessionname"), "RDP-Tcp#3");
  EXPECT_EQ(read.configuration_server.AnswerFor("2").result, 5);
  EXPECT_EQ(read.configuration_server.AnswerFor("2").last_error, " con blancos ");
  EXPECT_EQ(read.configuration_server.AnswerFor("1").result, 0);

  const SandboxService* svc = read.FindService("SVCORVIN");
  ASSERT_NE(svc, nullptr);
  EXPECT_EQ(svc->state, kServiceStopPending);
  EXPECT_EQ(svc->pending_queries, 2);
  EXPECT_EQ(svc->binary_path, service.binary_path);  // the quotes survive the INI rules
  EXPECT_EQ(svc->on_stop, service.on_stop);
  EXPECT_EQ(svc->on_start, service.on_start);
  EXPECT_EQ(svc->on_continue, service.on_continue);

  const SandboxProcess* process = read.FindProcess(7);
  ASSERT_NE(process, nullptr);
  EXPECT_FALSE(process->owner);
  EXPECT_FALSE(process->running);
  EXPECT_EQ(read.FindWindow(9)->survives_close_requests, 2);

  ASSERT_EQ(read.com_plus_applications.size(), 1u);
  const SandboxComPlusApplication& read_app = read.com_plus_applications[0];
  EXPECT_EQ(read_app.Name(), "ORVIN_Ventas");
  EXPECT_EQ(*read_app.Property("IsEnabled"), CatalogValue(false));
  EXPECT_EQ(*read_app.Property("ShutdownAfter"), CatalogValue(int64_t{15}));
  EXPECT_THAT(read_app.roles, ElementsAre("Lectores", "Escritores"));
}

TEST(SandboxState, ServiceReactionsReadAndWrite) {
  EXPECT_EQ(ParseServiceReaction(" Pending 4 "), (ServiceReaction{ServiceReaction::Kind::kPending, 4}));
  EXPECT_EQ(ParseServiceReaction("NEVER"), (ServiceReaction{ServiceReaction::Kind::kNever, 0}));
  EXPECT_FALSE(ParseServiceReaction("pending"));
  EXPECT_FALSE(ParseServiceReaction("pending -1"));
  EXPECT_FALSE(ParseServiceReaction("later"));
  EXPECT_EQ(FormatServiceReaction({ServiceReaction::Kind::kPending, 4}), "pending 4");
}

struct MalformedIni {
  const char* what;
  const char* text;
  int line;
};

class MachineIniMalformed : public ::testing::TestWithParam<MalformedIni> {};

TEST_P(MachineIniMalformed, NamesTheFileAndTheLine) {
  const MalformedIni& c = GetParam();
  try {
    ParseMachineIni(Lines(c.text), "/sb/machine.ini");
    FAIL() << "se aceptó: " << c.what;
  } catch (const ESandboxFormatError& error) {
    EXPECT_THAT(error.Message(), HasSubstr("/sb/machine.ini, línea " + std::to_string(c.line) + ":"))
        << c.what;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MachineIniMalformed,
    ::testing::Values(
        MalformedIni{"línea antes de una sección", "ComputerName=X\r\n", 1},
        MalformedIni{"sección desconocida", "[Machine]\r\n\r\n[Maquina]\r\n", 3},
        MalformedIni{"clave desconocida", "[Machine]\r\nComputadora=X\r\n", 2},
        MalformedIni{"línea sin igual", "[Machine]\r\nComputerName\r\n", 2},
        MalformedIni{"número no válido", "[Machine]\r\nCurrentProcessId=doce\r\n", 2},
        MalformedIni{"número negativo", "[Machine]\r\nCurrentSession=-1\r\n", 2},
        MalformedIni{"marca no válida", "[Machine]\r\nRemoteSession=quizás\r\n", 2},
        MalformedIni{"plataforma desconocida", "[System]\r\nPlatform=Linux\r\n", 2},
        MalformedIni{"puerto fuera de rango", "[System]\r\nSysInfoPort=70000\r\n", 2},
        MalformedIni{"reacción desconocida", "[Service svc]\r\nState=4\r\nOnStop=luego\r\n", 3},
        MalformedIni{"servicio sin nombre", "[Service]\r\nState=4\r\n", 1},
        MalformedIni{"sección repetida", "[Service svc]\r\n[service  SVC]\r\n", 2},
        MalformedIni{"clave repetida", "[Service svc]\r\nState=4\r\nstate=1\r\n", 3},
        MalformedIni{"proceso sin número", "[Process uno]\r\n", 1},
        MalformedIni{"proceso repetido", "[Process 4]\r\nImage=a\r\n[Process 04]\r\n", 3},
        MalformedIni{"ventana sin clase", "[Window 1]\r\nOpen=1\r\n", 1},
        MalformedIni{"COM+ sin nombre", "[ComPlusApplication 1]\r\nIsEnabled=1\r\n", 1},
        MalformedIni{"propiedad COM+ con tipo incorrecto",
                     "[ComPlusApplication 1]\r\nName=A\r\nActivation=servidor\r\n", 3},
        MalformedIni{"encabezado mal formado", "[Machine\r\n", 1}));

TEST(SandboxState, EditsChangeOneKeyAndKeepTheRest) {
  const std::vector<std::string> lines = Lines(
      "; mi máquina\r\n"
      "[Service svcOrvin]\r\n"
      "State = 4\r\n"
      "BinaryPath=x.exe\r\n"
      "\r\n"
      "[Process 4]\r\n"
      "Image=svcOrvin.exe\r\n");
  const std::vector<std::string> edited = ApplyMachineIniEdits(
      lines, {{"Service svcOrvin", "State", "1"},
              {"Service svcOrvin", "PendingQueries", "2"},
              {"Process 4", "Running", "0"},
              {"Service svcOrvin", "BinaryPath", "\"C:\\a b\\x.exe\""},
              {"Service svcOrvin", "PendingQueries", std::nullopt}});
  EXPECT_THAT(edited, ElementsAre("; mi máquina", "[Service svcOrvin]", "State=1",
                                  "BinaryPath=\"\"C:\\a b\\x.exe\"\"", "", "[Process 4]",
                                  "Image=svcOrvin.exe", "Running=0"));
  EXPECT_EQ(ParseMachineIni(edited, "m").FindService("svcorvin")->binary_path,
            "\"C:\\a b\\x.exe\"");
}

TEST(CommandLine, SplitsAsTheCRuntimeDoes) {
  EXPECT_THAT(SplitCommandLine("\"C:\\Program Files\\a.exe\" -service \"dos palabras\" x\\\"y"),
              ElementsAre("C:\\Program Files\\a.exe", "-service", "dos palabras", "x\"y"));
  EXPECT_THAT(SplitCommandArguments(" /F /IM svcOrvin.exe\""), ElementsAre("/F", "/IM", "svcOrvin.exe"));
  EXPECT_EQ(CommandProgramFileName("\"C:\\Velmar\\svc Orvin.exe\" /s"), "svc Orvin.exe");
  EXPECT_EQ(CommandProgramFileName("/srv/fs/svcOrvin.exe"), "svcOrvin.exe");
  EXPECT_EQ(CommandProgramFileName(""), "");
}

}  // namespace
}  // namespace hotfix
