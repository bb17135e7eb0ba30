#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/exception.h"
#include "db/field_value.h"

namespace hotfix {

// A failure of the recordset itself: a missing field, no current record, a
// value that does not fit its field, an invalid filter or sort text.
HOTFIX_DECLARE_EXCEPTION(ERecordsetError, Exception);

// One field (column) of a recordset.
struct Field {
  std::string name;
  DataTypeEnum type = DataTypeEnum::adVarChar;
  // Characters for text, bytes for binary; the storage size for other types.
  uint32_t defined_size = 0;
  uint8_t precision = 0;     // digits of exact numbers
  int numeric_scale = 0;     // digits right of the point
  bool nullable = true;

  friend bool operator==(const Field&, const Field&) = default;
};

// A field of the given type with ADO's usual size and precision for it
// (text and binary fields take `size`; exact numbers take precision and scale).
Field MakeField(std::string name, DataTypeEnum type, uint32_t size = 0, bool nullable = true,
                uint8_t precision = 0, int numeric_scale = 0);

// The value converted to what a field of that type holds (an integer for an
// integer field, a Decimal for an exact number, a Timestamp for a date...).
// Raises ERecordsetError when it cannot be converted or does not fit.
FieldValue ConvertForField(const Field& field, const FieldValue& value);
// The same from text, as a person types it: numbers with a point, dates as
// Timestamp::Parse reads them, Booleans as True/False/1/0/-1, GUIDs with or
// without braces, bytes in hexadecimal.
FieldValue ParseForField(const Field& field, std::string_view text);

class FilterExpression;

// An in-memory, disconnected recordset in the manner of ADO's: its fields,
// its rows in the order they were added, and a cursor over the rows that
// the filter lets through, in the order of the sort.
class Recordset {
 public:
  // A closed recordset: no fields, no rows.
  Recordset();
  // An open recordset with these fields and no rows.
  explicit Recordset(std::vector<Field> fields);
  Recordset(Recordset&&) noexcept;
  Recordset& operator=(Recordset&&) noexcept;
  ~Recordset();

  bool IsOpen() const { return open_; }
  void Close();

  const std::vector<Field>& Fields() const { return fields_; }
  // The first field with that name, ignoring case; -1 when there is none.
  int FieldIndex(std::string_view name) const;

  // Adds a row at the end (converted with ConvertForField). Raises
  // ERecordsetError when the count of values or a value does not fit.
  void AddRow(std::vector<FieldValue> values);
  // Adds a row whose values a loader already made of the fields' kinds; the
  // values' sizes are not checked against the fields.
  void AddLoadedRow(std::vector<FieldValue> values);
  // Every row, whatever the filter and sort.
  size_t RowCount() const { return rows_.size(); }
  const std::vector<FieldValue>& Row(size_t index) const { return rows_.at(index); }

  // The cursor, over the rows the filter shows. An empty view has both BOF
  // and EOF; otherwise the cursor starts on the first row.
  int RecordCount() const { return static_cast<int>(view_.size()); }
  bool Bof() const;
  bool Eof() const;
  void MoveFirst();
  void MoveLast();
  // Raises ERecordsetError when already after the last row (or before the first).
  void MoveNext();
  void MovePrevious();

  // The value of a field in the current row. Raises ERecordsetError for a
  // field that does not exist and when there is no current row.
  const FieldValue& Value(std::string_view field_name) const;
  const FieldValue& Value(int field_index) const;

  // ADO's filter text ("(TIPO = 'Server') AND (Chile = 1)"); the empty text
  // shows every row. Raises ERecordsetError (the filter is left as it was)
  // when the text is not valid. Moves to the first row.
  void SetFilter(std::string_view text);
  const std::string& Filter() const { return filter_text_; }
  // "F1 ASC, F2 DESC"; a stable order, the empty text keeps the row order.
  // Raises ERecordsetError when the text is not valid. Moves to the first row.
  void SetSort(std::string_view text);
  const std::string& Sort() const { return sort_text_; }

 private:
  struct SortKey {
    int field = 0;
    bool descending = false;
  };

  void CheckOpen(const char* operation) const;
  void RebuildView();
  size_t CurrentRow() const;

  bool open_ = false;
  std::vector<Field> fields_;
  std::vector<std::vector<FieldValue>> rows_;
  std::string filter_text_;
  std::unique_ptr<FilterExpression> filter_;
  std::string sort_text_;
  std::vector<SortKey> sort_keys_;
  std::vector<size_t> view_;
  // -1 before the first row, view_.size() after the last.
  long long position_ = -1;
};

// Orders two values of the same field for Sort: Null first, text without
// regard to case; negative, zero or positive.
int CompareFieldValues(const FieldValue& a, const FieldValue& b);

}  // namespace hotfix
