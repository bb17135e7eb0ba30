#pragma once

#include <string>

#include "db/recordset.h"

namespace hotfix {

// The recordset in ADO's binary format (the Advanced Data TableGram): its
// fields and every row in row order, whatever the filter and sort. Raises
// ERecordsetError when a value cannot be written in its field's layout.
std::string SerializeAdtg(const Recordset& recordset);

// Writes it to a file atomically (nothing half-written is left). Raises
// EPersistedRecordsetError naming the file when it cannot be written.
void SaveRecordsetFile(const Recordset& recordset, const std::string& path);

}  // namespace hotfix
