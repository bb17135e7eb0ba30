#include "db/recordset.h"

#include <gtest/gtest.h>

#include "db/recordset_filter.h"

namespace hotfix {
namespace {

// A detail recordset shaped like a hotfix package's, with the country and
// platform flags as Booleans.
Recordset PackageDetail() {
  Recordset rs({MakeField("ORDEN", DataTypeEnum::adInteger),
                MakeField("TIPO", DataTypeEnum::adVarChar, 30),
                MakeField("Archivo", DataTypeEnum::adVarWChar, 100),
                MakeField("Argentina", DataTypeEnum::adBoolean),
                MakeField("Chile", DataTypeEnum::adBoolean),
                MakeField("ORVIN", DataTypeEnum::adBoolean),
                MakeField("RESTO", DataTypeEnum::adBoolean),
                MakeField("Nombre Servicio", DataTypeEnum::adVarChar, 50),
                MakeField("Alta", DataTypeEnum::adDBTimeStamp)});
  const auto row = [&rs](int orden, const char* tipo, const char* archivo, bool ar, bool cl,
                         bool orvin, bool resto, FieldValue servicio, const char* alta) {
    rs.AddRow({FieldValue::Integer(orden), FieldValue::Text(tipo), FieldValue::Text(archivo),
               FieldValue::Boolean(ar), FieldValue::Boolean(cl), FieldValue::Boolean(orvin),
               FieldValue::Boolean(resto), std::move(servicio), FieldValue::Text(alta)});
  };
  row(3, "Script Diccio", "dic_ar.sql", true, false, true, false, FieldValue::Null(), "2024-01-31");
  row(1, "Server", "Servidor.exe", true, true, true, true, FieldValue::Text("SrvQuiltor"),
      "2024-02-01 10:30:00");
  row(2, "Script Empre", "emp.sql", true, true, false, true, FieldValue::Null(), "2024-02-02");
  row(4, "Script Diccio", "dic_cl.sql", false, true, true, true, FieldValue::Null(), "2023-12-31");
  row(5, "Server", "O'Brien.dll", false, true, false, true, FieldValue::Text(""), "2024-03-01");
  return rs;
}

std::vector<std::string> ArchivosVisibles(Recordset& rs) {
  std::vector<std::string> out;
  for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) out.push_back(rs.Value("archivo").AsText());
  return out;
}

using Names = std::vector<std::string>;

struct FilterCase {
  const char* filter;
  Names expected;
};

TEST(RecordsetFilter, SelectsTheRowsOfEachFilterText) {
  const FilterCase cases[] = {
      // The texts the hotfix package builds.
      {"(TIPO = 'Script Diccio') AND (Argentina = 1) AND (ORVIN = 1)", {"dic_ar.sql"}},
      {" TIPO = 'Server' AND (Chile = 1) AND (RESTO = 1)", {"Servidor.exe", "O'Brien.dll"}},
      {"(TIPO <> 'Script Diccio') AND (TIPO <> 'Script Empre') AND (Argentina = 1) AND "
       "(ORVIN = 1)",
       {"Servidor.exe"}},
      {"(TIPO = 'Script Empre') AND (Chile = 1) AND (RESTO = 1)", {"emp.sql"}},
      // Booleans compared with True/False and 0.
      {"Argentina = True AND ORVIN = false", {"emp.sql"}},
      {"Argentina = 0", {"dic_cl.sql", "O'Brien.dll"}},
      // Text without regard to case, quotes doubled, names in brackets.
      {"tipo = 'SERVER'", {"Servidor.exe", "O'Brien.dll"}},
      {"Archivo = 'o''brien.DLL'", {"O'Brien.dll"}},
      {"[Nombre Servicio] = 'srvquiltor'", {"Servidor.exe"}},
      {"[TIPO]='Server'AND[ORDEN]>1", {"O'Brien.dll"}},
      // AND binds tighter than OR; parentheses change it.
      {"ORDEN = 1 OR ORDEN = 2 AND TIPO = 'Server'", {"Servidor.exe"}},
      {"ORDEN = 4 OR TIPO = 'Script Empre' AND Chile = 0", {"dic_cl.sql"}},
      {"TIPO = 'Script Empre' AND Chile = 0 OR ORDEN = 4", {"dic_cl.sql"}},
      {"(ORDEN = 4 OR TIPO = 'Script Empre') AND Chile = 0", {}},
      {"((ORDEN = 4) OR ((ORDEN = 3)))", {"dic_ar.sql", "dic_cl.sql"}},
      // Numbers and every comparison.
      {"ORDEN >= 4", {"dic_cl.sql", "O'Brien.dll"}},
      {"ORDEN < 2.5", {"Servidor.exe", "emp.sql"}},
      {"ORDEN <= 1", {"Servidor.exe"}},
      {"ORDEN > -1 AND ORDEN <> 3 AND ORDEN <> 4 AND ORDEN <> 5", {"Servidor.exe", "emp.sql"}},
      // LIKE with both wildcards, anywhere.
      {"TIPO LIKE 'script*'", {"dic_ar.sql", "emp.sql", "dic_cl.sql"}},
      {"Archivo LIKE '%.SQL'", {"dic_ar.sql", "emp.sql", "dic_cl.sql"}},
      {"Archivo LIKE 'dic_*.sql' AND TIPO LIKE '*Diccio'", {"dic_ar.sql", "dic_cl.sql"}},
      {"Archivo LIKE 'emp.sql'", {"emp.sql"}},
      // Dates in hashes and in quotes, in both styles.
      {"Alta >= #2024-02-01# AND Alta < '02/02/2024'", {"Servidor.exe"}},
      {"Alta = #2023-12-31#", {"dic_cl.sql"}},
      // Null: only "= Null" finds it; an empty text is not Null.
      {"[Nombre Servicio] = NULL", {"dic_ar.sql", "emp.sql", "dic_cl.sql"}},
      {"[Nombre Servicio] <> null", {"Servidor.exe", "O'Brien.dll"}},
      {"[Nombre Servicio] = ''", {"O'Brien.dll"}},
      {"[Nombre Servicio] <> 'x'", {"Servidor.exe", "O'Brien.dll"}},
      // The empty filter shows everything.
      {"", {"dic_ar.sql", "Servidor.exe", "emp.sql", "dic_cl.sql", "O'Brien.dll"}},
      {"   ", {"dic_ar.sql", "Servidor.exe", "emp.sql", "dic_cl.sql", "O'Brien.dll"}},
  };
  for (const FilterCase& c : cases) {
    Recordset rs = PackageDetail();
    rs.SetFilter(c.filter);
    EXPECT_EQ(ArchivosVisibles(rs), c.expected) << c.filter;
    EXPECT_EQ(rs.RecordCount(), static_cast<int>(c.expected.size())) << c.filter;
    EXPECT_EQ(rs.Filter(), c.filter);
  }
}

TEST(RecordsetFilter, FlagsHeldAsIntegersCompareTheSameWay) {
  Recordset rs({MakeField("TIPO", DataTypeEnum::adVarChar, 30),
                MakeField("Chile", DataTypeEnum::adUnsignedTinyInt),
                MakeField("RESTO", DataTypeEnum::adInteger)});
  rs.AddRow({FieldValue::Text("Server"), FieldValue::Integer(1), FieldValue::Integer(1)});
  rs.AddRow({FieldValue::Text("Server"), FieldValue::Integer(0), FieldValue::Integer(1)});
  rs.SetFilter(" TIPO = 'Server' AND (Chile = 1) AND (RESTO = 1)");
  EXPECT_EQ(rs.RecordCount(), 1);
}

TEST(RecordsetFilter, RejectsInvalidTextsWithAClearMessageAndKeepsThePreviousFilter) {
  const char* invalid[] = {
      "TIPO = 'Server",                 // unclosed quote
      "(TIPO = 'Server'",               // unclosed parenthesis
      "TIPO = 'Server')",               // extra parenthesis
      "TIPO 'Server'",                  // no operator
      "TIPO =",                         // no value
      "= 'Server'",                     // no field
      "NOEXISTE = 1",                   // unknown field
      "ORDEN = 'uno'",                  // text for a number
      "Alta = #ayer#",                  // not a date
      "ORDEN = #2024-01-01#",           // a date for a number
      "TIPO = 'a' AND",                 // dangling AND
      "TIPO = 'a' XOR ORDEN = 1",       // unknown joiner
      "ORDEN LIKE '1*'",                // LIKE on a number
      "ORDEN > NULL",                   // Null with an ordering
      "TIPO = Server",                  // unquoted text
      "[TIPO = 'x'",                    // unclosed bracket
      "TIPO ! 'x'",                     // unknown character
      "Argentina = 'quizás'",           // not a Boolean
  };
  for (const char* text : invalid) {
    Recordset rs = PackageDetail();
    rs.SetFilter("ORDEN = 1");
    try {
      rs.SetFilter(text);
      ADD_FAILURE() << "accepted: " << text;
    } catch (const ERecordsetError& error) {
      EXPECT_NE(std::string(error.what()).find("El filtro «"), std::string::npos) << error.what();
      EXPECT_NE(std::string(error.what()).find("no es válido"), std::string::npos) << error.what();
    }
    EXPECT_EQ(rs.Filter(), "ORDEN = 1") << text;
    EXPECT_EQ(rs.RecordCount(), 1) << text;
  }
}

TEST(RecordsetFilter, DeepNestingIsRefusedInsteadOfExhaustingTheStack) {
  Recordset rs = PackageDetail();
  const std::string deep = std::string(5000, '(') + "ORDEN = 1" + std::string(5000, ')');
  EXPECT_THROW(rs.SetFilter(deep), ERecordsetError);
  const std::string fine = std::string(50, '(') + "ORDEN = 1" + std::string(50, ')');
  rs.SetFilter(fine);
  EXPECT_EQ(rs.RecordCount(), 1);
}

TEST(RecordsetFilter, LikePatterns) {
  EXPECT_TRUE(MatchesLikePattern("Script Diccio", "script*"));
  EXPECT_TRUE(MatchesLikePattern("Script Diccio", "*DICCIO"));
  EXPECT_TRUE(MatchesLikePattern("Script Diccio", "%ipt%cc%"));
  EXPECT_TRUE(MatchesLikePattern("Año", "AÑO"));
  EXPECT_TRUE(MatchesLikePattern("", "*"));
  EXPECT_FALSE(MatchesLikePattern("Script", "Script?"));
  EXPECT_FALSE(MatchesLikePattern("Scrip", "Script*"));
  EXPECT_FALSE(MatchesLikePattern("aXbXc", "a*b*d"));
}

TEST(RecordsetSort, IsStableAndHonoursDirectionsAndSeveralFields) {
  Recordset rs = PackageDetail();
  rs.SetSort("TIPO");
  // Equal TIPO keep their row order.
  EXPECT_EQ(ArchivosVisibles(rs),
            (Names{"dic_ar.sql", "dic_cl.sql", "emp.sql", "Servidor.exe", "O'Brien.dll"}));
  rs.SetSort("[TIPO] DESC, ORDEN desc");
  EXPECT_EQ(ArchivosVisibles(rs),
            (Names{"O'Brien.dll", "Servidor.exe", "emp.sql", "dic_cl.sql", "dic_ar.sql"}));
  rs.SetSort("ORDEN ASC");
  EXPECT_EQ(ArchivosVisibles(rs),
            (Names{"Servidor.exe", "emp.sql", "dic_ar.sql", "dic_cl.sql", "O'Brien.dll"}));
  // Null sorts first; a filter and a sort work together.
  rs.SetFilter("ORDEN <> 2");
  rs.SetSort("Nombre Servicio");
  EXPECT_EQ(ArchivosVisibles(rs), (Names{"dic_ar.sql", "dic_cl.sql", "O'Brien.dll", "Servidor.exe"}));
  rs.SetSort("");
  EXPECT_EQ(ArchivosVisibles(rs), (Names{"dic_ar.sql", "Servidor.exe", "dic_cl.sql", "O'Brien.dll"}));
  EXPECT_THROW(rs.SetSort("NOEXISTE"), ERecordsetError);
  EXPECT_THROW(rs.SetSort("ORDEN,,TIPO"), ERecordsetError);
}

TEST(RecordsetSort, StableOverManyEqualKeys) {
  Recordset rs({MakeField("K", DataTypeEnum::adInteger), MakeField("N", DataTypeEnum::adInteger)});
  for (int i = 0; i < 200; ++i) {
    rs.AddRow({FieldValue::Integer(i % 3), FieldValue::Integer(i)});
  }
  rs.SetSort("K DESC");
  int last_k = 3;
  int last_n = -1;
  for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
    const int k = static_cast<int>(rs.Value("K").AsInteger());
    const int n = static_cast<int>(rs.Value("N").AsInteger());
    EXPECT_LE(k, last_k);
    if (k == last_k) {
      EXPECT_GT(n, last_n);
    }
    last_k = k;
    last_n = n;
  }
}

TEST(RecordsetCursor, EmptyAndFullRecordsetsFollowAdoRules) {
  Recordset rs({MakeField("A", DataTypeEnum::adInteger)});
  EXPECT_TRUE(rs.Bof());
  EXPECT_TRUE(rs.Eof());
  EXPECT_EQ(rs.RecordCount(), 0);
  EXPECT_THROW(rs.MoveNext(), ERecordsetError);
  EXPECT_THROW(rs.Value("A"), ERecordsetError);

  rs.AddRow({FieldValue::Integer(1)});
  rs.AddRow({FieldValue::Integer(2)});
  EXPECT_FALSE(rs.Bof());
  EXPECT_EQ(rs.Value("a").AsInteger(), 1);
  rs.MoveNext();
  rs.MoveNext();
  EXPECT_TRUE(rs.Eof());
  EXPECT_FALSE(rs.Bof());
  EXPECT_THROW(rs.Value("A"), ERecordsetError);
  EXPECT_THROW(rs.MoveNext(), ERecordsetError);
  rs.MoveLast();
  EXPECT_EQ(rs.Value("A").AsInteger(), 2);
  rs.MovePrevious();
  rs.MovePrevious();
  EXPECT_TRUE(rs.Bof());
  EXPECT_THROW(rs.MovePrevious(), ERecordsetError);
  EXPECT_THROW(rs.Value("B"), ERecordsetError);
  rs.SetFilter("A = 3");
  EXPECT_TRUE(rs.Bof() && rs.Eof());
}

TEST(RecordsetValues, AreConvertedToTheFieldsTypesOrRefused) {
  Recordset rs({MakeField("I", DataTypeEnum::adSmallInt), MakeField("T", DataTypeEnum::adVarChar, 3),
                MakeField("N", DataTypeEnum::adNumeric, 0, false, 10, 2),
                MakeField("D", DataTypeEnum::adDate)});
  rs.AddRow({FieldValue::Text("12"), FieldValue::Integer(7), FieldValue::Float(1.25),
             FieldValue::Text("31/12/2023 23:59")});
  EXPECT_EQ(rs.Value("I").AsInteger(), 12);
  EXPECT_EQ(rs.Value("T").AsText(), "7");
  EXPECT_EQ(rs.Value("N").AsDecimal().ToString(), "1.25");
  EXPECT_EQ(rs.Value("D").AsDateTime().ToIsoText(), "2023-12-31 23:59:00");
  EXPECT_THROW(rs.AddRow({FieldValue::Integer(40000), FieldValue::Null(), FieldValue::Integer(1),
                          FieldValue::Null()}),
               ERecordsetError);
  EXPECT_THROW(rs.AddRow({FieldValue::Null(), FieldValue::Text("abcd"), FieldValue::Integer(1),
                          FieldValue::Null()}),
               ERecordsetError);
  EXPECT_THROW(rs.AddRow({FieldValue::Null(), FieldValue::Null(), FieldValue::Null(),
                          FieldValue::Null()}),
               ERecordsetError);  // N does not admit Null
  EXPECT_THROW(rs.AddRow({FieldValue::Null()}), ERecordsetError);
  EXPECT_EQ(rs.RowCount(), 1u);
}

}  // namespace
}  // namespace hotfix
