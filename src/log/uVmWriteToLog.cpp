#include "log/uVmWriteToLog.h"

#include <filesystem>
#include <map>
#include <utility>
#include <vector>
#include <system_error>

#include "base/codepage.h"
#include "base/exception.h"
#include "base/format.h"
#include "base/paths.h"
#include "base/string_list.h"
#include "base/text.h"
#include "log/exclusive_file.h"
#include "log/uLogIni.h"
#include "log/uVmPaths.h"
#include "sysenv/ports/machine.h"

namespace hotfix {
namespace {

struct LevelInfo {
  std::string_view name;
  std::string_view tag;
  uint32_t bit;
};

constexpr LevelInfo kLevels[kLogTypeCount] = {
    {"ltForced", "FORZADO", 0},      {"ltFail", "#FALLA", 1},
    {"ltError", "#EXCEP", 1},        {"ltStart", "INICIO", 2},
    {"ltDown", "SALIDA", 2},         {"ltAudit", "T_AUDI", 4},
    {"ltMsg", "T_MNSJ", 8},          {"ltTCPIP", "TCP/IP", 16},
    {"ltTech", "T_TECH", 32},        {"ltTime", "T_TIME", 64},
    {"ltTermLogIn", "E_TERM", 128},  {"ltAppIn", "E_APLC", 256},
    {"ltUserLogin", "E_USUA", 512},  {"ltCoLogin", "E_EMPR", 1024},
    {"ltCoLogOff", "S_EMPR", 1024},  {"ltUserLogOff", "S_USUA", 512},
    {"ltAppOff", "S_APLC", 256},     {"ltTermLogOff", "S_TERM", 128},
    {"ltEventViewer", "", 2048},
};

constexpr int kAppendAttempts = 4;
constexpr int kRetryWaitMs = 100;
constexpr size_t kHeaderRuleWidth = 50;

// Keys of the per-thread store.
constexpr std::string_view kStoreInitialized = "Initialized";
constexpr std::string_view kStoreTextWriter = "TextWriter";
constexpr std::string_view kStoreThreadId = "ThreadID";
constexpr std::string_view kStorePath = "Path";
constexpr std::string_view kStoreFileName = "FileName";
constexpr std::string_view kStoreProcessId = "IDProceso";
constexpr std::string_view kStoreUserName = "CurrentUserName";

// What a thread keeps between entries: its settings text, its identifier and
// whether they are loaded. Values are kept whole, whatever they hold.
class ThreadLogStore {
 public:
  std::string Get(std::string_view key) const {
    const auto it = values_.find(key);
    return it == values_.end() ? std::string() : it->second;
  }
  void Set(std::string_view key, std::string value) {
    values_.insert_or_assign(std::string(key), std::move(value));
  }
  void Clear() { values_.clear(); }

 private:
  std::map<std::string, std::string, std::less<>> values_;
};

thread_local ThreadLogStore t_store;

bool FileExists(const std::string& path) {
  std::error_code error;
  return std::filesystem::exists(ToFsPath(path), error);
}

bool ParseInt32(std::string_view text, int32_t& value) {
  long long parsed = 0;
  if (!TryParseInt(text, parsed) || parsed < INT32_MIN || parsed > INT32_MAX) return false;
  value = static_cast<int32_t>(parsed);
  return true;
}

// Settings text read as name=value lines; names compare without regard to
// case and the first line of a name wins.
class SettingLines {
 public:
  explicit SettingLines(std::string_view text) {
    for (const std::string& line : SplitLines(text)) {
      const size_t eq = line.find('=');
      if (eq == std::string::npos) continue;
      lines_.emplace_back(AnsiUpperCase(std::string_view(line).substr(0, eq)), line.substr(eq + 1));
    }
  }

  const std::string* Find(std::string_view name) const {
    const std::string folded = AnsiUpperCase(name);
    for (const auto& [key, value] : lines_) {
      if (key == folded) return &value;
    }
    return nullptr;
  }
  std::string Value(std::string_view name) const {
    const std::string* value = Find(name);
    return value ? *value : std::string();
  }
  int32_t Integer(std::string_view name, int32_t fallback) const {
    int32_t value = 0;
    return ParseInt32(Value(name), value) ? value : fallback;
  }
  // A number (non-zero is true) or True/False in any letter case.
  bool Boolean(std::string_view name, bool fallback) const {
    const std::string* value = Find(name);
    if (!value) return fallback;
    const std::string text = Trim(*value);
    int32_t number = 0;
    if (ParseInt32(text, number)) return number != 0;
    if (SameText(text, "True")) return true;
    if (SameText(text, "False")) return false;
    return fallback;
  }

 private:
  std::vector<std::pair<std::string, std::string>> lines_;
};

StringList LinesOf(std::string_view text) {
  StringList lines;
  lines.SetText(text);
  return lines;
}

// Loads the calling thread's settings on its first entry: "Log.Ini" is read
// once per thread, so edits to it apply from the next run on.
void InitializeThread() {
  if (t_store.Get(kStoreInitialized) == "S") return;
  const TLogFile defaults;
  TLogIni ini(t_store.Get(kStoreFileName), t_store.Get(kStoreProcessId),
              [&defaults] { return defaults.DefaultSettingsText(); });
  std::string settings = ini.ObtenerConfiguracion();
  std::string thread_id = LogThreadIdentifier(CurrentMachine().clock().Now());
  t_store.Set(kStoreTextWriter, std::move(settings));
  t_store.Set(kStoreThreadId, std::move(thread_id));
  t_store.Set(kStoreInitialized, "S");
}

RParamLogFile ParamsFromStore() {
  RParamLogFile params;
  params.Path = t_store.Get(kStorePath);
  params.FileName = t_store.Get(kStoreFileName);
  params.IDProceso = t_store.Get(kStoreProcessId);
  params.CurrentUserName = t_store.Get(kStoreUserName);
  params.TextWriter = t_store.Get(kStoreTextWriter);
  params.ThreadID = t_store.Get(kStoreThreadId);
  return params;
}

bool WriteToThreadLog(TLogType level, std::string_view text) {
  InitializeThread();
  TParametrizedLogFile log(ParamsFromStore());
  return log.Write(level, text);
}

}  // namespace

// --- levels -------------------------------------------------------------------

std::string_view LogTypeTag(TLogType level) { return kLevels[level].tag; }
uint32_t LogTypeBit(TLogType level) { return kLevels[level].bit; }
std::string_view LogTypeName(TLogType level) { return kLevels[level].name; }

std::optional<TLogType> LogTypeFromName(std::string_view name) {
  for (int i = 0; i < kLogTypeCount; ++i) {
    if (SameText(kLevels[i].name, name)) return static_cast<TLogType>(i);
  }
  return std::nullopt;
}

bool LevelPasses(int32_t level_mask, TLogType level) {
  const uint32_t bit = LogTypeBit(level);
  return (static_cast<uint32_t>(level_mask) & bit) == bit;
}

std::string WindowsVersionName(const OsVersion& version) {
  switch (version.platform) {
    case OsVersion::Platform::kWindows9x: {
      const std::string service_pack = Trim(version.service_pack);
      if (version.minor < 10) return service_pack == "B" ? "Win95OSR2" : "Win95";
      if (version.minor < 90) return service_pack == "A" ? "Win98SE" : "Win98";
      if (version.minor == 90) return "WinME";
      return "Unknown";
    }
    case OsVersion::Platform::kNt:
      if (version.major == 3) {
        if (version.minor == 1) return "WinNT31";
        if (version.minor == 5) return "WinNT35";
        if (version.minor == 51) return "WinNT351";
        return "Unknown";
      }
      if (version.major == 4) return "WinNT4";
      if (version.major == 5) {
        if (version.minor == 0) return "Win2000";
        if (version.minor == 1) return "WinXP";
        if (version.minor == 2) return "Win2003";
        return "Unknown";
      }
      if (version.major == 6) return "WinVista";
      return "Unknown";
    default:
      return "Unknown";
  }
}

std::string LogThreadIdentifier(const DateTime& now) {
  const long long ms_of_day =
      ((now.hour * 60LL + now.minute) * 60LL + now.second) * 1000LL + now.millisecond;
  // fraction of the day * 1,000,000 = ms * 1,000,000 / 86,400,000
  return std::to_string(ms_of_day * 10 / 864);
}

// --- settings -----------------------------------------------------------------

std::string TPropertyWriter::SaveToText() const {
  StringList lines;
  lines.Add(std::string(kKeyLevel) + "=" + std::to_string(level_mask));
  lines.Add(std::string(kKeyShowUser) + "=" + (show_user ? "-1" : "0"));
  return lines.Text();
}

void TPropertyWriter::LoadFromText(std::string_view text) {
  const SettingLines lines(text);
  level_mask = lines.Integer(kKeyLevel, 1);
  show_user = lines.Boolean(kKeyShowUser, false);
  thread_id = lines.Value(kKeyThreadId);
}

std::string TPropertyTextWriter::ResolvedDirectory() const {
  if (!TrimView(directory).empty()) return directory;
  return TVmPaths::GetDataFolder("Logs");
}

std::string TPropertyTextWriter::ResolvedFileName() const {
  if (!TrimView(file_name).empty()) return file_name;
  const std::string program = CurrentMachine().processes().CurrentProgramPath();
  return ChangeFileExt(ExtractFileName(program), ".log");
}

std::string TPropertyTextWriter::SaveToText() const {
  StringList lines = LinesOf(TPropertyWriter::SaveToText());
  lines.Add(std::string(kKeyMaxSize) + "=" + std::to_string(max_size_kb));
  lines.Add(std::string(kKeyDirectory) + "=" + ResolvedDirectory());
  lines.Add(std::string(kKeyFileName) + "=" + ResolvedFileName());
  lines.Add(std::string(kKeyIndentation) + "=\"" + indentation + "\"");
  return lines.Text();
}

void TPropertyTextWriter::LoadFromText(std::string_view text) {
  TPropertyWriter::LoadFromText(text);
  const SettingLines lines(text);
  max_size_kb = lines.Integer(kKeyMaxSize, 1024);
  if (std::string value = lines.Value(kKeyDirectory); !value.empty()) directory = value;
  if (TrimView(directory).empty()) directory.clear();
  if (std::string value = lines.Value(kKeyFileName); !value.empty()) file_name = value;
  if (TrimView(file_name).empty()) file_name.clear();
  if (const std::string* value = lines.Find(kKeyIndentation)) indentation = *value;
}

// --- text writer --------------------------------------------------------------

TTextWriter::TTextWriter() : settings_(std::make_unique<TPropertyTextWriter>()) {}

std::string TTextWriter::FormatLine(TLogType level, std::string_view text) {
  TPropertyTextWriter& s = *settings_;
  if (level == ltStart) ++s.depth;
  std::string line = FormatLogTimestamp(CurrentMachine().clock().Now());
  line += " | ";
  if (s.show_program) {
    line += ExtractFileName(CurrentMachine().processes().CurrentProgramPath()) + " | ";
  }
  if (s.show_user && !user_name.empty()) line += user_name + " | ";
  line += s.thread_id;
  line += " | ";
  line += LogTypeTag(level);
  line += " | ";
  for (int32_t i = 0; i < s.depth; ++i) line += s.indentation;
  line += text;
  if (level == ltDown) --s.depth;
  return line;
}

bool TTextWriter::WriteEntry(TLogType level, std::string_view text) {
  try {
    const std::string directory = settings_->ResolvedDirectory();
    const std::string name = settings_->ResolvedFileName();
    const std::string path = directory + name;
    RotateIfTooLarge(directory, name);
    if (!FileExists(path)) WriteHeader(directory, path);
    if (TrimView(text).empty()) return false;
    return AppendLine(directory, path, FormatLine(level, text));
  } catch (...) {
    return false;
  }
}

void TTextWriter::RotateIfTooLarge(const std::string& directory, const std::string& name) {
  if (settings_->max_size_kb <= 0) return;
  const std::filesystem::path path = ToFsPath(directory + name);
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  if (error || static_cast<double>(size) / 1024.0 <= settings_->max_size_kb) return;
  const std::filesystem::path backup = ToFsPath(directory + ChangeFileExt(name, ".bak"));
  std::filesystem::remove(backup, error);
  std::filesystem::rename(path, backup, error);
}

void TTextWriter::WriteHeader(const std::string& directory, const std::string& path) {
  Machine& machine = CurrentMachine();
  const std::string rule(kHeaderRuleWidth, '*');
  const std::string lines[] = {
      rule,
      Format("%-15s %s", "File:", machine.processes().CurrentProgramPath()),
      Format("%-15s %s", "File Version:", machine.system_info().ProgramVersion()),
      Format("%-15s %s", "OS Version:", WindowsVersionName(machine.system_info().GetOsVersion())),
      rule,
  };
  for (const std::string& line : lines) AppendLine(directory, path, FormatLine(ltAudit, line));
}

bool TTextWriter::AppendLine(const std::string& directory, const std::string& path,
                             const std::string& line) {
  if (!directory.empty()) {
    std::error_code error;
    std::filesystem::create_directories(ToFsPath(ExcludeTrailingPathDelimiter(directory)), error);
    if (error) return false;
  }
  const AppendOpenMode mode =
      FileExists(path) ? AppendOpenMode::kOpenExisting : AppendOpenMode::kCreate;
  const std::string bytes = Utf8ToCp1252(line) + "\r\n";
  Clock& clock = CurrentMachine().clock();
  for (int attempt = 1;; ++attempt) {
    if (AppendExclusive(path, bytes, mode)) return true;
    if (attempt == kAppendAttempts) return false;
    clock.Sleep(kRetryWaitMs);
  }
}

// --- log files ----------------------------------------------------------------

TLogFile::TLogFile() = default;

bool TLogFile::Write(TLogType level, std::string_view text) {
  if (!active_) return false;
  if (!LevelPasses(writer_.settings().level_mask, level)) return false;
  return writer_.WriteEntry(level, text);
}

std::string TLogFile::DefaultSettingsText() const {
  StringList lines = LinesOf(writer_.settings().SaveToText());
  lines.SetValue(kKeyFileName, " ");
  return lines.Text();
}

TParametrizedLogFile::TParametrizedLogFile(const RParamLogFile& params) {
  settings_pending_ = false;
  TPropertyTextWriter& settings = writer_.settings();
  if (!TrimView(params.Path).empty()) {
    const std::string folder = ExtractFilePath(params.Path);
    if (!folder.empty()) settings.directory = folder;
  }
  if (const std::string name = ExtractFileName(params.FileName); !TrimView(name).empty()) {
    settings.file_name = name;
  }
  process_id_ = params.IDProceso;
  thread_id_ = params.ThreadID;
  writer_.user_name = params.CurrentUserName;
  settings.LoadFromText(params.TextWriter + "\r\n" + std::string(kKeyThreadId) + "=" +
                        params.ThreadID);
  active_ = SettingLines(params.TextWriter).Boolean(kKeyLogActive, true);
}

// --- entry points -------------------------------------------------------------

bool TManagedLogFile::Write(TLogType level, std::string_view text) noexcept {
  try {
    return WriteToThreadLog(level, text);
  } catch (...) {
    return false;
  }
}

bool TManagedLogFile::WriteException(TLogType level, std::string_view text,
                                     const std::exception& error) noexcept {
  try {
    const std::string entry = std::string(text) + "(Excepción: " + ExceptionClassName(error) +
                              " - " + error.what() + ")";
    return WriteToThreadLog(level, entry);
  } catch (...) {
    return false;
  }
}

bool TManagedLogFile::WriteResult(TLogType level, std::string_view text, bool result) noexcept {
  try {
    return WriteToThreadLog(level, Format("%s     --> Result = %s", text, BoolText(result)));
  } catch (...) {
    return false;
  }
}

namespace testing_hooks {
void ResetLogState() {
  t_store.Clear();
  TVmPaths::ResetCache();
}
}  // namespace testing_hooks

}  // namespace hotfix
