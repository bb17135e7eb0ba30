#include "base/exception.h"
#include "base/text.h"
#include "sysenv/ports/database_location.h"
#include "sysenv/ports/sandbox_backends.h"

namespace hotfix {
namespace {

// The value of one attribute of a "Name=Value;..." connection string (names
// without regard to case; a value may be enclosed in double or single quotes).
std::optional<std::string> Attribute(std::string_view connection_string, std::string_view name) {
  size_t pos = 0;
  while (pos < connection_string.size()) {
    const size_t eq = connection_string.find('=', pos);
    if (eq == std::string_view::npos) break;
    const std::string key = Trim(connection_string.substr(pos, eq - pos));
    size_t value_start = eq + 1;
    while (value_start < connection_string.size() && connection_string[value_start] == ' ') ++value_start;
    std::string value;
    size_t next = 0;
    const char quote = value_start < connection_string.size() ? connection_string[value_start] : '\0';
    if (quote == '"' || quote == '\'') {
      const size_t close = connection_string.find(quote, value_start + 1);
      const size_t end = close == std::string_view::npos ? connection_string.size() : close;
      value = std::string(connection_string.substr(value_start + 1, end - value_start - 1));
      next = connection_string.find(';', end);
    } else {
      next = connection_string.find(';', value_start);
      value = Trim(connection_string.substr(value_start, next == std::string_view::npos
                                                              ? std::string_view::npos
                                                              : next - value_start));
    }
    if (SameText(key, name)) return value;
    if (next == std::string_view::npos) break;
    pos = next + 1;
  }
  return std::nullopt;
}

// An ODBC attribute value, in braces when it holds a character that would end it.
std::string OdbcValue(const std::string& value) {
  if (value.find_first_of(";{}") == std::string::npos) return value;
  return "{" + ReplaceAll(value, "}", "}}") + "}";
}

class SandboxDatabaseLocation : public DatabaseLocation {
 public:
  explicit SandboxDatabaseLocation(std::shared_ptr<SandboxStore> store) : store_(std::move(store)) {}

  std::string ToOdbc(std::string_view oledb_connection_string) override {
    const auto server = Attribute(oledb_connection_string, "Data Source");
    if (!server || Trim(*server).empty()) {
      throw Exception("La cadena de conexión no indica el servidor (Data Source).");
    }
    const auto database = Attribute(oledb_connection_string, "Initial Catalog");
    if (!database || Trim(*database).empty()) {
      throw Exception("La cadena de conexión no indica la base de datos (Initial Catalog).");
    }
    return "Driver=SQLite3;Database=" + OdbcValue(store_->DatabaseFile(Trim(*server), Trim(*database)));
  }

 private:
  std::shared_ptr<SandboxStore> store_;
};

}  // namespace

std::unique_ptr<DatabaseLocation> NewSandboxDatabaseLocation(std::shared_ptr<SandboxStore> store) {
  return std::make_unique<SandboxDatabaseLocation>(std::move(store));
}

}  // namespace hotfix
