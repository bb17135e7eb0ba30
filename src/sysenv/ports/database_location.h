#pragma once

#include <string>
#include <string_view>

namespace hotfix {

// Where the product's databases are for this machine.
class DatabaseLocation {
 public:
  virtual ~DatabaseLocation() = default;
  // Turns an OLE DB connection string of the product
  // ("Provider=SQLOLEDB.1;...") into an ODBC connection string.
  virtual std::string ToOdbc(std::string_view oledb_connection_string) = 0;
};

}  // namespace hotfix
