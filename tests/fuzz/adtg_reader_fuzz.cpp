// Feeds arbitrary bytes to the persisted-recordset reader. Any outcome but a
// recordset or EPersistedRecordsetError (a crash, a sanitizer report, another
// exception, a read past the data) is a finding.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "db/adtg_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    hotfix::Recordset recordset =
        hotfix::ParseAdtg(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.Data");
    // Walk what was read, as the package reader does.
    for (recordset.MoveFirst(); !recordset.Eof(); recordset.MoveNext()) {
      for (int i = 0; i < static_cast<int>(recordset.Fields().size()); ++i) {
        (void)recordset.Value(i).ToText();
      }
    }
  } catch (const hotfix::EPersistedRecordsetError&) {
  }
  return 0;
}
