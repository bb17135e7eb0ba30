#include "recordset_commands.h"

#include <iostream>
#include <memory>
#include <optional>

#include "base/codepage.h"
#include "base/exception.h"
#include "base/format.h"
#include "base/text.h"
#include "base/text_file.h"
#include "db/adtg_reader.h"
#include "db/adtg_writer.h"

namespace hotfix::hftool {
namespace {

// Marks a CSV value written without quotes and left empty: a Null.
const std::string kNullMarker("\x01NULL\x01", 6);

bool IsValidUtf8(std::string_view text) {
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t start = pos;
    const char32_t cp = DecodeUtf8(text, pos);
    if (cp == 0xFFFD && !(pos - start == 3 && text.substr(start, 3) == "\xEF\xBF\xBD")) return false;
  }
  return true;
}

std::string Quoted(const std::string& text) { return "\"" + ReplaceAll(text, "\"", "\"\"") + "\""; }

std::string Shown(const FieldValue& value, const Field& field) {
  if (value.IsNull()) return "Null";
  if (IsTextType(field.type)) return Quoted(value.AsText());
  if (value.kind() == FieldValue::Kind::kBytes) return "0x" + value.ToText();
  return value.ToText();
}

std::string FieldLine(size_t number, const Field& field) {
  std::string line = Format("  %d. %s: %s", static_cast<long long>(number),
                            field.name.empty() ? std::string("(sin nombre)") : field.name,
                            DataTypeName(field.type));
  if (IsTextType(field.type) || IsBinaryType(field.type)) {
    line += Format(", tamaño %d", static_cast<long long>(field.defined_size));
  }
  if (IsExactNumericType(field.type)) {
    line += Format(", precisión %d, escala %d", static_cast<int>(field.precision), field.numeric_scale);
  }
  line += field.nullable ? ", admite nulos" : ", no admite nulos";
  return line;
}

int RunDump(const std::string& file, const std::string& filter, const std::string& sort) {
  Recordset recordset = LoadRecordsetFile(file);
  if (!sort.empty()) recordset.SetSort(sort);
  if (!filter.empty()) recordset.SetFilter(filter);
  std::cout << DescribeRecordset(recordset);
  return kExitOk;
}

int RunNew(const std::string& out, const std::string& field_list, const std::string& csv_path) {
  std::vector<Field> fields;
  try {
    fields = ParseFieldList(field_list);
  } catch (const Exception& error) {
    std::cerr << error.what() << "\n";
    return kExitUsage;
  }
  const std::optional<std::string> bytes = ReadFileBytes(csv_path);
  if (!bytes) throw Exception(Format("No se puede leer el archivo de registros «%s».", csv_path));
  const std::string text = IsValidUtf8(*bytes) ? *bytes : Cp1252ToUtf8(*bytes);
  Recordset recordset(fields);
  const std::vector<std::vector<std::string>> rows = ParseCsv(text);
  for (size_t r = 0; r < rows.size(); ++r) {
    if (rows[r].size() != fields.size()) {
      throw Exception(Format("La fila %d de «%s» tiene %d valores y hay %d campos.",
                             static_cast<long long>(r + 1), csv_path,
                             static_cast<long long>(rows[r].size()),
                             static_cast<long long>(fields.size())));
    }
    std::vector<FieldValue> values;
    try {
      for (size_t i = 0; i < fields.size(); ++i) {
        values.push_back(rows[r][i] == kNullMarker ? FieldValue::Null()
                                                   : ParseForField(fields[i], rows[r][i]));
      }
      recordset.AddRow(std::move(values));
    } catch (const Exception& error) {
      throw Exception(Format("Fila %d de «%s»: %s", static_cast<long long>(r + 1), csv_path,
                             error.Message()));
    }
  }
  SaveRecordsetFile(recordset, out);
  std::cout << Format("Se escribió «%s»: %d campos, %d registros.", out,
                      static_cast<long long>(fields.size()), static_cast<long long>(rows.size()))
            << "\n";
  return kExitOk;
}

// Runs a command, turning the system's errors into their message and exit 1.
int Guarded(const std::function<int()>& command) {
  try {
    return command();
  } catch (const Exception& error) {
    std::cerr << error.what() << "\n";
    return kExitFailed;
  }
}

}  // namespace

std::vector<Field> ParseFieldList(std::string_view list) {
  std::vector<Field> fields;
  for (const std::string& raw : Split(list, ';')) {
    std::string_view item = TrimView(raw);
    if (item.empty()) continue;
    bool nullable = true;
    if (item.back() == '!') {
      nullable = false;
      item = TrimView(item.substr(0, item.size() - 1));
    }
    const size_t colon = item.rfind(':');
    if (colon == std::string_view::npos) {
      throw Exception(Format("El campo «%s» no dice su tipo (NOMBRE:TIPO).", item));
    }
    const std::string name = Trim(item.substr(0, colon));
    std::string_view type_text = TrimView(item.substr(colon + 1));
    long long size = 0;
    long long scale = 0;
    const size_t open = type_text.find('(');
    if (open != std::string_view::npos) {
      if (type_text.back() != ')') {
        throw Exception(Format("El tipo «%s» del campo «%s» no cierra el paréntesis.", type_text, name));
      }
      const std::string inner(type_text.substr(open + 1, type_text.size() - open - 2));
      const std::vector<std::string> numbers = Split(inner, ',');
      if (numbers.size() > 2 || !TryParseInt(numbers[0], size) || size < 0 ||
          size > 0x7FFFFFFF || (numbers.size() == 2 && (!TryParseInt(numbers[1], scale) ||
                                                          scale < 0 || scale > 127))) {
        throw Exception(Format("El tamaño «%s» del campo «%s» no es válido.", inner, name));
      }
      type_text = TrimView(type_text.substr(0, open));
    }
    const std::optional<DataTypeEnum> type = DataTypeFromName(type_text);
    if (!type) {
      throw Exception(Format("El tipo «%s» del campo «%s» no es un tipo de ADO conocido.",
                             type_text, name));
    }
    if (IsExactNumericType(*type)) {
      if (size > 38) throw Exception(Format("La precisión del campo «%s» pasa de 38.", name));
      fields.push_back(MakeField(name, *type, 0, nullable, static_cast<uint8_t>(size),
                                 static_cast<int>(scale)));
    } else {
      fields.push_back(MakeField(name, *type, static_cast<uint32_t>(size), nullable));
    }
  }
  if (fields.empty()) throw Exception("No se indicó ningún campo.");
  return fields;
}

std::vector<std::vector<std::string>> ParseCsv(std::string_view text) {
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> row;
  std::string value;
  bool quoted = false;      // the value was quoted
  bool in_quotes = false;
  bool any = false;         // the line has content
  size_t line = 1;
  const auto end_value = [&] {
    row.push_back(!quoted && value.empty() ? kNullMarker : value);
    value.clear();
    quoted = false;
  };
  const auto end_row = [&] {
    if (any) {
      end_value();
      rows.push_back(std::move(row));
    }
    row.clear();
    value.clear();
    quoted = false;
    any = false;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (in_quotes) {
      if (c == '"') {
        if (i + 1 < text.size() && text[i + 1] == '"') {
          value.push_back('"');
          ++i;
        } else {
          in_quotes = false;
        }
      } else {
        if (c == '\n') ++line;
        value.push_back(c);
      }
      continue;
    }
    if (c == '"') {
      if (!value.empty() || quoted) {
        throw Exception(Format("La línea %d tiene comillas en medio de un valor.",
                               static_cast<long long>(line)));
      }
      quoted = in_quotes = any = true;
    } else if (c == ',') {
      any = true;
      end_value();
    } else if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      end_row();
      ++line;
    } else {
      if (quoted) {
        throw Exception(Format("La línea %d tiene texto después de un valor entre comillas.",
                               static_cast<long long>(line)));
      }
      any = true;
      value.push_back(c);
    }
  }
  if (in_quotes) {
    throw Exception(Format("La línea %d abre comillas que no se cierran.", static_cast<long long>(line)));
  }
  end_row();
  return rows;
}

std::string DescribeRecordset(Recordset& recordset) {
  std::string out = Format("Campos: %d\n", static_cast<long long>(recordset.Fields().size()));
  for (size_t i = 0; i < recordset.Fields().size(); ++i) {
    out += FieldLine(i + 1, recordset.Fields()[i]) + "\n";
  }
  out += Format("Registros: %d\n", recordset.RecordCount());
  int number = 0;
  for (recordset.MoveFirst(); !recordset.Eof(); recordset.MoveNext()) {
    std::string line = Format("  %d:", ++number);
    for (size_t i = 0; i < recordset.Fields().size(); ++i) {
      const Field& field = recordset.Fields()[i];
      line += (i == 0 ? " " : "; ") + field.name + "=" +
              Shown(recordset.Value(static_cast<int>(i)), field);
    }
    out += line + "\n";
  }
  return out;
}

void AddRecordsetCommands(CLI::App& app, ToolContext& context) {
  CLI::App* group =
      app.add_subcommand("recordset", "Recordsets guardados en el formato binario de ADO (ADTG)");
  group->require_subcommand(1);

  struct Options {
    std::string file, filter, sort;
    std::string out, fields, rows;
  };
  auto options = std::make_shared<Options>();

  CLI::App* dump = group->add_subcommand(
      "dump", "Muestra los campos con sus tipos y los registros de un archivo de recordset");
  dump->add_option("FILE", options->file, "Archivo de recordset (por ejemplo HotFixDetail.Data)")
      ->required();
  dump->add_option("--filter", options->filter,
                   "Filtro de ADO, por ejemplo \"(TIPO = 'Server') AND (Chile = 1)\"");
  dump->add_option("--sort", options->sort, "Orden de ADO, por ejemplo \"ORDEN ASC, TIPO DESC\"");
  context.RunWhenChosen(dump, [options] {
    return Guarded([&] { return RunDump(options->file, options->filter, options->sort); });
  });

  CLI::App* create = group->add_subcommand(
      "new", "Escribe un archivo de recordset con los campos y los registros indicados");
  create->add_option("OUT", options->out, "Archivo a escribir")->required();
  create->add_option("--fields", options->fields,
                     "Campos separados por \";\": NOMBRE:TIPO[(TAMAÑO)|(PRECISIÓN,ESCALA)][!], "
                     "el tipo de ADO con o sin \"ad\", \"!\" si no admite nulos. Ejemplo: "
                     "\"ORDEN:Integer!;TIPO:VarChar(30);IMPORTE:Numeric(18,2);Chile:Boolean\"")
      ->required();
  create->add_option("--rows", options->rows,
                     "Archivo CSV con un registro por línea, en el orden de los campos; un valor "
                     "vacío sin comillas es Null; fechas aaaa-mm-dd [hh:nn:ss], binarios en "
                     "hexadecimal")
      ->required();
  context.RunWhenChosen(create, [options] {
    return Guarded([&] { return RunNew(options->out, options->fields, options->rows); });
  });
}

}  // namespace hotfix::hftool
