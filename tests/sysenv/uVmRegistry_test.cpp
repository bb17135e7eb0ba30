#include "sysenv/uVmRegistry.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/paths.h"
#include "sandbox/sandbox_builder.h"
#include "support/temp_dir.h"
#include "sysenv/ports/sandbox_machine.h"

namespace hotfix {
namespace {

using ::testing::ElementsAre;
using testing::TempDir;

constexpr std::string_view kBranch = "Software\\Velmar\\Quiltor2000\\Llaves";

std::string KeyPath(std::string_view key) { return std::string(kBranch) + "\\" + std::string(key); }

class VmRegistryTest : public ::testing::Test {
 protected:
  VmRegistryTest() : builder_(JoinPath(temp_.path(), "m")) {}

  Registry& Open() {
    builder_.Write();
    machine_ = OpenSandboxMachine(builder_.directory());
    return machine_->registry();
  }

  TempDir temp_;
  SandboxBuilder builder_;
  std::unique_ptr<Machine> machine_;
};

TEST_F(VmRegistryTest, KeysAreSortedAsTextSoTenComesBeforeTwo) {
  builder_.AddKey(KeyPath("2")).AddKey(KeyPath("10")).AddKey(KeyPath("1"));
  Registry& registry = Open();
  TVmRegistry vm(&registry);
  EXPECT_THAT(vm.LocalMachineKeys().KeyNames().ToVector(), ElementsAre("1", "10", "2"));
  EXPECT_EQ(vm.LocalMachineKeys().BasePath(), "\\Software\\Velmar\\Quiltor2000\\Llaves\\");
}

TEST_F(VmRegistryTest, WithoutTheBranchTheListIsEmpty) {
  TVmRegistry vm(&Open());
  EXPECT_EQ(vm.LocalMachineKeys().KeyNames().Count(), 0);
  EXPECT_EQ(vm.LocalMachineKeys().GetKeyConfigByIndex(0), nullptr);
  EXPECT_EQ(vm.LocalMachineKeys().GetKeyConfigByIndex(-1), nullptr);
}

TEST_F(VmRegistryTest, KeyConfigsAreFoundWithoutRegardToCaseAndKept) {
  builder_.AddKey(KeyPath("Llave"));
  TVmRegistry vm(&Open());
  THKEY_HardLocks_LM_Quiltor& keys = vm.LocalMachineKeys();
  THKEY_QuiltorConfig* config = keys.GetKeyConfig("LLAVE");
  ASSERT_NE(config, nullptr);
  EXPECT_EQ(config->KeyName(), "LLAVE");
  EXPECT_EQ(config->CurrentPath(), "\\Software\\Velmar\\Quiltor2000\\Llaves\\LLAVE\\");
  EXPECT_EQ(keys.GetKeyConfig("llave"), config);
  EXPECT_EQ(keys.GetKeyConfigByIndex(0), config);
  EXPECT_EQ(keys.GetKeyConfigByIndex(1), nullptr);
  EXPECT_EQ(keys.GetKeyConfig("Otra"), nullptr);
  EXPECT_EQ(&vm.LocalMachineKeys(), &keys);
}

TEST_F(VmRegistryTest, AListedKeyThatDoesNotOpenIsTriedAgainLater) {
  builder_.AddKey(KeyPath("1"));
  Registry& registry = Open();
  TVmRegistry vm(&registry);
  THKEY_HardLocks_LM_Quiltor& keys = vm.LocalMachineKeys();

  // The key list was read; then the key goes away and comes back.
  const std::string reg = testing::ReadBytes(JoinPath(builder_.directory(), "registry.reg"));
  testing::WriteBytes(JoinPath(builder_.directory(), "registry.reg"),
                      "Windows Registry Editor Version 5.00\r\n");
  EXPECT_EQ(keys.GetKeyConfig("1"), nullptr);
  testing::WriteBytes(JoinPath(builder_.directory(), "registry.reg"), reg);
  EXPECT_NE(keys.GetKeyConfig("1"), nullptr);
  // Keys added after the list was read are not seen.
  registry.WriteString(KeyPath("4"), "ServerVersion", "9.70.000.000");
  EXPECT_THAT(keys.KeyNames().ToVector(), ElementsAre("1"));
}

TEST_F(VmRegistryTest, FolderValuesGetATrailingSeparator) {
  const std::string sistema = builder_.FsPath("Sistema");
  builder_.AddInstallationKey("1", {{"SystemDir", sistema},
                                    {"ServersystemDir", sistema + "/"},
                                    {"DirComunes", "C:\\Comunes\\"},
                                    {"ServerVersion", "9.70.001.000"},
                                    {"HLMachine", "MAQ01"}});
  builder_.SetExpandString(KeyPath("1"), "Description", "%ProgramData%");
  TVmRegistry vm(&Open());
  THKEY_QuiltorConfig* config = vm.LocalMachineKeys().GetKeyConfig("1");
  ASSERT_NE(config, nullptr);
  EXPECT_EQ(config->ReadValue(TValorLlave::vlSystemDir), sistema + kPathSeparator);
  EXPECT_EQ(config->ReadValue(TValorLlave::vlServersystemDir), sistema + "/");
  EXPECT_EQ(config->ReadValue(TValorLlave::vlDirComunes), "C:\\Comunes\\");
  EXPECT_EQ(config->ReadValue(TValorLlave::vlConfigDir), std::string(1, kPathSeparator));
  EXPECT_EQ(config->ReadValue(TValorLlave::vlServerVersion), "9.70.001.000");
  EXPECT_EQ(config->ReadValue(TValorLlave::vlHLMachine), "MAQ01");
  EXPECT_EQ(config->ReadValue(TValorLlave::vlClientVersion), "");
  EXPECT_EQ(config->ReadValue(TValorLlave::vlDescription), "%ProgramData%");  // not expanded
}

TEST_F(VmRegistryTest, AValueThatIsNotTextIsAnError) {
  builder_.SetDWord(KeyPath("1"), "ServerVersion", 970);
  Registry& registry = Open();
  TVmRegistry vm(&registry);
  THKEY_QuiltorConfig* config = vm.LocalMachineKeys().GetKeyConfig("1");
  ASSERT_NE(config, nullptr);
  EXPECT_THROW(config->ReadValue(TValorLlave::vlServerVersion), ERegistryException);
  EXPECT_EQ(ReadLocalMachineString(registry, KeyPath("1"), "ServerVersion"), "");
}

TEST_F(VmRegistryTest, ReadLocalMachineStringIsEmptyForWhatIsMissing) {
  builder_.SetString(KeyPath("3"), "HotFixNumber", "12/04/2011 - 9.70.000.1045\r\n03/06/2011 - 9.70.001.1110");
  Registry& registry = Open();
  EXPECT_EQ(ReadLocalMachineString(registry, "\\software\\velmar\\quiltor2000\\llaves\\3", "HotFixNumber"),
            "12/04/2011 - 9.70.000.1045\r\n03/06/2011 - 9.70.001.1110");
  EXPECT_EQ(ReadLocalMachineString(registry, KeyPath("3"), "Falta"), "");
  EXPECT_EQ(ReadLocalMachineString(registry, KeyPath("9"), "HotFixNumber"), "");
}

TEST(VmRegistry, AnEmptyPathIsAnInvalidRoot) {
  try {
    THKEY_HardLocks keys(RegistryRoot::kLocalMachine, "");
    FAIL();
  } catch (const Exception& error) {
    EXPECT_EQ(error.Message(), "Root inválido");
  }
}

TEST(VmRegistry, AListingErrorLeavesTheListEmpty) {
  class FailingRegistry : public Registry {
   public:
    bool KeyExists(std::string_view) override { return true; }
    std::optional<std::vector<std::string>> SubKeyNames(std::string_view) override {
      throw EOSError("Acceso denegado.");
    }
    std::optional<RegistryValue> ReadValue(std::string_view, std::string_view) override {
      throw EOSError("Acceso denegado.");
    }
    void WriteString(std::string_view, std::string_view, std::string_view) override {}
  } registry;
  THKEY_HardLocks_LM_Quiltor keys(&registry);
  EXPECT_EQ(keys.KeyNames().Count(), 0);
  EXPECT_EQ(ReadLocalMachineString(registry, "A", "b"), "");
  EXPECT_EQ(THKEY_HardLocks(RegistryRoot::kLocalMachine, "A", &registry).GetKeyConfig("x"), nullptr);
}

TEST_F(VmRegistryTest, TheProcessWideInstanceReadsTheCurrentMachine) {
  builder_.AddInstallationKey("7", {{"ServerVersion", "9.70.001.000"}});
  Open();
  ScopedCurrentMachine current(std::shared_ptr<Machine>(std::move(machine_)));
  ReleaseVmRegistry();
  EXPECT_THAT(VmRegistry().LocalMachineKeys().KeyNames().ToVector(), ElementsAre("7"));
  EXPECT_EQ(&VmRegistry(), &VmRegistry());
  EXPECT_EQ(VmRegistry().LocalMachineKeys().GetKeyConfig("7")->ReadValue(TValorLlave::vlServerVersion),
            "9.70.001.000");
  EXPECT_EQ(ReadLocalMachineString(KeyPath("7"), "ServerVersion"), "9.70.001.000");
  ReleaseVmRegistry();
}

TEST(VmRegistry, ValueNamesFollowTheTable) {
  EXPECT_EQ(ValorLlaveNombre(TValorLlave::vlCarpetaMenuInicioCliente), "CarpetaMenuInicioCliente");
  EXPECT_EQ(ValorLlaveNombre(TValorLlave::vlHLMachine), "HLMachine");
  EXPECT_EQ(ValorLlaveNombre(TValorLlave::vlServerVersion), "ServerVersion");
  EXPECT_EQ(ValorLlaveNombre(TValorLlave::vlServerISGUID), "ServerISGUID");
  int folders = 0;
  for (int i = 0; i < kValorLlaveCount; ++i) folders += ValorLlaveEsCarpeta(static_cast<TValorLlave>(i));
  EXPECT_EQ(folders, 4);
}

}  // namespace
}  // namespace hotfix
