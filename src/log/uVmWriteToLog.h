#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/date_time.h"
#include "sysenv/ports/system_info.h"

namespace hotfix {

// Log levels. Each has the tag written into its lines and the bit of the level
// mask that lets it through; pairs (log-in and log-off, start and exit, fail
// and error) share a bit.
enum TLogType : uint8_t {
  ltForced = 0,  // always written
  ltFail,
  ltError,
  ltStart,
  ltDown,
  ltAudit,
  ltMsg,
  ltTCPIP,
  ltTech,
  ltTime,
  ltTermLogIn,
  ltAppIn,
  ltUserLogin,
  ltCoLogin,
  ltCoLogOff,
  ltUserLogOff,
  ltAppOff,
  ltTermLogOff,
  ltEventViewer,
};
inline constexpr int kLogTypeCount = ltEventViewer + 1;

std::string_view LogTypeTag(TLogType level);
uint32_t LogTypeBit(TLogType level);
// The level's identifier ("ltError"); LogTypeFromName is its inverse.
std::string_view LogTypeName(TLogType level);
std::optional<TLogType> LogTypeFromName(std::string_view name);
// Whether a mask lets the level through: all of the level's bits are set.
bool LevelPasses(int32_t level_mask, TLogType level);

// The name of the Windows version for the log header ("WinXP", "WinVista",
// "Unknown"...).
std::string WindowsVersionName(const OsVersion& version);

// The writer's thread identifier at a local time: the fraction of the day
// times 1,000,000, truncated ("0" to "999999").
std::string LogThreadIdentifier(const DateTime& now);

// Keys of the settings text (name=value lines).
inline constexpr std::string_view kKeyLevel = "Archivo_Texto_Nivel";
inline constexpr std::string_view kKeyShowUser = "Archivo_Texto_Mostrar_Usuario";
inline constexpr std::string_view kKeyThreadId = "ThreadID";
inline constexpr std::string_view kKeyMaxSize = "Archivo_Texto_Tamaño_Maximo";
inline constexpr std::string_view kKeyDirectory = "Archivo_Texto_Directorio";
inline constexpr std::string_view kKeyFileName = "Archivo_Texto_Nombre";
inline constexpr std::string_view kKeyIndentation = "Archivo_Texto_Identacion";
inline constexpr std::string_view kKeyLogActive = "Debug_Activo";

// The level-independent settings of a writer.
class TPropertyWriter {
 public:
  virtual ~TPropertyWriter() = default;

  bool show_user = false;
  bool show_program = false;  // no setting key sets it
  int32_t level_mask = 1;
  std::string thread_id;

  // The settings as name=value lines, each ended by CR LF.
  virtual std::string SaveToText() const;
  // Reads the settings from such lines; unreadable values take their defaults.
  virtual void LoadFromText(std::string_view text);
};

// The settings of a text-file writer. A blank directory or file name stands
// for the default, resolved when it is used: the maker's "Logs" folder and
// the running program's name with ".log".
class TPropertyTextWriter : public TPropertyWriter {
 public:
  std::string directory;  // joined to the file name as written
  int32_t max_size_kb = 1024;
  std::string file_name;
  std::string indentation = " ";
  int32_t depth = -1;

  std::string ResolvedDirectory() const;
  std::string ResolvedFileName() const;

  std::string SaveToText() const override;
  void LoadFromText(std::string_view text) override;
};

// A writer of log entries.
class TWriterLog {
 public:
  virtual ~TWriterLog() = default;
  std::string user_name;
  // Writes one entry; true when its line was appended.
  virtual bool WriteEntry(TLogType level, std::string_view text) = 0;
};

// Writes entries to a text file: moves a file over its maximum size to
// ".bak", starts a new file with the header block, appends one line per entry.
class TTextWriter : public TWriterLog {
 public:
  TTextWriter();
  TPropertyTextWriter& settings() { return *settings_; }
  const TPropertyTextWriter& settings() const { return *settings_; }

  bool WriteEntry(TLogType level, std::string_view text) override;
  // The line of an entry, without its line break. Changes the nesting depth
  // for ltStart and ltDown entries.
  std::string FormatLine(TLogType level, std::string_view text);

 private:
  void RotateIfTooLarge(const std::string& directory, const std::string& name);
  void WriteHeader(const std::string& directory, const std::string& path);
  bool AppendLine(const std::string& directory, const std::string& path, const std::string& line);

  std::unique_ptr<TPropertyTextWriter> settings_;
};

// What a parametrized log file is built from: the per-thread store's values.
struct RParamLogFile {
  std::string Path;
  std::string FileName;
  std::string IDProceso;
  std::string CurrentUserName;
  std::string TextWriter;  // the settings text
  std::string ThreadID;
};

// The front object of one entry. A plain TLogFile carries the default
// settings and serves as their provider for the log INI.
class TLogFile {
 public:
  TLogFile();
  virtual ~TLogFile() = default;
  TLogFile(const TLogFile&) = delete;
  TLogFile& operator=(const TLogFile&) = delete;

  // Writes the entry when the log is active and the level passes the mask.
  bool Write(TLogType level, std::string_view text);
  // The default settings as the log INI's [GLOBAL] section holds them: the
  // writer's settings with a blank file name.
  std::string DefaultSettingsText() const;

  bool active() const { return active_; }
  TTextWriter& writer() { return writer_; }

 protected:
  bool active_ = true;
  std::string process_id_;
  bool settings_pending_ = true;
  std::string thread_id_;
  TTextWriter writer_;
};

// A TLogFile set up from the per-thread store's values.
class TParametrizedLogFile : public TLogFile {
 public:
  explicit TParametrizedLogFile(const RParamLogFile& params);
};

// The entry points every part of the system logs through. Each call appends
// at most one line to the log file and answers whether it did; none raises.
class TManagedLogFile {
 public:
  TManagedLogFile() = delete;

  static bool Write(TLogType level, std::string_view text) noexcept;
  // text + "(Excepción: " + class name + " - " + message + ")".
  static bool WriteException(TLogType level, std::string_view text,
                             const std::exception& error) noexcept;
  // "<text>     --> Result = True|False".
  static bool WriteResult(TLogType level, std::string_view text, bool result) noexcept;
};

namespace testing_hooks {
// Forgets the calling thread's log settings and the cached data path, so the
// next entry reads "Log.Ini" again, as a new run would.
void ResetLogState();
}  // namespace testing_hooks

}  // namespace hotfix
