#include "package/uHotfixSistema.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/paths.h"
#include "base/text_file.h"
#include "package/uHotfixInstalados.h"
#include "support/fake_machine.h"
#include "support/temp_dir.h"

namespace hotfix {
namespace {

using testing::MakeFakeMachine;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

TEST(THotfixInstalados, NombreArchivoUsesTheFirstThreeGroups) {
  const std::pair<const char*, const char*> cases[] = {
      {"9.70.001.000", "HotfixSistema_9_70_001.ini"},
      {"9.70.001.005", "HotfixSistema_9_70_001.ini"},
      {"10.00.000.000", "HotfixSistema_10_00_000.ini"},
      {"9.70", "HotfixSistema_9_70_.ini"},
      {"", "HotfixSistema_.ini"},
  };
  for (const auto& [version, name] : cases) {
    EXPECT_EQ(THotfixInstalados::NombreArchivo(version), name) << version;
  }
}

class JournalTest : public ::testing::Test {
 protected:
  JournalTest() : fake_(MakeFakeMachine()), scope_(fake_.machine) {
    fake_.clock->now = DateTime{2026, 12, 11, 10, 30, 5, 250};
    fake_.processes->current_account = "VELMAR\\Técnico";
  }
  ~JournalTest() override { testing_hooks::SetAtomicWriteFailureAfter(-1); }

  THotfixSistema Journal(const char* version = "9.70.001.000") const {
    return THotfixSistema("1", dir_.path(), version);
  }
  std::string JournalPath() const { return dir_.File("HotfixSistema_9_70_001.ini"); }

  // Number, date, user and flags of every record, in list order.
  std::vector<std::string> Listed(const THotfixSistema& journal) const {
    StringList list;
    journal.ObtenerHotfixsInstalados(list);
    std::vector<std::string> lines;
    for (int i = 0; i < list.Count(); ++i) {
      const auto* r = list.ObjectAs<TDatosHotFix>(i);
      lines.push_back(list[i] + "|" + r->NumeroHotfix() + "|" + FormatDateTimeAr(r->FechaHora()) +
                      "|" + r->UsuarioWindows() + "|" + (r->ScriptEmpresa() ? "S" : "N") +
                      (r->ScriptDiccionario() ? "S" : "N") + (r->Archivos() ? "S" : "N"));
    }
    return lines;
  }

  TempDir dir_;
  testing::FakeMachine fake_;
  ScopedCurrentMachine scope_;
};

TEST_F(JournalTest, RecordsOneSectionInWindows1252) {
  ASSERT_TRUE(Journal().RegistrarHotfix("9.70.001.0012", true, false, true));
  EXPECT_EQ(ReadBytes(JournalPath()),
            "[9.70.001.0012]\r\nFechaHora=11/12/2026 10:30:05\r\nUsuarioWindows=T\xE9"
            "cnico\r\nScriptEmpresa=S\r\nScriptDiccionario=N\r\nArchivos=S\r\n");
  EXPECT_EQ(
      Listed(Journal()),
      (std::vector<std::string>{"9.70.001.0012|9.70.001.0012|11/12/2026 10:30:05|Técnico|SNS"}));
}

TEST_F(JournalTest, MidnightIsWrittenAsTheDateAlone) {
  fake_.clock->now = DateTime{2027, 1, 2};
  fake_.processes->current_account = "soporte";  // no domain
  ASSERT_TRUE(Journal().RegistrarHotfix("9.70.001.0001", false, false, false));
  const std::string text = ReadBytes(JournalPath());
  EXPECT_NE(text.find("FechaHora=02/01/2027\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("UsuarioWindows=soporte\r\n"), std::string::npos) << text;
}

TEST_F(JournalTest, ServerVersionsWithTheSameThreeGroupsShareTheFile) {
  const THotfixSistema first("1", dir_.path(), "9.70.001.000");
  const THotfixSistema second("2", dir_.path(), "9.70.001.005");
  ASSERT_TRUE(first.RegistrarHotfix("9.70.001.0012", true, true, true));
  EXPECT_EQ(first.RutaArchivo(), second.RutaArchivo());
  EXPECT_EQ(Listed(second).size(), 1u);
  EXPECT_TRUE(std::filesystem::exists(ToFsPath(JournalPath())));
}

TEST_F(JournalTest, TwoGroupVersionsKeepTheFinalPointInTheName) {
  ASSERT_TRUE(Journal("9.70").RegistrarHotfix("9.70.001.0012", true, true, true));
  EXPECT_TRUE(std::filesystem::exists(ToFsPath(dir_.File("HotfixSistema_9_70_.ini"))));
}

TEST_F(JournalTest, HandWrittenSectionsReadWithTheirDefaults) {
  WriteBytes(JournalPath(),
             "[9.70.001.0010]\r\nUsuarioWindows=admin\r\n"
             "[9.70.001.0009]\r\nFechaHora=5/3/2026 14:07\r\nScriptEmpresa=s\r\n"
             "ScriptDiccionario=N\r\nArchivos=\r\n"
             "[9.70.001.0011]\r\nFechaHora=2026-03-05\r\nScriptEmpresa=\"S\"\r\n"
             "[9.70.001.0009]\r\nUsuarioWindows=repetida\r\n");
  EXPECT_EQ(Listed(Journal()), (std::vector<std::string>{
                                   "9.70.001.0009|9.70.001.0009|05/03/2026 14:07:00||NNN",
                                   "9.70.001.0010|9.70.001.0010|11/12/2026|admin|SSS",
                                   "9.70.001.0011|9.70.001.0011|11/12/2026||SSS",
                               }));
}

TEST_F(JournalTest, ListingAppendsToWhatTheListHeld) {
  WriteBytes(JournalPath(), "[9.70.001.0002]\r\n[9.70.001.0001]\r\n");
  StringList list;
  list.Add("anterior");
  Journal().ObtenerHotfixsInstalados(list);
  EXPECT_EQ(list.ToVector(),
            (std::vector<std::string>{"anterior", "9.70.001.0001", "9.70.001.0002"}));
  EXPECT_EQ(list.Object(0), nullptr);
}

TEST_F(JournalTest, MissingJournalListsNothing) {
  EXPECT_TRUE(Listed(Journal()).empty());
  EXPECT_TRUE(Listed(THotfixSistema("1", dir_.File("no/existe"), "9.70.001.000")).empty());
}

TEST_F(JournalTest, RecordingAgainOverwritesTheSection) {
  WriteBytes(JournalPath(),
             "; notas del t\xE9"
             "cnico\r\n[9.70.001.0005]\r\nUsuarioWindows=x\r\n");
  ASSERT_TRUE(Journal().RegistrarHotfix("9.70.001.0012", true, true, true));
  fake_.clock->now = DateTime{2026, 12, 12, 8, 0, 0, 0};
  fake_.processes->current_account = "VELMAR\\otro";
  ASSERT_TRUE(Journal().RegistrarHotfix("9.70.001.0012", false, true, false));
  EXPECT_EQ(ReadBytes(JournalPath()),
            "; notas del t\xE9"
            "cnico\r\n[9.70.001.0005]\r\nUsuarioWindows=x\r\n"
            "[9.70.001.0012]\r\nFechaHora=12/12/2026 08:00:00\r\nUsuarioWindows=otro\r\n"
            "ScriptEmpresa=N\r\nScriptDiccionario=S\r\nArchivos=N\r\n");
}

TEST_F(JournalTest, AFailedWriteAnswersFalseAndKeepsTheJournal) {
  const std::string before = "[9.70.001.0005]\r\nUsuarioWindows=x\r\n";
  WriteBytes(JournalPath(), before);
  testing_hooks::SetAtomicWriteFailureAfter(10);
  EXPECT_FALSE(Journal().RegistrarHotfix("9.70.001.0012", true, true, true));
  testing_hooks::SetAtomicWriteFailureAfter(-1);
  EXPECT_EQ(ReadBytes(JournalPath()), before);
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(ToFsPath(dir_.path()))) {
    left.push_back(FromFsPath(entry.path().filename()));
  }
  EXPECT_EQ(left, (std::vector<std::string>{"HotfixSistema_9_70_001.ini"}));
}

TEST_F(JournalTest, UnwritableOrUnreadableJournalsAnswerFalse) {
  EXPECT_FALSE(THotfixSistema("1", dir_.File("no/existe"), "9.70.001.000")
                   .RegistrarHotfix("9.70.001.0012", true, true, true));
  EXPECT_FALSE(std::filesystem::exists(ToFsPath(dir_.File("no"))));
  // A journal that is there but cannot be read is not replaced by a new one.
  std::filesystem::create_directory(ToFsPath(JournalPath()));
  EXPECT_FALSE(Journal().RegistrarHotfix("9.70.001.0012", true, true, true));
  EXPECT_TRUE(std::filesystem::is_directory(ToFsPath(JournalPath())));
}

}  // namespace
}  // namespace hotfix
