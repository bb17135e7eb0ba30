// Cost of a log entry: an enabled entry against a bare open-append-close of
// the same line in the same run, and an entry the level mask filters out.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

#include "base/codepage.h"
#include "base/paths.h"
#include "log/exclusive_file.h"
#include "log/uVmWriteToLog.h"
#include "support/fake_machine.h"
#include "support/temp_dir.h"

namespace hotfix {
namespace {

constexpr char kText[] = "THotFixManager.InstalarHotfixsEnLlaves: copiando Configuración.dll";

// A fake machine whose data folder is a temporary folder; "Log.Ini" gets
// created with the defaults (only errors written) on the first entry.
class BenchMachine {
 public:
  BenchMachine() : fake_(testing::MakeFakeMachine()), scoped_(fake_.machine) {
    fake_.registry->SetString(
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
        "Common AppData", temp_.path());
    testing_hooks::ResetLogState();
  }
  ~BenchMachine() { testing_hooks::ResetLogState(); }

  std::string File(std::string_view name) const { return temp_.File(name); }
  // The bytes the writer appends for one entry of kText.
  std::string LineBytes() const {
    return Utf8ToCp1252(FormatLogTimestamp(fake_.clock->now) + " | " +
                        LogThreadIdentifier(fake_.clock->now) + " | #EXCEP | " + kText) +
           "\r\n";
  }

 private:
  testing::TempDir temp_;
  testing::FakeMachine fake_;
  ScopedCurrentMachine scoped_;
};

void BM_BareOpenAppendClose(benchmark::State& state) {
  BenchMachine machine;
  const std::string path = machine.File("bare.log");
  const std::string line = machine.LineBytes();
  for (auto _ : state) {
    std::FILE* file = std::fopen(path.c_str(), "ab");
    std::fwrite(line.data(), 1, line.size(), file);
    std::fclose(file);
  }
}
BENCHMARK(BM_BareOpenAppendClose);

void BM_ExclusiveAppend(benchmark::State& state) {
  BenchMachine machine;
  const std::string path = machine.File("exclusive.log");
  const std::string line = machine.LineBytes();
  AppendExclusive(path, line, AppendOpenMode::kCreate);
  for (auto _ : state) {
    benchmark::DoNotOptimize(AppendExclusive(path, line, AppendOpenMode::kOpenExisting));
  }
}
BENCHMARK(BM_ExclusiveAppend);

void BM_EnabledEntry(benchmark::State& state) {
  BenchMachine machine;
  TManagedLogFile::Write(ltError, kText);  // reads Log.Ini, writes the header
  for (auto _ : state) {
    if (!TManagedLogFile::Write(ltError, kText)) state.SkipWithError("entry not written");
  }
}
BENCHMARK(BM_EnabledEntry);

void BM_FilteredOutEntry(benchmark::State& state) {
  BenchMachine machine;
  TManagedLogFile::Write(ltError, kText);
  for (auto _ : state) {
    if (TManagedLogFile::Write(ltAudit, kText)) state.SkipWithError("entry written");
  }
}
BENCHMARK(BM_FilteredOutEntry);

}  // namespace
}  // namespace hotfix

BENCHMARK_MAIN();
