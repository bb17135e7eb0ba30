#include "sysenv/ports/sandbox_state.h"

#include <cstdio>
#include <functional>
#include <limits>

#include "base/ini_file.h"
#include "base/text.h"
#include "sysenv/ports/sandbox_format_error.h"

namespace hotfix {
namespace {

// ---- Reading -------------------------------------------------------------

struct RawEntry {
  std::string key;
  std::string value;  // trimmed, one pair of enclosing quotes removed
  size_t line = 0;    // index into the lines
};

struct RawSection {
  std::string name;      // as written between the brackets, trimmed
  std::string kind;      // the word before the first blank
  std::string argument;  // the rest, trimmed
  size_t line = 0;
  std::vector<RawEntry> entries;
};

std::string UnquotedValue(std::string_view value) {
  value = TrimView(value);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

// Reads values of one file, naming the file and the line in every complaint.
class Reader {
 public:
  explicit Reader(const std::string& file_name) : file_name_(file_name) {}

  [[noreturn]] void Fail(size_t line, std::string_view what) const {
    ThrowSandboxFormatError(file_name_, line + 1, what);
  }

  long long Integer(const RawEntry& entry, long long low, long long high) const {
    long long value = 0;
    if (!TryParseInt(entry.value, value) || value < low || value > high) {
      Fail(entry.line, "el valor de " + entry.key + " debe ser un número entero entre " +
                           std::to_string(low) + " y " + std::to_string(high) + " (se encontró \"" +
                           entry.value + "\")");
    }
    return value;
  }

  bool Boolean(const RawEntry& entry) const {
    if (entry.value == "1" || SameText(entry.value, "True")) return true;
    if (entry.value == "0" || SameText(entry.value, "False")) return false;
    Fail(entry.line, "el valor de " + entry.key + " debe ser 1 o 0 (se encontró \"" + entry.value +
                         "\")");
  }

  std::string Text(const RawEntry& entry) const { return entry.value; }

 private:
  const std::string& file_name_;
};

std::vector<RawSection> ReadSections(const std::vector<std::string>& lines, const Reader& reader) {
  std::vector<RawSection> sections;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string_view t = TrimView(lines[i]);
    if (t.empty() || t.front() == ';') continue;
    if (t.front() == '[') {
      const auto name = IniSectionName(t);
      if (!name || t.back() != ']') reader.Fail(i, "encabezado de sección mal formado");
      RawSection section;
      section.name = *name;
      const size_t blank = name->find(' ');
      section.kind = name->substr(0, blank);
      section.argument = blank == std::string::npos ? std::string() : Trim(name->substr(blank));
      section.line = i;
      for (const RawSection& other : sections) {
        if (SameText(other.kind, section.kind) && SameText(other.argument, section.argument)) {
          reader.Fail(i, "sección repetida [" + *name + "]");
        }
      }
      sections.push_back(std::move(section));
      continue;
    }
    if (sections.empty()) reader.Fail(i, "línea fuera de una sección");
    const size_t eq = t.find('=');
    if (eq == std::string_view::npos) reader.Fail(i, "se espera Clave=Valor");
    RawEntry entry;
    entry.key = Trim(t.substr(0, eq));
    entry.value = UnquotedValue(t.substr(eq + 1));
    entry.line = i;
    if (entry.key.empty()) reader.Fail(i, "falta la clave antes de \"=\"");
    for (const RawEntry& other : sections.back().entries) {
      if (SameText(other.key, entry.key)) reader.Fail(i, "clave repetida " + entry.key);
    }
    sections.back().entries.push_back(std::move(entry));
  }
  return sections;
}

// Dispatches the entries of a section to handlers by key.
using EntryHandler = std::function<void(const RawEntry&)>;
void ForEachEntry(const RawSection& section, const Reader& reader,
                  const std::vector<std::pair<std::string_view, EntryHandler>>& handlers) {
  for (const RawEntry& entry : section.entries) {
    bool handled = false;
    for (const auto& [key, handler] : handlers) {
      if (SameText(entry.key, key)) {
        handler(entry);
        handled = true;
        break;
      }
    }
    if (!handled) {
      reader.Fail(entry.line,
                  "clave desconocida " + entry.key + " en [" + section.name + "]");
    }
  }
}

constexpr long long kMaxUint32 = std::numeric_limits<uint32_t>::max();
constexpr long long kMaxInt32 = std::numeric_limits<int32_t>::max();
constexpr long long kMinInt32 = std::numeric_limits<int32_t>::min();

void ReadMachine(const RawSection& section, const Reader& r, SandboxMachineInfo& m) {
  ForEachEntry(section, r,
               {{"ComputerName", [&](const RawEntry& e) { m.computer_name = r.Text(e); }},
                {"CurrentUser", [&](const RawEntry& e) { m.current_user = r.Text(e); }},
                {"CurrentProcessId",
                 [&](const RawEntry& e) {
                   m.current_process_id = static_cast<uint32_t>(r.Integer(e, 0, kMaxUint32));
                 }},
                {"CurrentSession",
                 [&](const RawEntry& e) {
                   m.current_session = static_cast<uint32_t>(r.Integer(e, 0, kMaxUint32));
                 }},
                {"RemoteSession", [&](const RawEntry& e) { m.remote_session = r.Boolean(e); }},
                {"ProgramPath", [&](const RawEntry& e) { m.program_path = r.Text(e); }},
                {"TaskkillAvailable", [&](const RawEntry& e) { m.taskkill_available = r.Boolean(e); }},
                {"ComPlusAvailable", [&](const RawEntry& e) { m.com_plus_available = r.Boolean(e); }}});
}

constexpr std::pair<OsVersion::Platform, std::string_view> kPlatformNames[] = {
    {OsVersion::Platform::kNt, "NT"},
    {OsVersion::Platform::kWindows9x, "9x"},
    {OsVersion::Platform::kWin32s, "Win32s"},
    {OsVersion::Platform::kOther, "Other"},
};

std::string_view PlatformName(OsVersion::Platform platform) {
  for (const auto& [value, name] : kPlatformNames) {
    if (value == platform) return name;
  }
  return "Other";
}

void ReadSystem(const RawSection& section, const Reader& r, SandboxSystem& s) {
  ForEachEntry(
      section, r,
      {{"Platform",
        [&](const RawEntry& e) {
          for (const auto& [value, name] : kPlatformNames) {
            if (SameText(e.value, name)) {
              s.os.platform = value;
              return;
            }
          }
          r.Fail(e.line, "plataforma desconocida \"" + e.value + "\" (NT, 9x, Win32s u Other)");
        }},
       {"Major", [&](const RawEntry& e) { s.os.major = static_cast<uint32_t>(r.Integer(e, 0, 255)); }},
       {"Minor", [&](const RawEntry& e) { s.os.minor = static_cast<uint32_t>(r.Integer(e, 0, 255)); }},
       {"ServicePack", [&](const RawEntry& e) { s.os.service_pack = r.Text(e); }},
       {"TempFolder", [&](const RawEntry& e) { s.temp_folder = r.Text(e); }},
       {"SystemFolder", [&](const RawEntry& e) { s.system_folder = r.Text(e); }},
       {"SysInfoPort",
        [&](const RawEntry& e) { s.sysinfo_port = static_cast<uint16_t>(r.Integer(e, 1, 65535)); }}});
}

void ReadPairs(const RawSection& section, std::vector<std::pair<std::string, std::string>>& out) {
  for (const RawEntry& entry : section.entries) out.emplace_back(entry.key, entry.value);
}

ServiceReaction ReadReaction(const RawEntry& e, const Reader& r) {
  const auto reaction = ParseServiceReaction(e.value);
  if (!reaction) {
    r.Fail(e.line, "reacción desconocida \"" + e.value +
                       "\" en " + e.key + " (immediate, pending N, never o refuse)");
  }
  return *reaction;
}

void ReadService(const RawSection& section, const Reader& r, SandboxService& s) {
  ForEachEntry(section, r,
               {{"State", [&](const RawEntry& e) { s.state = static_cast<int>(r.Integer(e, 0, 255)); }},
                {"PendingQueries",
                 [&](const RawEntry& e) {
                   s.pending_queries = static_cast<int>(r.Integer(e, 0, kMaxInt32));
                 }},
                {"BinaryPath", [&](const RawEntry& e) { s.binary_path = r.Text(e); }},
                {"OnStop", [&](const RawEntry& e) { s.on_stop = ReadReaction(e, r); }},
                {"OnStart", [&](const RawEntry& e) { s.on_start = ReadReaction(e, r); }},
                {"OnContinue", [&](const RawEntry& e) { s.on_continue = ReadReaction(e, r); }}});
}

void ReadProcess(const RawSection& section, const Reader& r, SandboxProcess& p) {
  ForEachEntry(section, r,
               {{"Image", [&](const RawEntry& e) { p.image = r.Text(e); }},
                {"Path", [&](const RawEntry& e) { p.path = r.Text(e); }},
                {"Session",
                 [&](const RawEntry& e) { p.session = static_cast<uint32_t>(r.Integer(e, 0, kMaxUint32)); }},
                {"Owner", [&](const RawEntry& e) { p.owner = r.Text(e); }},
                {"Running", [&](const RawEntry& e) { p.running = r.Boolean(e); }}});
}

void ReadWindow(const RawSection& section, const Reader& r, SandboxWindow& w) {
  bool has_class = false;
  ForEachEntry(section, r,
               {{"Class",
                 [&](const RawEntry& e) {
                   w.window_class = r.Text(e);
                   has_class = !w.window_class.empty();
                 }},
                {"SurvivesCloseRequests",
                 [&](const RawEntry& e) {
                   w.survives_close_requests = static_cast<int>(r.Integer(e, 0, kMaxInt32));
                 }},
                {"CloseRequests",
                 [&](const RawEntry& e) { w.close_requests = static_cast<int>(r.Integer(e, 0, kMaxInt32)); }},
                {"Open", [&](const RawEntry& e) { w.open = r.Boolean(e); }}});
  if (!has_class) r.Fail(section.line, "falta Class en [" + section.name + "]");
}

void ReadComPlusApplication(const RawSection& section, const Reader& r, SandboxComPlusApplication& a) {
  bool has_name = false;
  std::vector<std::pair<std::string_view, EntryHandler>> handlers = {
      {"Roles",
       [&](const RawEntry& e) {
         a.roles.clear();
         for (const std::string& role : Split(e.value, ',')) {
           if (!Trim(role).empty()) a.roles.push_back(Trim(role));
         }
       }},
      {"Running", [&](const RawEntry& e) { a.running = r.Boolean(e); }},
  };
  for (const ComPlusPropertySpec& spec : ComPlusPropertySpecs()) {
    handlers.emplace_back(spec.name, [&, spec](const RawEntry& e) {
      CatalogValue value;
      if (std::holds_alternative<bool>(spec.default_value)) {
        value = r.Boolean(e);
      } else if (std::holds_alternative<int64_t>(spec.default_value)) {
        value = static_cast<int64_t>(r.Integer(e, kMinInt32, kMaxInt32));
      } else {
        value = r.Text(e);
      }
      a.SetProperty(spec.name, value);
      if (spec.name == "Name") has_name = !e.value.empty();
    });
  }
  ForEachEntry(section, r, handlers);
  if (!has_name) r.Fail(section.line, "falta Name en [" + section.name + "]");
}

void ReadConfigurationAnswer(const RawSection& section, const Reader& r, ConfigurationServerAnswer& a,
                             bool* available) {
  std::vector<std::pair<std::string_view, EntryHandler>> handlers = {
      {"Result", [&](const RawEntry& e) { a.result = static_cast<int32_t>(r.Integer(e, kMinInt32, kMaxInt32)); }},
      {"LastError", [&](const RawEntry& e) { a.last_error = r.Text(e); }},
  };
  if (available != nullptr) {
    handlers.emplace_back("Available", [&](const RawEntry& e) { *available = r.Boolean(e); });
  }
  ForEachEntry(section, r, handlers);
}

uint64_t SectionNumber(const RawSection& section, const Reader& r, long long high) {
  long long value = 0;
  if (!TryParseInt(section.argument, value) || value < 0 || value > high) {
    r.Fail(section.line, "[" + section.name + "] debe llevar un número después de " + section.kind);
  }
  return static_cast<uint64_t>(value);
}

// ---- Writing -------------------------------------------------------------

std::string Flag(bool value) { return value ? "1" : "0"; }

// A value as the file must hold it to read back the same: reading trims
// blanks and removes one pair of enclosing quotes, so such a value gets a
// pair of double quotes around it.
std::string IniValueText(std::string_view value) {
  const bool blank_edge = !value.empty() && (static_cast<unsigned char>(value.front()) <= 32 ||
                                             static_cast<unsigned char>(value.back()) <= 32);
  const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                      value.back() == value.front();
  if (!blank_edge && !quoted) return std::string(value);
  return "\"" + std::string(value) + "\"";
}

void AddLine(std::vector<std::string>& lines, std::string_view key, std::string_view value) {
  lines.push_back(std::string(key) + "=" + IniValueText(value));
}

void AddSection(std::vector<std::string>& lines, std::string_view name) {
  if (!lines.empty()) lines.emplace_back();
  lines.push_back("[" + std::string(name) + "]");
}

}  // namespace

std::string FormatServiceReaction(const ServiceReaction& reaction) {
  switch (reaction.kind) {
    case ServiceReaction::Kind::kImmediate: return "immediate";
    case ServiceReaction::Kind::kPending: return "pending " + std::to_string(reaction.queries);
    case ServiceReaction::Kind::kNever: return "never";
    case ServiceReaction::Kind::kRefuse: return "refuse";
  }
  return "immediate";
}

std::optional<ServiceReaction> ParseServiceReaction(std::string_view text) {
  const std::string_view t = TrimView(text);
  if (SameText(t, "immediate")) return ServiceReaction{ServiceReaction::Kind::kImmediate, 0};
  if (SameText(t, "never")) return ServiceReaction{ServiceReaction::Kind::kNever, 0};
  if (SameText(t, "refuse")) return ServiceReaction{ServiceReaction::Kind::kRefuse, 0};
  if (StartsText("pending ", t)) {
    long long queries = 0;
    if (TryParseInt(t.substr(8), queries) && queries >= 0 && queries <= kMaxInt32) {
      return ServiceReaction{ServiceReaction::Kind::kPending, static_cast<int>(queries)};
    }
  }
  return std::nullopt;
}

const std::vector<ComPlusPropertySpec>& ComPlusPropertySpecs() {
  static const std::vector<ComPlusPropertySpec> specs = {
      {"ID", std::string()},
      {"Name", std::string()},
      {"Description", std::string()},
      {"IsEnabled", true},
      {"ApplicationAccessChecksEnabled", false},
      {"AccessChecksLevel", int64_t{1}},
      {"Activation", int64_t{1}},
      {"Identity", std::string("Interactive User")},
      {"RunForever", false},
      {"ShutdownAfter", int64_t{3}},
      {"ConcurrentApps", int64_t{1}},
  };
  return specs;
}

SandboxComPlusApplication SandboxComPlusApplication::Make(int number, std::string_view name) {
  SandboxComPlusApplication app;
  app.number = number;
  for (const ComPlusPropertySpec& spec : ComPlusPropertySpecs()) {
    app.properties.emplace_back(std::string(spec.name), spec.default_value);
  }
  char id[48];
  std::snprintf(id, sizeof id, "{6A1C0000-0000-4000-8000-%012X}", static_cast<unsigned>(number));
  app.SetProperty("ID", std::string(id));
  app.SetProperty("Name", std::string(name));
  return app;
}

std::string SandboxComPlusApplication::Name() const {
  const CatalogValue* value = Property("Name");
  return value == nullptr ? std::string() : CatalogValueToText(*value);
}

std::string SandboxComPlusApplication::Id() const {
  const CatalogValue* value = Property("ID");
  return value == nullptr ? std::string() : CatalogValueToText(*value);
}

const CatalogValue* SandboxComPlusApplication::Property(std::string_view name) const {
  for (const auto& [key, value] : properties) {
    if (SameText(key, name)) return &value;
  }
  return nullptr;
}

bool SandboxComPlusApplication::SetProperty(std::string_view name, const CatalogValue& value) {
  for (auto& [key, current] : properties) {
    if (!SameText(key, name)) continue;
    if (std::holds_alternative<bool>(current)) {
      current = CatalogValueToBool(value);
    } else if (std::holds_alternative<int64_t>(current)) {
      current = CatalogValueToInteger(value);
    } else {
      current = CatalogValueToText(value);
    }
    return true;
  }
  return false;
}

std::string FormatCatalogValue(const CatalogValue& value) {
  if (const auto* flag = std::get_if<bool>(&value)) return Flag(*flag);
  return CatalogValueToText(value);
}

const ConfigurationServerAnswer& SandboxConfigurationServer::AnswerFor(
    std::string_view key_number) const {
  for (const auto& [key, answer] : by_key) {
    if (SameText(key, key_number)) return answer;
  }
  return default_answer;
}

const SandboxService* SandboxState::FindService(std::string_view name) const {
  for (const SandboxService& service : services) {
    if (SameText(service.name, name)) return &service;
  }
  return nullptr;
}

const SandboxProcess* SandboxState::FindProcess(uint32_t id) const {
  for (const SandboxProcess& process : processes) {
    if (process.id == id) return &process;
  }
  return nullptr;
}

const SandboxWindow* SandboxState::FindWindow(uint64_t id) const {
  for (const SandboxWindow& window : windows) {
    if (window.id == id) return &window;
  }
  return nullptr;
}

std::string SandboxState::EnvironmentVariable(std::string_view name) const {
  for (const auto& [key, value] : environment) {
    if (SameText(key, name)) return value;
  }
  return {};
}

SandboxState ParseMachineIni(const std::vector<std::string>& lines, const std::string& file_name) {
  const Reader reader(file_name);
  SandboxState state;
  for (const RawSection& section : ReadSections(lines, reader)) {
    const std::string& kind = section.kind;
    const bool has_argument = !section.argument.empty();
    auto no_argument = [&] {
      if (has_argument) reader.Fail(section.line, "[" + kind + "] no lleva nada después del nombre");
    };
    if (SameText(kind, "Machine")) {
      no_argument();
      ReadMachine(section, reader, state.machine);
    } else if (SameText(kind, "System")) {
      no_argument();
      ReadSystem(section, reader, state.system);
    } else if (SameText(kind, "Environment")) {
      no_argument();
      ReadPairs(section, state.environment);
    } else if (SameText(kind, "SqlLogins")) {
      no_argument();
      ReadPairs(section, state.sql_logins);
    } else if (SameText(kind, "ConfigurationServer")) {
      if (!has_argument) {
        ReadConfigurationAnswer(section, reader, state.configuration_server.default_answer,
                                &state.configuration_server.available);
      } else {
        ConfigurationServerAnswer answer;
        ReadConfigurationAnswer(section, reader, answer, nullptr);
        state.configuration_server.by_key.emplace_back(section.argument, std::move(answer));
      }
    } else if (SameText(kind, "Service")) {
      if (!has_argument) reader.Fail(section.line, "[Service] debe llevar el nombre del servicio");
      SandboxService service;
      service.name = section.argument;
      service.section = section.name;
      ReadService(section, reader, service);
      state.services.push_back(std::move(service));
    } else if (SameText(kind, "Process")) {
      SandboxProcess process;
      process.id = static_cast<uint32_t>(SectionNumber(section, reader, kMaxUint32));
      process.section = section.name;
      if (state.FindProcess(process.id) != nullptr) {
        reader.Fail(section.line, "proceso repetido " + std::to_string(process.id));
      }
      ReadProcess(section, reader, process);
      state.processes.push_back(std::move(process));
    } else if (SameText(kind, "Window")) {
      SandboxWindow window;
      window.id = SectionNumber(section, reader, std::numeric_limits<long long>::max());
      window.section = section.name;
      if (state.FindWindow(window.id) != nullptr) {
        reader.Fail(section.line, "ventana repetida " + std::to_string(window.id));
      }
      ReadWindow(section, reader, window);
      state.windows.push_back(std::move(window));
    } else if (SameText(kind, "ComPlusApplication")) {
      const auto number = static_cast<int>(SectionNumber(section, reader, kMaxInt32));
      for (const auto& other : state.com_plus_applications) {
        if (other.number == number) reader.Fail(section.line, "aplicación COM+ repetida " + std::to_string(number));
      }
      SandboxComPlusApplication app = SandboxComPlusApplication::Make(number, "");
      app.section = section.name;
      ReadComPlusApplication(section, reader, app);
      state.com_plus_applications.push_back(std::move(app));
    } else {
      reader.Fail(section.line, "sección desconocida [" + section.name + "]");
    }
  }
  return state;
}

std::vector<std::string> FormatMachineIni(const SandboxState& state) {
  std::vector<std::string> lines = {"; Máquina de prueba del instalador de hotfix (docs/sandbox.md)"};

  const SandboxMachineInfo& m = state.machine;
  AddSection(lines, "Machine");
  AddLine(lines, "ComputerName", m.computer_name);
  AddLine(lines, "CurrentUser", m.current_user);
  AddLine(lines, "CurrentProcessId", std::to_string(m.current_process_id));
  AddLine(lines, "CurrentSession", std::to_string(m.current_session));
  AddLine(lines, "RemoteSession", Flag(m.remote_session));
  if (!m.program_path.empty()) AddLine(lines, "ProgramPath", m.program_path);
  AddLine(lines, "TaskkillAvailable", Flag(m.taskkill_available));
  AddLine(lines, "ComPlusAvailable", Flag(m.com_plus_available));

  const SandboxSystem& s = state.system;
  AddSection(lines, "System");
  AddLine(lines, "Platform", PlatformName(s.os.platform));
  AddLine(lines, "Major", std::to_string(s.os.major));
  AddLine(lines, "Minor", std::to_string(s.os.minor));
  AddLine(lines, "ServicePack", s.os.service_pack);
  AddLine(lines, "TempFolder", s.temp_folder);
  AddLine(lines, "SystemFolder", s.system_folder);
  AddLine(lines, "SysInfoPort", std::to_string(s.sysinfo_port));

  AddSection(lines, "Environment");
  for (const auto& [name, value] : state.environment) AddLine(lines, name, value);

  AddSection(lines, "SqlLogins");
  for (const auto& [login, password] : state.sql_logins) AddLine(lines, login, password);

  const SandboxConfigurationServer& c = state.configuration_server;
  AddSection(lines, "ConfigurationServer");
  AddLine(lines, "Available", Flag(c.available));
  AddLine(lines, "Result", std::to_string(c.default_answer.result));
  AddLine(lines, "LastError", c.default_answer.last_error);
  for (const auto& [key, answer] : c.by_key) {
    AddSection(lines, "ConfigurationServer " + key);
    AddLine(lines, "Result", std::to_string(answer.result));
    AddLine(lines, "LastError", answer.last_error);
  }

  for (const SandboxService& service : state.services) {
    AddSection(lines, service.SectionName());
    AddLine(lines, "State", std::to_string(service.state));
    if (service.pending_queries) AddLine(lines, "PendingQueries", std::to_string(*service.pending_queries));
    AddLine(lines, "BinaryPath", service.binary_path);
    AddLine(lines, "OnStop", FormatServiceReaction(service.on_stop));
    AddLine(lines, "OnStart", FormatServiceReaction(service.on_start));
    AddLine(lines, "OnContinue", FormatServiceReaction(service.on_continue));
  }

  for (const SandboxProcess& process : state.processes) {
    AddSection(lines, process.SectionName());
    AddLine(lines, "Image", process.image);
    if (!process.path.empty()) AddLine(lines, "Path", process.path);
    AddLine(lines, "Session", std::to_string(process.session));
    if (process.owner) AddLine(lines, "Owner", *process.owner);
    AddLine(lines, "Running", Flag(process.running));
  }

  for (const SandboxWindow& window : state.windows) {
    AddSection(lines, window.SectionName());
    AddLine(lines, "Class", window.window_class);
    AddLine(lines, "SurvivesCloseRequests", std::to_string(window.survives_close_requests));
    AddLine(lines, "CloseRequests", std::to_string(window.close_requests));
    AddLine(lines, "Open", Flag(window.open));
  }

  for (const SandboxComPlusApplication& app : state.com_plus_applications) {
    AddSection(lines, app.SectionName());
    for (const auto& [name, value] : app.properties) AddLine(lines, name, FormatCatalogValue(value));
    std::string roles;
    for (const std::string& role : app.roles) roles += (roles.empty() ? "" : ",") + role;
    AddLine(lines, "Roles", roles);
    AddLine(lines, "Running", Flag(app.running));
  }
  return lines;
}

std::vector<std::string> ApplyMachineIniEdits(std::vector<std::string> lines,
                                              const std::vector<MachineIniEdit>& edits) {
  IniFile ini = IniFile::FromLines(std::move(lines));
  for (const MachineIniEdit& edit : edits) {
    if (edit.value) {
      ini.WriteString(edit.section, edit.key, IniValueText(*edit.value));
    } else {
      ini.DeleteKey(edit.section, edit.key);
    }
  }
  return ini.lines();
}

}  // namespace hotfix
