#include "db/uClientDatasetCd.h"

#include <cstdio>

#include "base/date_time.h"
#include "base/format.h"
#include "base/text.h"
#include "db/adtg_reader.h"
#include "db/uVmDB.h"

namespace hotfix {
namespace {

std::string PlatformClassName(DataTypeEnum type) {
  switch (type) {
    case DataTypeEnum::adSmallInt: return "TSmallintField";
    case DataTypeEnum::adTinyInt: return "TShortintField";
    case DataTypeEnum::adUnsignedTinyInt: return "TByteField";
    case DataTypeEnum::adUnsignedSmallInt: return "TWordField";
    case DataTypeEnum::adInteger: return "TIntegerField";
    case DataTypeEnum::adUnsignedInt: return "TLongWordField";
    case DataTypeEnum::adBigInt:
    case DataTypeEnum::adUnsignedBigInt: return "TLargeintField";
    case DataTypeEnum::adSingle: return "TSingleField";
    case DataTypeEnum::adDouble: return "TFloatField";
    case DataTypeEnum::adCurrency: return "TCurrencyField";
    case DataTypeEnum::adBoolean: return "TBooleanField";
    case DataTypeEnum::adDate: return "TDateTimeField";
    case DataTypeEnum::adDBDate: return "TDateField";
    case DataTypeEnum::adDBTime: return "TTimeField";
    case DataTypeEnum::adChar:
    case DataTypeEnum::adVarChar: return "TStringField";
    case DataTypeEnum::adWChar:
    case DataTypeEnum::adVarWChar:
    case DataTypeEnum::adBSTR: return "TWideStringField";
    case DataTypeEnum::adLongVarChar: return "TMemoField";
    case DataTypeEnum::adLongVarWChar: return "TWideMemoField";
    case DataTypeEnum::adBinary: return "TBytesField";
    case DataTypeEnum::adVarBinary: return "TVarBytesField";
    case DataTypeEnum::adLongVarBinary: return "TBlobField";
    case DataTypeEnum::adGUID: return "TGuidField";
    default: return "TVariantField";
  }
}

}  // namespace

TFieldCd::TFieldCd(const TCustomClientDatasetCd& dataset, std::string field_name, size_t column)
    : dataset_(dataset), field_name_(std::move(field_name)), column_(column) {}

std::string TFieldCd::ClassName() const { return PlatformClassName(DataType()); }

const Field& TFieldCd::Definition() const { return dataset_.recordset()->Fields().at(column_); }

const FieldValue& TFieldCd::Value() const {
  const Recordset* recordset = dataset_.recordset();
  if (recordset == nullptr) {
    throw ERecordsetError(Format("No se puede leer el campo «%s»: el dataset está cerrado.",
                                 field_name_));
  }
  return recordset->Value(static_cast<int>(column_));
}

std::string TFieldCd::AsString() const { return SystemText(Value()); }

std::string TDecimalFieldCd::AsString() const {
  const FieldValue& value = Value();
  if (value.IsNull()) return "";
  std::string text = value.kind() == FieldValue::Kind::kDecimal ? value.AsDecimal().ToString()
                                                                : value.ToText();
  for (char& c : text) {
    if (c == '.') c = ',';
  }
  return text;
}

std::string TDateTimeFieldCd::AsString() const {
  const FieldValue& value = Value();
  if (value.IsNull()) return "";
  if (value.kind() != FieldValue::Kind::kDateTime) return value.ToText();
  const Timestamp& t = value.AsDateTime();
  std::string text = FormatDateTimeAr(t.ToDateTime());
  const unsigned milliseconds = t.nanosecond / 1000000u;
  if (milliseconds != 0) {
    if (text.size() == 10) text += " 00:00:00";
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, ",%03u", milliseconds);
    text += buffer;
  }
  return text;
}

void TCustomClientDatasetCd::LoadFromFile(const std::string& path) {
  Open(LoadRecordsetFile(path));
}

void TCustomClientDatasetCd::Open(Recordset recordset) {
  recordset_ = std::move(recordset);
  state_ = recordset_.IsOpen() ? TDataSetState::dsBrowse : TDataSetState::dsInactive;
  CreateFields();
  if (Active()) recordset_.MoveFirst();
}

void TCustomClientDatasetCd::Close() {
  fields_.clear();
  recordset_.Close();
  state_ = TDataSetState::dsInactive;
}

void TCustomClientDatasetCd::CreateFields() {
  fields_.clear();
  if (!Active()) return;
  const std::vector<Field>& definitions = recordset_.Fields();
  for (size_t i = 0; i < definitions.size(); ++i) {
    const std::string& base = definitions[i].name;
    std::string name = base;
    int counter = 0;
    while (name.empty() || FindField(name) != nullptr) {
      ++counter;
      name = base.empty() ? Format("COLUMN%d", counter) : Format("%s_%d", base, counter);
    }
    const DataTypeEnum type = definitions[i].type;
    if (IsExactNumericType(type)) {
      fields_.push_back(std::make_unique<TDecimalFieldCd>(*this, name, i));
    } else if (type == DataTypeEnum::adDBTimeStamp || type == DataTypeEnum::adFileTime) {
      fields_.push_back(std::make_unique<TDateTimeFieldCd>(*this, name, i));
    } else {
      fields_.push_back(std::make_unique<TFieldCd>(*this, name, i));
    }
  }
}

TFieldCd* TCustomClientDatasetCd::FindField(std::string_view name) const {
  for (const std::unique_ptr<TFieldCd>& field : fields_) {
    if (SameText(field->FieldName(), name)) return field.get();
  }
  return nullptr;
}

TFieldCd& TCustomClientDatasetCd::FieldByName(std::string_view name) const {
  TFieldCd* field = FindField(name);
  if (field == nullptr) {
    throw ERecordsetError(Format("El campo «%s» no existe en el dataset.", name));
  }
  return *field;
}

int TCustomClientDatasetCd::RecordCount() const {
  if (master_ != nullptr && master_->State() == TDataSetState::dsInsert) return 0;
  return Active() ? recordset_.RecordCount() : 0;
}

void TCustomClientDatasetCd::Insert() {
  if (!Active()) throw ERecordsetError("No se puede insertar un registro: el dataset está cerrado.");
  state_ = TDataSetState::dsInsert;
}

void TCustomClientDatasetCd::Cancel() {
  if (state_ == TDataSetState::dsInsert) state_ = TDataSetState::dsBrowse;
}

void TCustomClientDatasetCd::First() {
  if (Active()) recordset_.MoveFirst();
}

void TCustomClientDatasetCd::Next() {
  if (Active()) recordset_.MoveNext();
}

}  // namespace hotfix
