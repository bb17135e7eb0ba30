#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "base/codepage.h"
#include "base/exception.h"
#include "base/text.h"
#include "log/exclusive_file.h"
#include "log/log_fixture.h"

namespace hotfix::testing {
namespace {

using ::testing::ElementsAreArray;

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class LogWriterTest : public LogTest {};

TEST_F(LogWriterTest, FirstEntryWritesTheHeaderAndTheLineInWindows1252WithCrLf) {
  EXPECT_TRUE(TManagedLogFile::Write(ltError, "Falló la copia de Ñandú.dll"));

  const std::string t = "2026/12/11 10:30:00:000 | 437500 | ";
  const std::string rule(50, '*');
  const std::string expected = t + "T_AUDI | " + rule + "\r\n" +
                               t + "T_AUDI | File:           /fake/HotFix.exe\r\n" +
                               t + "T_AUDI | File Version:   1.0.0.0\r\n" +
                               t + "T_AUDI | OS Version:     WinVista\r\n" +
                               t + "T_AUDI | " + rule + "\r\n" +
                               t + "#EXCEP | Fall\xF3 la copia de \xD1" "and\xFA.dll\r\n";
  EXPECT_EQ(LogBytes(), expected);
}

TEST_F(LogWriterTest, EveryLevelWritesItsTag) {
  WriteGlobal({"Archivo_Texto_Nivel=4095"});
  const struct {
    TLogType level;
    const char* tag;
  } cases[] = {
      {ltForced, "FORZADO"},    {ltFail, "#FALLA"},      {ltError, "#EXCEP"},
      {ltStart, "INICIO"},      {ltDown, "SALIDA"},      {ltAudit, "T_AUDI"},
      {ltMsg, "T_MNSJ"},        {ltTCPIP, "TCP/IP"},     {ltTech, "T_TECH"},
      {ltTime, "T_TIME"},       {ltTermLogIn, "E_TERM"}, {ltAppIn, "E_APLC"},
      {ltUserLogin, "E_USUA"},  {ltCoLogin, "E_EMPR"},   {ltCoLogOff, "S_EMPR"},
      {ltUserLogOff, "S_USUA"}, {ltAppOff, "S_APLC"},    {ltTermLogOff, "S_TERM"},
      {ltEventViewer, ""},
  };
  std::vector<std::string> expected = HeaderLines();
  for (const auto& c : cases) {
    EXPECT_TRUE(TManagedLogFile::Write(c.level, "texto")) << c.tag;
    expected.push_back(Line(c.tag, "texto"));
  }
  EXPECT_THAT(LogLines(), ElementsAreArray(expected));
  // The empty tag of level 18 stays between its two separators.
  EXPECT_EQ(LogLines().back(), "2026/12/11 10:30:00:000 | 437500 |  | texto");
}

TEST_F(LogWriterTest, LevelMaskDecidesWhichEntriesAreWritten) {
  const struct {
    const char* mask;  // nullptr: no Log.Ini, the defaults apply
    TLogType level;
    bool written;
  } cases[] = {
      {nullptr, ltForced, true}, {nullptr, ltFail, true},    {nullptr, ltError, true},
      {nullptr, ltAudit, false}, {nullptr, ltTech, false},   {nullptr, ltStart, false},
      {nullptr, ltDown, false},  {"0", ltForced, true},      {"0", ltError, false},
      {"39", ltStart, true},     {"39", ltDown, true},       {"39", ltAudit, true},
      {"39", ltTech, true},      {"39", ltError, true},      {"39", ltMsg, false},
      {"39", ltTime, false},     {"2048", ltEventViewer, true}, {"2048", ltError, false},
      {"1024", ltCoLogOff, true}, {"1024", ltCoLogin, true}, {"1024", ltUserLogin, false},
      {"abc", ltError, true},    {"abc", ltAudit, false},    {"-1", ltTime, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("mask ") + (c.mask ? c.mask : "(default)") + ", level " +
                 std::string(LogTypeName(c.level)));
    testing_hooks::ResetLogState();
    std::filesystem::remove_all(ToFsPath(program_data_));
    if (c.mask) WriteGlobal({std::string("Archivo_Texto_Nivel=") + c.mask});

    EXPECT_EQ(TManagedLogFile::Write(c.level, "entrada"), c.written);
    if (c.written) {
      EXPECT_EQ(LogLines().back(), Line(LogTypeTag(c.level), "entrada"));
    } else {
      EXPECT_EQ(LogBytes(), "") << "a filtered-out entry touches no file";
    }
  }
}

TEST_F(LogWriterTest, BlankTextWritesOnlyTheHeaderOfANewFile) {
  EXPECT_FALSE(TManagedLogFile::Write(ltError, "   "));
  EXPECT_THAT(LogLines(), ElementsAreArray(HeaderLines()));

  EXPECT_FALSE(TManagedLogFile::Write(ltError, ""));
  EXPECT_THAT(LogLines(), ElementsAreArray(HeaderLines()));
}

TEST_F(LogWriterTest, WriteExceptionAndWriteResultFormatTheirText) {
  EXPECT_TRUE(TManagedLogFile::WriteException(ltError, "Copiando: ",
                                              EOSError("Acceso denegado.")));
  EXPECT_TRUE(TManagedLogFile::WriteException(ltError, "", Exception("Falta el archivo")));
  EXPECT_TRUE(TManagedLogFile::WriteException(ltError, "x", std::runtime_error("boom")));
  EXPECT_TRUE(TManagedLogFile::WriteResult(ltError, "TFilesManager.Copiar", false));
  EXPECT_TRUE(TManagedLogFile::WriteResult(ltError, "TFilesManager.Copiar", true));

  const auto lines = LogLines();
  ASSERT_EQ(lines.size(), 10u);
  EXPECT_EQ(lines[5], Line("#EXCEP", "Copiando: (Excepción: EOSError - Acceso denegado.)"));
  EXPECT_EQ(lines[6], Line("#EXCEP", "(Excepción: Exception - Falta el archivo)"));
  EXPECT_EQ(lines[7], Line("#EXCEP", "x(Excepción: Exception - boom)"));
  EXPECT_EQ(lines[8], Line("#EXCEP", "TFilesManager.Copiar     --> Result = False"));
  EXPECT_EQ(lines[9], Line("#EXCEP", "TFilesManager.Copiar     --> Result = True"));
}

TEST_F(LogWriterTest, StartAndDownEntriesAreNotIndented) {
  WriteGlobal({"Archivo_Texto_Nivel=3", "Archivo_Texto_Identacion=\">>\""});
  EXPECT_TRUE(TManagedLogFile::Write(ltStart, "THotFixManager.InstalarHotfixsEnLlaves"));
  EXPECT_TRUE(TManagedLogFile::Write(ltStart, "THotFixManager.CopiarArchivos"));
  EXPECT_TRUE(TManagedLogFile::Write(ltDown, "THotFixManager.CopiarArchivos"));
  const auto lines = LogLines();
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[6], Line("INICIO", "THotFixManager.CopiarArchivos"));
  EXPECT_EQ(lines[7], Line("SALIDA", "THotFixManager.CopiarArchivos"));
}

TEST_F(LogWriterTest, OneWriterIndentsNestedEntriesByItsDepth) {
  TTextWriter writer;
  writer.settings().indentation = "..";
  writer.settings().thread_id = "7";
  EXPECT_EQ(writer.FormatLine(ltStart, "a"), "2026/12/11 10:30:00:000 | 7 | INICIO | a");
  EXPECT_EQ(writer.FormatLine(ltStart, "b"), "2026/12/11 10:30:00:000 | 7 | INICIO | ..b");
  EXPECT_EQ(writer.FormatLine(ltAudit, "c"), "2026/12/11 10:30:00:000 | 7 | T_AUDI | ..c");
  EXPECT_EQ(writer.FormatLine(ltDown, "b"), "2026/12/11 10:30:00:000 | 7 | SALIDA | ..b");
  EXPECT_EQ(writer.FormatLine(ltDown, "a"), "2026/12/11 10:30:00:000 | 7 | SALIDA | a");
}

TEST_F(LogWriterTest, ShowUserAddsTheUserNameOnlyWhenThereIsOne) {
  TTextWriter writer;
  writer.settings().thread_id = "7";
  writer.settings().show_user = true;
  EXPECT_EQ(writer.FormatLine(ltError, "x"), "2026/12/11 10:30:00:000 | 7 | #EXCEP | x");
  writer.user_name = "Tecnico";
  EXPECT_EQ(writer.FormatLine(ltError, "x"),
            "2026/12/11 10:30:00:000 | Tecnico | 7 | #EXCEP | x");
  writer.settings().show_program = true;
  EXPECT_EQ(writer.FormatLine(ltError, "x"),
            "2026/12/11 10:30:00:000 | HotFix.exe | Tecnico | 7 | #EXCEP | x");
}

// --- rotation -----------------------------------------------------------------

class LogRotationTest : public LogTest {
 protected:
  std::string BakPath() const { return LogsFolder() + "HotFix.bak"; }
};

TEST_F(LogRotationTest, AFileOverTheMaximumMovesToBakAndTheNewFileStartsWithTheHeader) {
  WriteGlobal({"Archivo_Texto_Tamaño_Maximo=1"});
  const std::string old_log(1025, 'x');
  WriteBytes(LogPath(), old_log);
  WriteBytes(BakPath(), "older backup");

  EXPECT_TRUE(TManagedLogFile::Write(ltError, "después de rotar"));

  EXPECT_EQ(ReadBytes(BakPath()), old_log);
  EXPECT_THAT(LogLines(), ElementsAreArray(Concat(HeaderLines(), {Line("#EXCEP", "después de rotar")})));
}

TEST_F(LogRotationTest, SizeRuleAndSwitchingRotationOff) {
  const struct {
    const char* max_kb;
    size_t size;
    bool rotates;
  } cases[] = {
      {"1", 1024, false},  // exactly the maximum is not over it
      {"1", 1025, true},
      {"0", 5000, false},
      {"-3", 5000, false},
      {"2", 2049, true},
      {"x", 1048577, true},  // unreadable: 1024 KB
      {"x", 1048576, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("max ") + c.max_kb + ", size " + std::to_string(c.size));
    testing_hooks::ResetLogState();
    std::filesystem::remove_all(ToFsPath(program_data_));
    WriteGlobal({std::string("Archivo_Texto_Tamaño_Maximo=") + c.max_kb});
    WriteBytes(LogPath(), std::string(c.size, 'x'));

    EXPECT_TRUE(TManagedLogFile::Write(ltError, "e"));
    std::error_code error;
    EXPECT_EQ(std::filesystem::exists(ToFsPath(BakPath()), error), c.rotates);
    const std::string bytes = LogBytes();
    if (c.rotates) {
      EXPECT_EQ(bytes.substr(0, 23), "2026/12/11 10:30:00:000");
    } else {
      EXPECT_EQ(bytes.substr(0, c.size), std::string(c.size, 'x'));
    }
  }
}

// --- locked file --------------------------------------------------------------

// A clock that lets the held file go during the n-th wait.
class ReleasingClock : public FakeClock {
 public:
  ReleasingClock(ExclusiveFileHold& hold, size_t release_on) : hold_(hold), release_on_(release_on) {}
  void Sleep(int milliseconds) override {
    FakeClock::Sleep(milliseconds);
    if (sleeps.size() == release_on_) hold_.Release();
  }

 private:
  ExclusiveFileHold& hold_;
  size_t release_on_;
};

class LockedLogTest : public LogTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(TManagedLogFile::Write(ltError, "primera"));
    before_ = LogBytes();
  }
  std::string before_;
};

TEST_F(LockedLogTest, AFileHeldByAnotherWriterIsTriedFourTimesThenTheEntryIsLost) {
  ExclusiveFileHold hold(LogPath());
  ASSERT_TRUE(hold.held());
  fake_.clock->sleeps.clear();

  EXPECT_FALSE(TManagedLogFile::Write(ltError, "segunda"));

  EXPECT_EQ(fake_.clock->sleeps, (std::vector<int>{100, 100, 100}));
  hold.Release();
  EXPECT_EQ(LogBytes(), before_);
}

TEST_F(LockedLogTest, AFileReleasedBeforeTheFourthAttemptGetsTheLine) {
  ExclusiveFileHold hold(LogPath());
  ASSERT_TRUE(hold.held());
  auto previous = fake_.machine->ReplaceClock(std::make_unique<ReleasingClock>(hold, 3));

  EXPECT_TRUE(TManagedLogFile::Write(ltError, "segunda"));

  EXPECT_EQ(LogLines().back(), Line("#EXCEP", "segunda"));
  fake_.machine->ReplaceClock(std::move(previous));
}

TEST_F(LockedLogTest, TheHoldKeepsOtherHoldersOut) {
  ExclusiveFileHold first(LogPath());
  ExclusiveFileHold second(LogPath());
  EXPECT_TRUE(first.held());
  EXPECT_FALSE(second.held());
  EXPECT_FALSE(AppendExclusive(LogPath(), "x", AppendOpenMode::kOpenExisting));
}

// --- settings from Log.Ini ----------------------------------------------------

TEST_F(LogWriterTest, DebugActivoZeroWritesNothingAtAll) {
  WriteGlobal({"Debug_Activo=0", "Archivo_Texto_Nivel=4095"});
  EXPECT_FALSE(TManagedLogFile::Write(ltForced, "forzado"));
  EXPECT_FALSE(TManagedLogFile::Write(ltError, "error"));
  EXPECT_EQ(LogBytes(), "");
  std::error_code error;
  EXPECT_FALSE(std::filesystem::exists(ToFsPath(LogsFolder()), error));
}

TEST_F(LogWriterTest, DebugActivoReadingRule) {
  const struct {
    const char* line;
    bool active;
  } cases[] = {
      {"Debug_Activo=1", true},     {"Debug_Activo=0", false},    {"Debug_Activo=false", false},
      {"Debug_Activo=TRUE", true},  {"Debug_Activo=-1", true},    {"Debug_Activo=", true},
      {"Debug_Activo=no sé", true}, {"; Debug_Activo=0", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    testing_hooks::ResetLogState();
    WriteGlobal({c.line});
    EXPECT_EQ(TManagedLogFile::Write(ltError, "e"), c.active);
  }
}

TEST_F(LogWriterTest, LogIniEditedDuringARunTakesEffectInTheNextRun) {
  EXPECT_FALSE(TManagedLogFile::Write(ltAudit, "antes"));
  WriteGlobal({"Archivo_Texto_Nivel=4"});
  EXPECT_FALSE(TManagedLogFile::Write(ltAudit, "durante"));
  EXPECT_EQ(LogBytes(), "");

  testing_hooks::ResetLogState();  // a new run
  EXPECT_TRUE(TManagedLogFile::Write(ltAudit, "después"));
}

TEST_F(LogWriterTest, DirectoryAndFileNameSettings) {
  const std::string custom = temp_.File("Registros");
  const struct {
    std::string line;
    std::string expected_file;
    std::string created_folder;
  } cases[] = {
      // Joined as written: no trailing separator puts the file beside the folder.
      {"Archivo_Texto_Directorio=" + custom + "/", custom + "/HotFix.log", custom},
      {"Archivo_Texto_Directorio=" + custom, custom + "HotFix.log", custom},
      {"Archivo_Texto_Directorio=", LogPath(), LogsFolder()},
      {"Archivo_Texto_Directorio=   ", LogPath(), LogsFolder()},
      // Values keep every character, ";" included.
      {"Archivo_Texto_Directorio=" + custom + ";2026/", custom + ";2026/HotFix.log",
       custom + ";2026"},
      {"Archivo_Texto_Nombre=Instalador;HF.txt", LogsFolder() + "Instalador;HF.txt", LogsFolder()},
      {"Archivo_Texto_Nombre=", LogPath(), LogsFolder()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    testing_hooks::ResetLogState();
    std::filesystem::remove_all(ToFsPath(program_data_));
    std::filesystem::remove_all(ToFsPath(temp_.path()));
    WriteGlobal({c.line});

    EXPECT_TRUE(TManagedLogFile::Write(ltError, "dónde"));

    std::error_code error;
    EXPECT_TRUE(std::filesystem::is_directory(ToFsPath(c.created_folder), error));
    ASSERT_TRUE(std::filesystem::exists(ToFsPath(c.expected_file), error));
    EXPECT_EQ(SplitLines(Cp1252ToUtf8(ReadBytes(c.expected_file))).back(),
              Line("#EXCEP", "dónde"));
  }
}

TEST_F(LogWriterTest, AllEntriesOfARunShareTheThreadIdentifierAndANewRunGetsItsOwn) {
  EXPECT_TRUE(TManagedLogFile::Write(ltError, "uno"));
  const std::string first_id = LogThreadIdentifier(fake_.clock->now);
  fake_.clock->Advance(5000);
  EXPECT_TRUE(TManagedLogFile::Write(ltError, "dos"));
  EXPECT_EQ(LogLines().back(), "2026/12/11 10:30:05:000 | " + first_id + " | #EXCEP | dos");

  testing_hooks::ResetLogState();
  EXPECT_TRUE(TManagedLogFile::Write(ltError, "tres"));
  EXPECT_EQ(LogLines().back(), "2026/12/11 10:30:05:000 | 437557 | #EXCEP | tres");
}

class FailingRegistry : public FakeRegistry {
 public:
  std::optional<RegistryValue> ReadValue(std::string_view, std::string_view) override {
    throw EOSError("El registro no responde.");
  }
};

TEST(LogWriterFailures, APortThatRaisesGivesFalseNotAnException) {
  Machine::Ports ports;
  ports.registry = std::make_unique<FailingRegistry>();
  ports.processes = std::make_unique<FakeProcesses>();
  ports.system_info = std::make_unique<FakeSystemInfo>();
  ports.clock = std::make_unique<FakeClock>();
  ScopedCurrentMachine scoped(std::make_shared<Machine>(std::move(ports)));
  testing_hooks::ResetLogState();

  EXPECT_FALSE(TManagedLogFile::Write(ltForced, "sin registro"));
  EXPECT_FALSE(TManagedLogFile::WriteResult(ltForced, "sin registro", true));
  EXPECT_FALSE(TManagedLogFile::WriteException(ltForced, "sin registro", Exception("x")));
  testing_hooks::ResetLogState();
}

TEST(LogThreadIdentifier, IsTheFractionOfTheDayInMillionths) {
  const struct {
    int h, m, s, ms;
    const char* expected;
  } cases[] = {
      {0, 0, 0, 0, "0"},      {0, 0, 0, 86, "0"},       {0, 0, 0, 87, "1"},
      {0, 0, 0, 432, "5"},    {10, 30, 0, 0, "437500"}, {12, 0, 0, 0, "500000"},
      {23, 59, 59, 999, "999999"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LogThreadIdentifier(DateTime{2026, 1, 2, c.h, c.m, c.s, c.ms}), c.expected);
  }
}

TEST(WindowsVersionName, FollowsPlatformAndVersion) {
  using P = OsVersion::Platform;
  const struct {
    OsVersion os;
    const char* name;
  } cases[] = {
      {{P::kWindows9x, 4, 0, ""}, "Win95"},      {{P::kWindows9x, 4, 0, " B "}, "Win95OSR2"},
      {{P::kWindows9x, 4, 10, ""}, "Win98"},     {{P::kWindows9x, 4, 10, "A"}, "Win98SE"},
      {{P::kWindows9x, 4, 89, "B"}, "Win98"},    {{P::kWindows9x, 4, 90, ""}, "WinME"},
      {{P::kWindows9x, 4, 91, ""}, "Unknown"},   {{P::kNt, 3, 1, ""}, "WinNT31"},
      {{P::kNt, 3, 5, ""}, "WinNT35"},           {{P::kNt, 3, 51, ""}, "WinNT351"},
      {{P::kNt, 3, 2, ""}, "Unknown"},           {{P::kNt, 4, 0, ""}, "WinNT4"},
      {{P::kNt, 5, 0, ""}, "Win2000"},           {{P::kNt, 5, 1, "Service Pack 3"}, "WinXP"},
      {{P::kNt, 5, 2, ""}, "Win2003"},           {{P::kNt, 5, 3, ""}, "Unknown"},
      {{P::kNt, 6, 3, ""}, "WinVista"},          {{P::kNt, 10, 0, ""}, "Unknown"},
      {{P::kWin32s, 3, 1, ""}, "Unknown"},       {{P::kOther, 5, 1, ""}, "Unknown"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WindowsVersionName(c.os), c.name)
        << c.os.major << "." << c.os.minor << " '" << c.os.service_pack << "'";
  }
}

TEST(LogTypeNames, RoundTripAndUnknownNames) {
  for (int i = 0; i < kLogTypeCount; ++i) {
    const auto level = static_cast<TLogType>(i);
    EXPECT_EQ(LogTypeFromName(LogTypeName(level)), level);
  }
  EXPECT_EQ(LogTypeFromName("LTAUDIT"), ltAudit);
  EXPECT_EQ(LogTypeFromName("ltNada"), std::nullopt);
}

}  // namespace
}  // namespace hotfix::testing
