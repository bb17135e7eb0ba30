#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/recordset.h"

namespace hotfix {

class TCustomClientDatasetCd;

// One field of a dataset: a named view of a column of its recordset.
class TFieldCd {
 public:
  TFieldCd(const TCustomClientDatasetCd& dataset, std::string field_name, size_t column);
  virtual ~TFieldCd() = default;
  TFieldCd(const TFieldCd&) = delete;
  TFieldCd& operator=(const TFieldCd&) = delete;

  // The class this field would be on the platform ("TIntegerField"...).
  virtual std::string ClassName() const;
  const std::string& FieldName() const { return field_name_; }
  const Field& Definition() const;
  DataTypeEnum DataType() const { return Definition().type; }

  // The value in the dataset's current row (the recordset's errors when
  // there is none).
  const FieldValue& Value() const;
  bool IsNull() const { return Value().IsNull(); }
  // As TVmDB::LeerTexto writes it.
  virtual std::string AsString() const;

 protected:
  const TCustomClientDatasetCd& dataset_;

 private:
  std::string field_name_;
  size_t column_;
};

// Decimal, numeric and variable numeric columns: the value stays exact.
class TDecimalFieldCd : public TFieldCd {
 public:
  using TFieldCd::TFieldCd;
  std::string ClassName() const override { return "TDecimalFieldCd"; }
  // The exact number ("-12,3400" with the decimal comma); empty for Null.
  std::string AsString() const override;
};

// Timestamp and file-time columns: the value keeps its fraction of a second.
class TDateTimeFieldCd : public TFieldCd {
 public:
  using TFieldCd::TFieldCd;
  std::string ClassName() const override { return "TDateTimeFieldCd"; }
  // "dd/mm/yyyy hh:nn:ss", with ",fff" when there are milliseconds; empty for Null.
  std::string AsString() const override;
};

// A dataset over a recordset: it opens a persisted recordset file (or takes
// a recordset) and names its fields.
class TCustomClientDatasetCd {
 public:
  enum class TDataSetState { dsInactive, dsBrowse, dsInsert };

  TCustomClientDatasetCd() = default;
  virtual ~TCustomClientDatasetCd() = default;
  TCustomClientDatasetCd(const TCustomClientDatasetCd&) = delete;
  TCustomClientDatasetCd& operator=(const TCustomClientDatasetCd&) = delete;

  // Loads a persisted recordset file and opens the dataset on its first row.
  // Raises EPersistedRecordsetError naming the file.
  void LoadFromFile(const std::string& path);
  // Opens the dataset over a recordset (a query's result, for instance).
  void Open(Recordset recordset);
  void Close();
  bool Active() const { return state_ != TDataSetState::dsInactive; }
  TDataSetState State() const { return state_; }

  // The recordset under the dataset; null while it is closed.
  Recordset* recordset() { return Active() ? &recordset_ : nullptr; }
  const Recordset* recordset() const { return Active() ? &recordset_ : nullptr; }

  // The fields, named after the recordset's: a field without a name is
  // "COLUMN" and a counter from 1, a name already taken gets "_" and a
  // counter from 1, the counter growing until the name is free.
  const std::vector<std::unique_ptr<TFieldCd>>& Fields() const { return fields_; }
  TFieldCd* FindField(std::string_view name) const;
  // Raises ERecordsetError when there is no field of that name.
  TFieldCd& FieldByName(std::string_view name) const;

  // The recordset's record count; 0 while the master of a nested dataset
  // is inserting a record.
  int RecordCount() const;
  void SetMaster(const TCustomClientDatasetCd* master) { master_ = master; }
  // Starts and abandons the insertion of a record (only the state changes).
  void Insert();
  void Cancel();

  bool Bof() const { return !Active() || recordset_.Bof(); }
  bool Eof() const { return !Active() || recordset_.Eof(); }
  void First();
  void Next();

 private:
  void CreateFields();

  Recordset recordset_;
  std::vector<std::unique_ptr<TFieldCd>> fields_;
  TDataSetState state_ = TDataSetState::dsInactive;
  const TCustomClientDatasetCd* master_ = nullptr;
};

// The dataset class the hotfix package opens its recordset files with.
class TClientDatasetCd : public TCustomClientDatasetCd {};

}  // namespace hotfix
