#include "db/uVmDB.h"

#include <gtest/gtest.h>

#include "db/adtg_reader.h"
#include "db/adtg_writer.h"
#include "db/uClientDatasetCd.h"
#include "support/temp_dir.h"

namespace hotfix {
namespace {

Recordset Terminals() {
  Recordset rs({MakeField("TERMINAL", DataTypeEnum::adVarChar, 30),
                MakeField("NUMERO", DataTypeEnum::adInteger),
                MakeField("VALOR", DataTypeEnum::adVarChar, 30)});
  rs.AddRow({FieldValue::Text("PC-01"), FieldValue::Integer(7), FieldValue::Text("12")});
  rs.AddRow({FieldValue::Null(), FieldValue::Null(), FieldValue::Text("")});
  rs.MoveFirst();
  return rs;
}

TEST(TVmDB, TieneRegistrosFollowsBofAndEof) {
  EXPECT_FALSE(TVmDB::TieneRegistros(nullptr));
  Recordset closed;
  EXPECT_FALSE(TVmDB::TieneRegistros(&closed));
  Recordset empty({MakeField("A", DataTypeEnum::adInteger)});
  EXPECT_FALSE(TVmDB::TieneRegistros(&empty));
  Recordset rs = Terminals();
  EXPECT_TRUE(TVmDB::TieneRegistros(&rs));
  rs.MoveNext();
  rs.MoveNext();
  ASSERT_TRUE(rs.Eof());
  EXPECT_TRUE(TVmDB::TieneRegistros(&rs));  // after the last row
  rs.SetFilter("NUMERO = 99");
  EXPECT_FALSE(TVmDB::TieneRegistros(&rs));
}

TEST(TVmDB, ReadsNothingFromAnEmptyRecordsetWhateverTheFieldName) {
  Recordset empty({MakeField("A", DataTypeEnum::adInteger)});
  EXPECT_EQ(TVmDB::LeerTexto(&empty, "NO_EXISTE"), "");
  EXPECT_EQ(TVmDB::LeerEntero(&empty, "NO_EXISTE"), 0);
  EXPECT_EQ(TVmDB::LeerTexto(nullptr, "A"), "");
  EXPECT_EQ(TVmDB::LeerEntero(nullptr, "A"), 0);
  TVmDB::IrAlPrimero(&empty);
  TVmDB::IrAlSiguiente(&empty);
  TVmDB::IrAlPrimero(nullptr);
  TVmDB::IrAlSiguiente(nullptr);
  EXPECT_TRUE(empty.Eof());
}

TEST(TVmDB, WalksAndReadsRowsAndFailsPastTheEnd) {
  Recordset rs = Terminals();
  std::vector<std::string> seen;
  for (TVmDB::IrAlPrimero(&rs); !rs.Eof(); TVmDB::IrAlSiguiente(&rs)) {
    seen.push_back(TVmDB::LeerTexto(&rs, "terminal") + "/" +
                   std::to_string(TVmDB::LeerEntero(&rs, "NUMERO")) + "/" +
                   std::to_string(TVmDB::LeerEntero(&rs, "VALOR")));
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"PC-01/7/12", "/0/0"}));
  // After the last row the recordset still has records: reading or moving
  // on is an error of the recordset.
  EXPECT_THROW(TVmDB::LeerTexto(&rs, "TERMINAL"), ERecordsetError);
  EXPECT_THROW(TVmDB::LeerEntero(&rs, "NUMERO"), ERecordsetError);
  EXPECT_THROW(TVmDB::IrAlSiguiente(&rs), ERecordsetError);
  TVmDB::IrAlPrimero(&rs);
  EXPECT_THROW(TVmDB::LeerTexto(&rs, "NO_EXISTE"), ERecordsetError);
}

TEST(TVmDB, ConvertsValuesToIntegersAndText) {
  Recordset rs({MakeField("F", DataTypeEnum::adDouble), MakeField("B", DataTypeEnum::adBoolean),
                MakeField("D", DataTypeEnum::adNumeric, 0, true, 10, 2),
                MakeField("C", DataTypeEnum::adCurrency), MakeField("T", DataTypeEnum::adDBTimeStamp),
                MakeField("H", DataTypeEnum::adDBTime), MakeField("G", DataTypeEnum::adGUID),
                MakeField("X", DataTypeEnum::adVarChar, 10)});
  rs.AddRow({FieldValue::Float(2.5), FieldValue::Boolean(true), FieldValue::Text("-3.50"),
             FieldValue::Text("12.3400"), FieldValue::Text("2024-02-29 08:05:00"),
             FieldValue::Text("10:30:00"),
             FieldValue::Text("{6F9619FF-8B86-D011-B42D-00C04FC964FF}"), FieldValue::Text("abc")});
  rs.AddRow({FieldValue::Float(3.5), FieldValue::Boolean(false), FieldValue::Text("7"),
             FieldValue::Text("1"), FieldValue::Text("2024-02-29"), FieldValue::Null(),
             FieldValue::Null(), FieldValue::Text(" 42 ")});
  rs.MoveFirst();
  EXPECT_EQ(TVmDB::LeerEntero(&rs, "F"), 2);  // ties to even
  EXPECT_EQ(TVmDB::LeerEntero(&rs, "B"), -1);
  EXPECT_EQ(TVmDB::LeerEntero(&rs, "D"), -4);
  EXPECT_EQ(TVmDB::LeerTexto(&rs, "F"), "2,5");
  EXPECT_EQ(TVmDB::LeerTexto(&rs, "B"), "True");
  EXPECT_EQ(TVmDB::LeerTexto(&rs, "D"), "-3,50");
  EXPECT_EQ(TVmDB::LeerTexto(&rs, "C"), "12,34");
  EXPECT_EQ(TVmDB::LeerTexto(&rs, "T"), "29/02/2024 08:05:00");
  EXPECT_EQ(TVmDB::LeerTexto(&rs, "H"), "10:30:00");
  EXPECT_EQ(TVmDB::LeerTexto(&rs, "G"), "{6F9619FF-8B86-D011-B42D-00C04FC964FF}");
  EXPECT_THROW(TVmDB::LeerEntero(&rs, "X"), ERecordsetError);
  EXPECT_THROW(TVmDB::LeerEntero(&rs, "G"), ERecordsetError);
  rs.MoveNext();
  EXPECT_EQ(TVmDB::LeerEntero(&rs, "F"), 4);
  EXPECT_EQ(TVmDB::LeerEntero(&rs, "B"), 0);
  EXPECT_EQ(TVmDB::LeerEntero(&rs, "X"), 42);
  EXPECT_EQ(TVmDB::LeerTexto(&rs, "C"), "1");
  EXPECT_EQ(TVmDB::LeerTexto(&rs, "T"), "29/02/2024");
  EXPECT_EQ(TVmDB::LeerTexto(&rs, "H"), "");
}

TEST(CopiarRecordset, CopiesEveryRowAndOutlivesTheSource) {
  EXPECT_EQ(CopiarRecordset(nullptr), nullptr);
  Recordset closed;
  EXPECT_EQ(CopiarRecordset(&closed), nullptr);

  auto source = std::make_unique<Recordset>(Terminals());
  source->SetFilter("NUMERO = 7");
  source->MoveNext();
  std::unique_ptr<Recordset> copy = CopiarRecordset(source.get());
  source.reset();
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->RecordCount(), 2);
  EXPECT_FALSE(copy->Bof());
  EXPECT_EQ(TVmDB::LeerTexto(copy.get(), "TERMINAL"), "PC-01");

  Recordset empty({MakeField("A", DataTypeEnum::adInteger)});
  std::unique_ptr<Recordset> empty_copy = CopiarRecordset(&empty);
  ASSERT_NE(empty_copy, nullptr);
  EXPECT_FALSE(TVmDB::TieneRegistros(empty_copy.get()));
}

TEST(ArmarConnectionString, BuildsEachVariant) {
  struct Case {
    const char* server;
    const char* user;
    const char* password;
    const char* catalog;
    bool integrated;
    bool shaping;
    const char* expected;
  };
  const Case cases[] = {
      {"", "", "", "", false, false,
       "Provider=SQLOLEDB.1;Persist Security Info=True;Data Source= (Local);"},
      {"SRV\\SQL2019", "sa", "secreta", "Diccionario", false, false,
       "Provider=SQLOLEDB.1;Persist Security Info=True;Initial Catalog=Diccionario;User ID=sa;"
       "Password=secreta;Data Source= SRV\\SQL2019;"},
      {"SRV", "sa", "secreta", "Emp01", true, false,
       "Provider=SQLOLEDB.1;Persist Security Info=True;Initial Catalog=Emp01;"
       "Integrated Security=SSPI;Data Source= SRV;"},
      {"", "", "", "Emp01", false, true,
       "Provider=MSDataShape.1;Data Provider=SQLOLEDB.1;Persist Security Info=True;"
       "Initial Catalog=Emp01;Data Source= (Local);"},
      {"SRV", "usuario", "", "", false, false,
       "Provider=SQLOLEDB.1;Persist Security Info=True;User ID=usuario;Data Source= SRV;"},
      {"SRV", "", "clave;rara", "", false, true,
       "Provider=MSDataShape.1;Data Provider=SQLOLEDB.1;Persist Security Info=True;"
       "Password=clave;rara;Data Source= SRV;"},
      {"", "sa", "x", "", true, true,
       "Provider=MSDataShape.1;Data Provider=SQLOLEDB.1;Persist Security Info=True;"
       "Integrated Security=SSPI;Data Source= (Local);"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ArmarConnectionString(c.server, c.user, c.password, c.catalog, c.integrated,
                                    c.shaping),
              c.expected);
  }
}

TEST(TextHelpers, HexAndReversal) {
  EXPECT_EQ(BytesAHex(std::string("\x00\xAB\x0F\xFF", 4)), "00AB0FFF");
  EXPECT_EQ(BytesAHex(""), "");
  std::string every;
  for (int b = 0; b < 256; ++b) every.push_back(static_cast<char>(b));
  EXPECT_EQ(BytesAHex(every).size(), 512u);
  EXPECT_EQ(HexABytes(BytesAHex(every)), every);

  EXPECT_EQ(HexABytes("0A1"), std::string("\x0A"));     // odd last character ignored
  EXPECT_EQ(HexABytes("zz41"), std::string("\0A", 2));  // invalid pair gives 0
  EXPECT_EQ(HexABytes("ff0x"), std::string("\xFF\0", 2));
  EXPECT_EQ(HexABytes("é1"), std::string("\0", 1));     // one pair of two characters
  EXPECT_EQ(HexABytes(""), "");
  EXPECT_EQ(HexABytes("4"), "");

  EXPECT_EQ(InvertirTexto("9.70.001.1110"), "0111.100.07.9");
  EXPECT_EQ(InvertirTexto("Ñandú"), "údnaÑ");
  EXPECT_EQ(InvertirTexto(""), "");
}

Recordset DetailWithSeveralNames() {
  Recordset rs({MakeField("", DataTypeEnum::adInteger), MakeField("X", DataTypeEnum::adVarChar, 5),
                MakeField("x", DataTypeEnum::adDecimal, 0, true, 10, 2),
                MakeField("", DataTypeEnum::adDBTimeStamp), MakeField("X_1", DataTypeEnum::adNumeric),
                MakeField("T", DataTypeEnum::adFileTime), MakeField("V", DataTypeEnum::adVarNumeric),
                MakeField("D", DataTypeEnum::adDate)});
  rs.AddRow({FieldValue::Integer(1), FieldValue::Text("a"), FieldValue::Text("1.50"),
             FieldValue::Text("2024-01-02 03:04:05.678"), FieldValue::Integer(9),
             FieldValue::Null(), FieldValue::Text("-0.001"), FieldValue::Null()});
  return rs;
}

TEST(TClientDatasetCd, NamesFieldsAndChoosesFieldClasses) {
  TClientDatasetCd dataset;
  dataset.Open(DetailWithSeveralNames());
  std::vector<std::string> names;
  std::vector<std::string> classes;
  for (const auto& field : dataset.Fields()) {
    names.push_back(field->FieldName());
    classes.push_back(field->ClassName());
  }
  EXPECT_EQ(names, (std::vector<std::string>{"COLUMN1", "X", "x_1", "COLUMN2", "X_1_1", "T", "V",
                                             "D"}));
  EXPECT_EQ(classes,
            (std::vector<std::string>{"TIntegerField", "TStringField", "TDecimalFieldCd",
                                      "TDateTimeFieldCd", "TDecimalFieldCd", "TDateTimeFieldCd",
                                      "TDecimalFieldCd", "TDateTimeField"}));
  EXPECT_EQ(dataset.FieldByName("x_1").AsString(), "1,50");
  EXPECT_EQ(dataset.FieldByName("COLUMN2").AsString(), "02/01/2024 03:04:05,678");
  EXPECT_EQ(dataset.FieldByName("V").AsString(), "-0,001");
  EXPECT_EQ(dataset.FieldByName("column1").AsString(), "1");
  EXPECT_EQ(dataset.FieldByName("T").AsString(), "");
  EXPECT_THROW(dataset.FieldByName("NO"), ERecordsetError);
}

TEST(TClientDatasetCd, OpensAPackageFileAndServesTVmDB) {
  Recordset detail({MakeField("ORDEN", DataTypeEnum::adInteger),
                    MakeField("TIPO", DataTypeEnum::adVarChar, 30),
                    MakeField("ARCHIVO", DataTypeEnum::adVarChar, 100),
                    MakeField("ID_HOTFIXDETAIL", DataTypeEnum::adInteger),
                    MakeField("Chile", DataTypeEnum::adBoolean),
                    MakeField("RESTO", DataTypeEnum::adBoolean)});
  detail.AddRow({FieldValue::Integer(2), FieldValue::Text("Script Empre"),
                 FieldValue::Text("b.sql"), FieldValue::Integer(20), FieldValue::Boolean(true),
                 FieldValue::Boolean(true)});
  detail.AddRow({FieldValue::Integer(1), FieldValue::Text("Script Empre"),
                 FieldValue::Text("a.sql"), FieldValue::Integer(10), FieldValue::Boolean(true),
                 FieldValue::Boolean(true)});
  detail.AddRow({FieldValue::Integer(3), FieldValue::Text("Server"), FieldValue::Text("s.exe"),
                 FieldValue::Integer(30), FieldValue::Boolean(true), FieldValue::Boolean(false)});
  testing::TempDir dir;
  SaveRecordsetFile(detail, dir.File("HotFixDetail.Data"));

  TClientDatasetCd dataset;
  dataset.LoadFromFile(dir.File("HotFixDetail.Data"));
  EXPECT_EQ(dataset.RecordCount(), 3);
  Recordset* rs = dataset.recordset();
  rs->SetSort("ORDEN");
  rs->SetFilter("(TIPO = 'Script Empre') AND (Chile = 1) AND (RESTO = 1)");
  std::vector<std::string> zips;
  for (TVmDB::IrAlPrimero(rs); !rs->Eof(); TVmDB::IrAlSiguiente(rs)) {
    zips.push_back(TVmDB::LeerTexto(rs, "ARCHIVO") + "_" + TVmDB::LeerTexto(rs, "ID_HOTFIXDETAIL"));
  }
  EXPECT_EQ(zips, (std::vector<std::string>{"a.sql_10", "b.sql_20"}));
  rs->SetFilter("");
  EXPECT_EQ(dataset.RecordCount(), 3);

  TClientDatasetCd master;
  master.Open(Terminals());
  dataset.SetMaster(&master);
  master.Insert();
  EXPECT_EQ(dataset.RecordCount(), 0);
  master.Cancel();
  EXPECT_EQ(dataset.RecordCount(), 3);

  dataset.Close();
  EXPECT_EQ(dataset.recordset(), nullptr);
  EXPECT_FALSE(TVmDB::TieneRegistros(dataset.recordset()));

  TClientDatasetCd missing;
  EXPECT_THROW(missing.LoadFromFile(dir.File("HotFixMaster.Data")), EPersistedRecordsetError);
  EXPECT_FALSE(missing.Active());
}

}  // namespace
}  // namespace hotfix
