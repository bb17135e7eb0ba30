// The client channel and proxies against our service's request handling
// running in this process, and against peers that misbehave.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sysenv/in_process_sysinfo_service.h"
#include "sysenv/Lib_SysInfo_Intf.h"
#include "sysenv/sysinfo_errors.h"
#include "sysenv/sysinfo_tcp_channel.h"
#include "sysenv/tcp_test_peer.h"

namespace hotfix {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

using InProcessService = testing::InProcessSysInfoService;

class SysInfoChannelTest : public ::testing::Test {
 protected:
  InProcessService service_;
  SysInfoClientMessage message_;
};

TEST_F(SysInfoChannelTest, AnswersTheThreeOperationsFromTheRegistry) {
  SysInfoTcpChannel channel(service_.endpoint(), kSysInfoChannelKey);
  auto sys_info = CoSvr_SysInfo::Create(message_, channel);

  EXPECT_EQ(sys_info->GetServers(2), "2\r\n10\r\n1");
  EXPECT_EQ(sys_info->GetServer("1", 0),
            "HlNumber=1\r\nServerSystemDir=C:\\Velmar\\Llave1\\Sistema\r\n"
            "ConfigDir=C:\\Velmar\\Llave1\\Config<S>\r\nServerVersion=10.00.000.000\r\n"
            "TipoSistema=RESTO\r\nCountryCustomization=CL\r\nDictionaryName=DICC_1");
  EXPECT_EQ(sys_info->GetServer("1", 2),
            "DictionaryCnxnStr=Provider=SQLOLEDB.1;Data Source=SANDBOX;Initial Catalog=DICC_1");
  EXPECT_EQ(sys_info->GetPlatformServer(),
            "CommonFilesVelmarServer=C:\\Archivos comunes\\Velmar\\Servidor");
  // Registry names are matched without regard to case ("ServersystemDir").
  EXPECT_THAT(sys_info->GetServer("2", 0), HasSubstr("ServerSystemDir=C:\\Velmar\\Llave2\\Sistema"));

  const auto log = service_.log();
  ASSERT_EQ(log.size(), 5u);
  EXPECT_THAT(log[1], HasSubstr("Svr_SysInfo.GetServer(HLNumber=\"1\", DataOption=0) -> respuesta"));
}

TEST_F(SysInfoChannelTest, ServiceErrorsComeBackWithTheirMessage) {
  SysInfoTcpChannel channel(service_.endpoint(), kSysInfoChannelKey);
  auto sys_info = CoSvr_SysInfo::Create(message_, channel);
  struct Case {
    std::string key;
    int option;
    const char* message_part;
  };
  const Case cases[] = {
      {"9", 0, "La llave \"9\" no está registrada en este equipo."},
      {"1\\..\\2", 0, "no está registrada"},
      {"", 0, "no está registrada"},
      {"1", 5, "Opción de datos 5 no válida"},
  };
  for (const Case& c : cases) {
    try {
      sys_info->GetServer(c.key, c.option);
      ADD_FAILURE() << c.key << " answered";
    } catch (const ESysInfoServerError& error) {
      EXPECT_THAT(error.Message(), HasSubstr(c.message_part)) << c.key;
    }
  }
}

TEST_F(SysInfoChannelTest, EveryOtherOperationIsNamedAsNotSupported) {
  SysInfoTcpChannel channel(service_.endpoint(), kSysInfoChannelKey);
  auto sys_info = CoSvr_SysInfo::Create(message_, channel);
  auto sys_admin = CoSvc_SysAdmin::Create(message_, channel);
  std::string out;
  ServiceList services;
  const std::pair<const char*, std::function<void()>> calls[] = {
      {"Svr_SysInfo.GetClients", [&] { sys_info->GetClients(2); }},
      {"Svr_SysInfo.GetClient", [&] { sys_info->GetClient("1", "Tecnico", 0); }},
      {"Svr_SysInfo.SetClient", [&] { sys_info->SetClient("1", "Tecnico", "A=1"); }},
      {"Svr_SysInfo.SetServer", [&] { sys_info->SetServer("1", "Tecnico", "A=1"); }},
      {"Svr_SysInfo.SetClientCurrentUser", [&] { sys_info->SetClientCurrentUser("1", "T", "A=1"); }},
      {"Svr_SysInfo.Execute", [&] { sys_info->Execute("Proceso", "Entrada ✓", out); }},
      {"Svr_SysInfo.SetPlatformServer", [&] { sys_info->SetPlatformServer("A=1"); }},
      {"Svr_SysInfo.GetPlatformClient", [&] { sys_info->GetPlatformClient(); }},
      {"Svr_SysInfo.SetPlatformClient", [&] { sys_info->SetPlatformClient("A=1"); }},
      {"Svc_SysAdmin.GetServices", [&] { sys_admin->GetServices(services); }},
      {"Svc_SysAdmin.InterruptServices", [&] { sys_admin->InterruptServices(); }},
      {"Svc_SysAdmin.ReleaseServices", [&] { sys_admin->ReleaseServices(); }},
      {"Svc_SysAdmin.ServicesInterrupted", [&] { sys_admin->ServicesInterrupted(); }},
  };
  for (const auto& [name, call] : calls) {
    try {
      call();
      ADD_FAILURE() << name << " answered";
    } catch (const ESysInfoServerError& error) {
      EXPECT_EQ(error.Message(),
                std::string("La operación \"") + name + "\" no está soportada por este servicio.");
    }
  }
}

TEST_F(SysInfoChannelTest, UnknownOperationsAndMissingParametersAreRefused) {
  SysInfoTcpChannel channel(service_.endpoint(), kSysInfoChannelKey);
  SysInfoMessage request = message_.NewRequest(kSvrSysInfoName, "BorrarTodo");
  EXPECT_THROW(channel.Dispatch(request), ESysInfoServerError);

  request = message_.NewRequest("Svr_Otro", "GetServers");
  EXPECT_THROW(channel.Dispatch(request), ESysInfoServerError);

  request = message_.NewRequest(kSvrSysInfoName, "GetServer");
  request.parameters.push_back({"HLNumber", SysInfoAnsiText{"1"}});
  try {
    channel.Dispatch(request);
    ADD_FAILURE();
  } catch (const ESysInfoServerError& error) {
    EXPECT_THAT(error.Message(), HasSubstr("\"DataOption\""));
  }

  request.parameters.push_back({"DataOption", SysInfoAnsiText{"0"}});
  EXPECT_THROW(channel.Dispatch(request), ESysInfoServerError);
}

TEST(SysInfoChannelFailureTest, WrongKeyOnEitherSideIsAChannelError) {
  InProcessService other_key("00112233445566778899AABBCCDDEEFF");
  SysInfoClientMessage message;
  SysInfoTcpChannel channel(other_key.endpoint(), kSysInfoChannelKey);
  try {
    CoSvr_SysInfo::Create(message, channel)->GetServers(2);
    ADD_FAILURE();
  } catch (const ESysInfoChannelError& error) {
    EXPECT_THAT(error.Message(), HasSubstr("la clave de cifrado no coincide"));
  }
  EXPECT_THAT(other_key.log().at(0), HasSubstr("mensaje rechazado -> excepción ESysInfoChannelError"));
}

TEST(SysInfoChannelFailureTest, NoListenerIsAConnectionError) {
  const uint16_t port = testing::UnusedLoopbackPort();
  SysInfoClientMessage message;
  SysInfoTcpChannel channel(Endpoint{"127.0.0.1", port}, kSysInfoChannelKey);
  try {
    CoSvr_SysInfo::Create(message, channel)->GetServers(2);
    ADD_FAILURE();
  } catch (const ESysInfoConnectionError& error) {
    EXPECT_EQ(error.Message(), "No fue posible conectar con el Servicio de Información del Sistema en 127.0.0.1:" +
                                   std::to_string(port) + ": conexión rechazada.");
  }
}

TEST(SysInfoChannelFailureTest, SilentServiceIsATimeout) {
  testing::ScriptedTcpServer silent([](std::string_view) { return std::string(); }, /*silent=*/true);
  SysInfoClientMessage message;
  SysInfoTcpChannel channel(Endpoint{"127.0.0.1", silent.port()}, kSysInfoChannelKey,
                            SysInfoTimeouts{5000, 200});
  try {
    CoSvr_SysInfo::Create(message, channel)->GetServers(2);
    ADD_FAILURE();
  } catch (const ESysInfoTimeout& error) {
    EXPECT_THAT(error.Message(), HasSubstr("Se agotó el tiempo de espera (0,2 s) de la respuesta"));
  }
}

// Answers of a misbehaving peer, and the error the client must raise.
TEST(SysInfoChannelFailureTest, BadAnswersAreDetected) {
  const SysInfoChannelCipher cipher(kSysInfoChannelKey);
  std::string recorded_answer;
  {
    InProcessService service;
    testing::ScriptedTcpServer recorder([&](std::string_view frame) {
      recorded_answer = testing::RawExchange(service.port(), frame, false, 5000).received;
      return recorded_answer;
    });
    SysInfoClientMessage message;
    SysInfoTcpChannel channel(Endpoint{"127.0.0.1", recorder.port()}, kSysInfoChannelKey);
    EXPECT_EQ(CoSvr_SysInfo::Create(message, channel)->GetServers(2), "2\r\n10\r\n1");
  }
  struct Case {
    const char* what;
    std::function<std::string(std::string_view)> reply;
    const char* message_part;
  };
  const Case cases[] = {
      {"closed without answer", [](std::string_view) { return std::string(); }, "cerró la conexión"},
      {"half an answer", [&](std::string_view) { return recorded_answer.substr(0, 30); },
       "cerró la conexión"},
      {"oversized", [](std::string_view) { return std::string("VSIF\xff\xff\xff\x7f", 8); },
       "longitud inválida"},
      {"not a frame", [](std::string_view) { return std::string("HTTP/1.1 400 Bad Request\r\n\r\n"); },
       "firma desconocida"},
      {"replayed answer of another question", [&](std::string_view) { return recorded_answer; },
       "no corresponde a la consulta"},
      {"the request sent back", [](std::string_view request) { return std::string(request); },
       "no corresponde a la consulta"},
      {"damaged answer",
       [&](std::string_view) {
         std::string damaged = recorded_answer;
         damaged[20] = static_cast<char>(damaged[20] ^ 0x40);
         return damaged;
       },
       "no pudo descifrarse"},
      {"sealed garbage",
       [&](std::string_view) { return cipher.Seal("VSIM\x01\x02\0\0 garbage"); }, "mal formado"},
  };
  for (const Case& c : cases) {
    testing::ScriptedTcpServer peer(c.reply);
    SysInfoClientMessage message;
    SysInfoTcpChannel channel(Endpoint{"127.0.0.1", peer.port()}, kSysInfoChannelKey);
    try {
      CoSvr_SysInfo::Create(message, channel)->GetServers(2);
      ADD_FAILURE() << c.what << ": accepted";
    } catch (const ESysInfoError& error) {
      EXPECT_THAT(error.Message(), HasSubstr(c.message_part)) << c.what;
    }
  }
}

}  // namespace
}  // namespace hotfix
