#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "db/recordset.h"
#include "tool_context.h"

namespace hotfix::hftool {

// "recordset dump" and "recordset new": persisted recordset files.
void AddRecordsetCommands(CLI::App& app, ToolContext& context);

// The fields of a --fields text: "NAME:TYPE[(SIZE)|(PRECISION,SCALE)][!]"
// items separated by ";", the type an ADO name with or without "ad", "!"
// for a field that does not admit Null. Raises Exception when invalid.
std::vector<Field> ParseFieldList(std::string_view list);

// The rows of a CSV text for those fields: one line per row, values
// separated by commas, double quotes around values that need them (a quote
// inside doubled); an empty unquoted value is Null, "" is the empty text.
// Raises Exception naming the line of a bad row.
std::vector<std::vector<std::string>> ParseCsv(std::string_view text);

// The recordset as "recordset dump" prints it.
std::string DescribeRecordset(Recordset& recordset);

}  // namespace hotfix::hftool
