#pragma once

#include <string>
#include <string_view>

#include "base/exception.h"
#include "db/recordset.h"

namespace hotfix {

// A persisted recordset file that cannot be read: missing, truncated,
// corrupt, or holding something this reader does not support. The message
// names the file.
HOTFIX_DECLARE_EXCEPTION(EPersistedRecordsetError, Exception);

// Reads a recordset saved in ADO's binary format (the Advanced Data
// TableGram). The recordset is open, on its first row, without filter or
// sort; rows come in file order.
Recordset LoadRecordsetFile(const std::string& path);

// The same from the file's bytes; `source` names the file in messages.
Recordset ParseAdtg(std::string_view bytes, std::string_view source);

}  // namespace hotfix
