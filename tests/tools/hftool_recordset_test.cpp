#include "recordset_commands.h"

#include <gtest/gtest.h>


namespace hotfix::hftool {
namespace {

TEST(HftoolRecordset, ParsesFieldLists) {
  const std::vector<Field> fields =
      ParseFieldList(" ORDEN:Integer! ; TIPO:adVarChar(30);IMPORTE:Numeric(18,2);Nota:LongVarWChar;");
  ASSERT_EQ(fields.size(), 4u);
  EXPECT_EQ(fields[0], MakeField("ORDEN", DataTypeEnum::adInteger, 0, false));
  EXPECT_EQ(fields[1], MakeField("TIPO", DataTypeEnum::adVarChar, 30));
  EXPECT_EQ(fields[2], MakeField("IMPORTE", DataTypeEnum::adNumeric, 0, true, 18, 2));
  EXPECT_EQ(fields[3].defined_size, 2147483647u);
  for (const char* bad : {"", "SINTIPO", "A:Nope", "A:VarChar(", "A:VarChar(x)", "A:Numeric(50,2)",
                          "A:VarChar(1,2,3)"}) {
    EXPECT_THROW(ParseFieldList(bad), Exception) << bad;
  }
}

TEST(HftoolRecordset, SplitsCsvTellingNullFromEmptyText) {
  const auto rows = ParseCsv("1,\"a, b\",,\"\"\r\n2,\"dice \"\"hola\"\"\",x,y\n\n3,\"dos\nlíneas\",,\n");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0][1], "a, b");
  EXPECT_NE(rows[0][2], "");   // unquoted empty: Null
  EXPECT_EQ(rows[0][3], "");   // quoted empty: empty text
  EXPECT_EQ(rows[1][1], "dice \"hola\"");
  EXPECT_EQ(rows[2][1], "dos\nlíneas");
  EXPECT_EQ(rows[2].size(), 4u);
  EXPECT_THROW(ParseCsv("1,\"abierto\n"), Exception);
  EXPECT_THROW(ParseCsv("1,a\"b\"\n"), Exception);
  EXPECT_THROW(ParseCsv("1,\"a\"b\n"), Exception);
}

TEST(HftoolRecordset, DescribesFieldsThenTheFilteredSortedRows) {
  Recordset rs({MakeField("ORDEN", DataTypeEnum::adInteger, 0, false),
                MakeField("TIPO", DataTypeEnum::adVarChar, 30),
                MakeField("IMPORTE", DataTypeEnum::adNumeric, 0, true, 18, 2)});
  rs.AddRow({FieldValue::Integer(2), FieldValue::Text("Server"), FieldValue::Text("1.50")});
  rs.AddRow({FieldValue::Integer(1), FieldValue::Text("O\"K"), FieldValue::Null()});
  rs.SetSort("ORDEN");
  EXPECT_EQ(DescribeRecordset(rs),
            "Campos: 3\n"
            "  1. ORDEN: adInteger, no admite nulos\n"
            "  2. TIPO: adVarChar, tamaño 30, admite nulos\n"
            "  3. IMPORTE: adNumeric, precisión 18, escala 2, admite nulos\n"
            "Registros: 2\n"
            "  1: ORDEN=1; TIPO=\"O\"\"K\"; IMPORTE=Null\n"
            "  2: ORDEN=2; TIPO=\"Server\"; IMPORTE=1.50\n");
}

}  // namespace
}  // namespace hotfix::hftool
