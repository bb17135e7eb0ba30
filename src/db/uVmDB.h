#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "db/recordset.h"

namespace hotfix {

// Class operations over recordsets; never instantiated. A null pointer is
// "no recordset". A closed recordset counts as one without records.
class TVmDB {
 public:
  TVmDB() = delete;

  // The recordset exists and is not both before its first and after its last
  // row (a non-empty recordset after its last row still has records).
  static bool TieneRegistros(const Recordset* recordset);
  // MoveFirst, respectively MoveNext, when it has records. Moving past the
  // end raises the recordset's error.
  static void IrAlPrimero(Recordset* recordset);
  static void IrAlSiguiente(Recordset* recordset);
  // The field of the current row as an integer: 0 without records, for Null
  // and for empty text. Raises ERecordsetError for a missing field, when
  // there is no current row, and for a value that is not an integer.
  static int LeerEntero(const Recordset* recordset, std::string_view field_name);
  // The field of the current row as text in the system's conventions
  // (decimal comma, dates day/month/year): empty without records and for Null.
  static std::string LeerTexto(const Recordset* recordset, std::string_view field_name);
};

// A value as text in the system's conventions, as LeerTexto gives it.
std::string SystemText(const FieldValue& value);

// A disconnected copy of an open recordset: its fields and every row, on its
// first row, without the source's filter or sort. Nothing for no recordset
// or a closed one.
std::unique_ptr<Recordset> CopiarRecordset(const Recordset* source);

// The OLE DB connection string for SQL Server; values go in as they are.
std::string ArmarConnectionString(std::string_view server, std::string_view user,
                                  std::string_view password, std::string_view catalog,
                                  bool integrated_security, bool data_shaping);

// The characters (not bytes) of the text in reverse order.
std::string InvertirTexto(std::string_view text);

// Two upper-case hexadecimal digits per byte, high nibble first.
std::string BytesAHex(std::string_view bytes);

// Pairs of characters from the start, each read as a hexadecimal number into
// one byte; a pair that is not one gives 0, an odd last character is ignored.
std::string HexABytes(std::string_view text);

}  // namespace hotfix
