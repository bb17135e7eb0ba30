#include <gtest/gtest.h>

#include <random>

#include "base/codepage.h"
#include "db/adtg_format.h"
#include "db/adtg_reader.h"
#include "db/adtg_writer.h"
#include "support/temp_dir.h"

namespace hotfix {
namespace {

// Little-endian byte assembly for files laid out by hand.
class Bytes {
 public:
  Bytes& u8(unsigned v) {
    s_.push_back(static_cast<char>(v));
    return *this;
  }
  Bytes& u16(unsigned v) { return u8(v & 0xFF).u8(v >> 8); }
  Bytes& u32(uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
  Bytes& raw(std::string_view v) {
    s_.append(v);
    return *this;
  }
  Bytes& guid(const uint8_t* g) { return raw(std::string_view(reinterpret_cast<const char*>(g), 16)); }
  // A length-prefixed string: count of UTF-16 characters, then them.
  Bytes& lps(std::string_view utf8) {
    const std::string wide = Utf8ToUtf16Le(utf8);
    return u16(static_cast<unsigned>(wide.size() / 2)).raw(wide);
  }
  // An element: token, two-byte size of what follows, the body.
  Bytes& element(unsigned token, const Bytes& body) {
    return u8(token).u16(static_cast<unsigned>(body.s_.size())).raw(body.s_);
  }
  const std::string& str() const { return s_; }

 private:
  std::string s_;
};

// The start every TableGram shares: header and handler options.
Bytes Preamble() {
  Bytes b;
  b.u8(0x01).u8(0x07).raw("TG!").u8(0).u8(0).u8(0).u8(0);
  b.element(0x02, Bytes().guid(adtg::kRecordsetGuid).u8(1).lps("").lps("").lps("").u16(1));
  return b;
}

Bytes ResultDescriptor(unsigned columns, unsigned tables, unsigned rows) {
  Bytes body;
  body.guid(adtg::kResultDescriptorGuid).u8(0).u8(0).u8(0);
  body.u16(columns).u16(columns).u16(0).u16(tables).u16(0).u32(rows);
  return body;
}

// A file written by hand from the published layout: a table descriptor, a
// context with a property, a column with base-table information and an
// optional field after its flags, text in both widths, nulls.
std::string HandAssembledFile() {
  Bytes b = Preamble();
  b.element(0x03, ResultDescriptor(4, 1, 2));
  static constexpr uint8_t kRowsetProperties[16] = {0xBE, 0x22, 0xB5, 0xC8, 0xF3, 0x5C, 0xCE, 0x11,
                                                    0xAD, 0xE5, 0x00, 0xAA, 0x00, 0x44, 0x77, 0x3D};
  b.element(0x10, Bytes().u16(1).guid(kRowsetProperties).u16(1).u32(0x22).u16(4).u32(30));
  b.element(0x05, Bytes().u16(1).lps("HOTFIX").lps("HOTFIX").u16(0).u16(4).u16(1).u16(1));
  // ID: integer, not null, friendly name + base table ordinal, column
  // ordinal and name, and IsAutoIncrement (0x000100) before IsVisible.
  b.element(0x06, Bytes()
                      .u8(0xF0).u8(0x01).u8(0x00)
                      .u16(1).lps("ID").u16(1).u16(1).lps("ID")
                      .u16(0x03).u32(4).u32(10).u32(0).u32(0x14)
                      .u16(0xFFFF)    // IsAutoIncrement
                      .u16(0xFFFF));  // IsVisible
  // NOMBRE: variable wide text of up to 20 characters, nullable.
  b.element(0x06, Bytes().u8(0x80).u8(0).u8(0).u16(2).lps("NOMBRE")
                      .u16(0x82).u32(20).u32(0).u32(0).u32(0x64).u16(0xFFFF));
  // ACTIVO: Boolean, nullable.
  b.element(0x06, Bytes().u8(0x80).u8(0).u8(0).u16(3).lps("ACTIVO")
                      .u16(0x0B).u32(2).u32(0).u32(0).u32(0x70).u16(0xFFFF));
  // CODIGO: fixed 8-bit text of 4 characters, not null.
  b.element(0x06, Bytes().u8(0x80).u8(0).u8(0).u16(4).lps("CODIGO")
                      .u16(0x81).u32(4).u32(0).u32(0).u32(0x10).u16(0xFFFF));
  // Row 1: both nullable columns present (bits 1 1).
  b.u8(0x07).u8(0xC0).u32(1).u8(8).raw(Utf8ToUtf16Le("José")).u16(0xFFFF).raw("A\xF1o ");
  // Row 2: NOMBRE null, ACTIVO present (bits 0 1).
  b.u8(0x07).u8(0x40).u32(2).u16(0).raw("XY  ");
  b.u8(0x0F);
  return b.str();
}

TEST(AdtgReader, ReadsAFileLaidOutByHandFromThePublishedLayout) {
  Recordset rs = ParseAdtg(HandAssembledFile(), "a_mano.Data");
  ASSERT_EQ(rs.Fields().size(), 4u);
  EXPECT_EQ(rs.Fields()[0], MakeField("ID", DataTypeEnum::adInteger, 0, false));
  EXPECT_EQ(rs.Fields()[1].type, DataTypeEnum::adVarWChar);
  EXPECT_EQ(rs.Fields()[1].defined_size, 20u);
  EXPECT_TRUE(rs.Fields()[1].nullable);
  EXPECT_EQ(rs.Fields()[2].type, DataTypeEnum::adBoolean);
  EXPECT_EQ(rs.Fields()[3].type, DataTypeEnum::adChar);
  EXPECT_FALSE(rs.Fields()[3].nullable);
  ASSERT_EQ(rs.RecordCount(), 2);
  EXPECT_EQ(rs.Value("id").AsInteger(), 1);
  EXPECT_EQ(rs.Value("NOMBRE").AsText(), "José");
  EXPECT_TRUE(rs.Value("ACTIVO").AsBoolean());
  EXPECT_EQ(rs.Value("CODIGO").AsText(), "Año ");
  rs.MoveNext();
  EXPECT_EQ(rs.Value("ID").AsInteger(), 2);
  EXPECT_TRUE(rs.Value("NOMBRE").IsNull());
  EXPECT_FALSE(rs.Value("ACTIVO").AsBoolean());
  EXPECT_EQ(rs.Value("CODIGO").AsText(), "XY  ");
}

TEST(AdtgReader, AppliesPendingChangesDeletionsAndInsertions) {
  Bytes b = Preamble();
  b.element(0x03, ResultDescriptor(2, 0, 3));
  b.element(0x10, Bytes());
  b.element(0x06, Bytes().u8(0x80).u8(0).u8(0).u16(1).lps("N")
                      .u16(0x03).u32(4).u32(0).u32(0).u32(0x10).u16(0xFFFF));
  b.element(0x06, Bytes().u8(0x80).u8(0).u8(0).u16(2).lps("T")
                      .u16(0x81).u32(10).u32(0).u32(0).u32(0x60).u16(0xFFFF));
  b.u8(0x07).u8(0x80).u32(1).u8(3).raw("uno");
  b.u8(0x0C);                                    // row 1 deleted
  b.u8(0x07).u8(0x80).u32(2).u8(3).raw("dos");
  b.u8(0x0A).u8(0x40).u8(0x00).u8(3).raw("DOS");  // T changed
  b.u8(0x07).u8(0x80).u32(3).u8(4).raw("tres");
  b.u8(0x0A).u8(0x40).u8(0x40);                  // T set to Null
  b.u8(0x0D).u8(0x80).u8(0x00).u32(4);           // inserted with N only
  b.u8(0x0F);
  Recordset rs = ParseAdtg(b.str(), "cambios.Data");
  ASSERT_EQ(rs.RecordCount(), 3);
  EXPECT_EQ(rs.Value("N").AsInteger(), 2);
  EXPECT_EQ(rs.Value("T").AsText(), "DOS");
  rs.MoveNext();
  EXPECT_EQ(rs.Value("N").AsInteger(), 3);
  EXPECT_TRUE(rs.Value("T").IsNull());
  rs.MoveNext();
  EXPECT_EQ(rs.Value("N").AsInteger(), 4);
  EXPECT_TRUE(rs.Value("T").IsNull());
}

GuidBytes SampleGuid() {
  return *ParseGuidText("{6F9619FF-8B86-D011-B42D-00C04FC964FF}");
}

Timestamp At(const char* text) { return *Timestamp::Parse(text); }

// One field of every supported type, a row of values and a row of Nulls.
Recordset EveryType() {
  std::vector<Field> fields = {
      MakeField("SmallInt", DataTypeEnum::adSmallInt),
      MakeField("Integer", DataTypeEnum::adInteger),
      MakeField("TinyInt", DataTypeEnum::adTinyInt),
      MakeField("UTinyInt", DataTypeEnum::adUnsignedTinyInt),
      MakeField("USmallInt", DataTypeEnum::adUnsignedSmallInt),
      MakeField("UInt", DataTypeEnum::adUnsignedInt),
      MakeField("BigInt", DataTypeEnum::adBigInt),
      MakeField("UBigInt", DataTypeEnum::adUnsignedBigInt),
      MakeField("Single", DataTypeEnum::adSingle),
      MakeField("Double", DataTypeEnum::adDouble),
      MakeField("Currency", DataTypeEnum::adCurrency),
      MakeField("Decimal", DataTypeEnum::adDecimal, 0, true, 28, 6),
      MakeField("Numeric", DataTypeEnum::adNumeric, 0, true, 38, 4),
      MakeField("VarNumeric", DataTypeEnum::adVarNumeric, 0, true, 30, 2),
      MakeField("Boolean", DataTypeEnum::adBoolean),
      MakeField("Date", DataTypeEnum::adDate),
      MakeField("DBDate", DataTypeEnum::adDBDate),
      MakeField("DBTime", DataTypeEnum::adDBTime),
      MakeField("DBTimeStamp", DataTypeEnum::adDBTimeStamp),
      MakeField("FileTime", DataTypeEnum::adFileTime),
      MakeField("Char", DataTypeEnum::adChar, 8),
      MakeField("VarChar", DataTypeEnum::adVarChar, 50),
      MakeField("LongVarChar", DataTypeEnum::adLongVarChar),
      MakeField("WChar", DataTypeEnum::adWChar, 6),
      MakeField("VarWChar", DataTypeEnum::adVarWChar, 40),
      MakeField("LongVarWChar", DataTypeEnum::adLongVarWChar),
      MakeField("BSTR", DataTypeEnum::adBSTR, 100),
      MakeField("GUID", DataTypeEnum::adGUID),
      MakeField("Binary", DataTypeEnum::adBinary, 4),
      MakeField("VarBinary", DataTypeEnum::adVarBinary, 10),
      MakeField("LongVarBinary", DataTypeEnum::adLongVarBinary),
      MakeField("Obligatorio", DataTypeEnum::adVarChar, 10, false),
  };
  Recordset rs(std::move(fields));
  rs.AddRow({
      FieldValue::Integer(-32768),
      FieldValue::Integer(2147483647),
      FieldValue::Integer(-128),
      FieldValue::Integer(255),
      FieldValue::Integer(65535),
      FieldValue::Integer(4294967295LL),
      FieldValue::Integer(INT64_MIN),
      FieldValue::Unsigned(UINT64_MAX),
      FieldValue::Float(1.5),
      FieldValue::Float(-1234.5678e100),
      FieldValue::FromCurrency(Currency{-922337203685477LL * 10000 - 5808}),
      FieldValue::FromDecimal(*Decimal::Parse("-79228162514264.337593543950335")),
      FieldValue::FromDecimal(*Decimal::Parse("12345678901234567890123456789012.3456")),
      FieldValue::FromDecimal(*Decimal::Parse("-0.05")),
      FieldValue::Boolean(true),
      FieldValue::FromTimestamp(At("2024-02-29 13:45:30.250")),
      FieldValue::FromTimestamp(At("1753-01-01")),
      FieldValue::FromTimestamp(At("23:59:59")),
      FieldValue::FromTimestamp(At("9999-12-31 23:59:59.999999999")),
      FieldValue::FromTimestamp(At("1601-01-01 00:00:00.0000001")),
      FieldValue::Text("Ñandú"),
      FieldValue::Text("Configuración €"),
      FieldValue::Text(std::string(600, 'x') + "ó"),
      FieldValue::Text("日本"),
      FieldValue::Text("Ω ≠ Ψ ‘comillas’"),
      FieldValue::Text(std::string(300, 'w') + "𝄞"),
      FieldValue::Text("texto BSTR"),
      FieldValue::Guid(SampleGuid()),
      FieldValue::Bytes(std::string("\x00\xFF", 2)),
      FieldValue::Bytes(std::string("\x01\x02\x00\x03", 4)),
      FieldValue::Bytes(std::string(70000, '\xAB')),
      FieldValue::Text("sí"),
  });
  std::vector<FieldValue> nulls(rs.Fields().size());
  nulls.back() = FieldValue::Text("");
  rs.AddRow(std::move(nulls));
  return rs;
}

TEST(AdtgRoundTrip, EveryTypeWithNullsAndAccentsSurvivesWritingAndReading) {
  const Recordset original = EveryType();
  testing::TempDir dir;
  const std::string path = dir.File("Todo.Data");
  SaveRecordsetFile(original, path);
  Recordset read = LoadRecordsetFile(path);

  ASSERT_EQ(read.Fields().size(), original.Fields().size());
  for (size_t i = 0; i < original.Fields().size(); ++i) {
    const Field& want = original.Fields()[i];
    const Field& got = read.Fields()[i];
    EXPECT_EQ(got.name, want.name);
    EXPECT_EQ(got.type, want.type) << want.name;
    EXPECT_EQ(got.defined_size, want.defined_size) << want.name;
    EXPECT_EQ(got.nullable, want.nullable) << want.name;
    if (IsExactNumericType(want.type)) {
      EXPECT_EQ(got.precision, want.precision) << want.name;
      EXPECT_EQ(got.numeric_scale, want.numeric_scale) << want.name;
    }
  }
  ASSERT_EQ(read.RowCount(), 2u);
  for (size_t i = 0; i < original.Fields().size(); ++i) {
    const std::string& name = original.Fields()[i].name;
    FieldValue want = original.Row(0)[i];
    // Fixed-length text comes back padded to its size, as ADO gives it.
    if (name == "Char") want = FieldValue::Text("Ñandú   ");
    if (name == "WChar") want = FieldValue::Text("日本    ");
    if (name == "Binary") want = FieldValue::Bytes(std::string("\x00\xFF\x00\x00", 4));
    EXPECT_EQ(read.Row(0)[i], want) << name << ": " << read.Row(0)[i].ToText();
    EXPECT_EQ(read.Row(1)[i], original.Row(1)[i]) << name;
  }
}

TEST(AdtgRoundTrip, EmptyRecordsetAndRecordsetWithoutFields) {
  Recordset empty({MakeField("A", DataTypeEnum::adInteger)});
  Recordset read = ParseAdtg(SerializeAdtg(empty), "vacio.Data");
  EXPECT_EQ(read.Fields().size(), 1u);
  EXPECT_TRUE(read.Bof() && read.Eof());

  Recordset none(std::vector<Field>{});
  none.AddRow({});
  EXPECT_EQ(ParseAdtg(SerializeAdtg(none), "x").RowCount(), 1u);
}

TEST(AdtgWriter, RefusesWhatTheLayoutCannotHold) {
  Recordset closed;
  EXPECT_THROW(SerializeAdtg(closed), ERecordsetError);
  // A wide value of more than 255 bytes in a field short enough for a
  // one-byte length.
  Recordset wide({MakeField("W", DataTypeEnum::adVarWChar, 200)});
  wide.AddRow({FieldValue::Text(std::string(150, 'a'))});
  EXPECT_THROW(SerializeAdtg(wide), ERecordsetError);
  testing::TempDir dir;
  Recordset ok({MakeField("A", DataTypeEnum::adInteger)});
  EXPECT_THROW(SaveRecordsetFile(ok, dir.File("no/existe/x.Data")), EPersistedRecordsetError);
}

void ExpectRejected(const std::string& bytes, const char* what) {
  try {
    ParseAdtg(bytes, "HotFixDetail.Data");
    ADD_FAILURE() << "accepted: " << what;
  } catch (const EPersistedRecordsetError& error) {
    EXPECT_NE(std::string(error.what()).find("«HotFixDetail.Data»"), std::string::npos)
        << what << ": " << error.what();
  }
}

TEST(AdtgReader, EveryTruncationFailsWithAnErrorNamingTheFile) {
  const std::string whole = SerializeAdtg(EveryType());
  for (size_t size = 0; size < whole.size(); size += (size < 4000 ? 1 : 997)) {
    ExpectRejected(whole.substr(0, size), "truncated");
  }
  const std::string hand = HandAssembledFile();
  for (size_t size = 0; size < hand.size(); ++size) ExpectRejected(hand.substr(0, size), "truncated");
}

TEST(AdtgReader, CorruptOrHostileFilesFailWithAnErrorNamingTheFile) {
  const std::string good = HandAssembledFile();
  struct Corruption {
    const char* what;
    size_t offset;
    std::string bytes;
  };
  const size_t rows = good.size() - 1 - 12 - 21;  // the first row's token
  const Corruption corruptions[] = {
      {"not a TableGram", 0, "\x02"},
      {"wrong signature", 2, "XG!"},
      {"big-endian", 7, "\x01"},
      {"short header", 1, "\x03"},
      {"unknown row token", rows, "\x42"},
      {"child row", rows, "\x87"},
  };
  for (const Corruption& c : corruptions) {
    std::string bad = good;
    bad.replace(c.offset, c.bytes.size(), c.bytes);
    ExpectRejected(bad, c.what);
  }

  // A four-byte length far beyond the file: refused, nothing allocated for it.
  Bytes b = Preamble();
  b.element(0x03, ResultDescriptor(1, 0, 1));
  b.element(0x10, Bytes());
  b.element(0x06, Bytes().u8(0x80).u8(0).u8(0).u16(1).lps("L")
                      .u16(0x80).u32(0xFFFFFFF0).u32(0).u32(0).u32(0x80).u16(0xFFFF));
  ExpectRejected(Bytes(b).u8(0x07).u32(0x7FFFFFF0).raw("abc").u8(0x0F).str(), "huge length");
  ExpectRejected(Bytes(b).u8(0x07).u32(0xFFFFFFFF).u8(0x0F).str(), "negative length");

  // More columns described than announced, and fewer.
  Bytes two = Preamble();
  two.element(0x03, ResultDescriptor(1, 0, 0));
  two.element(0x10, Bytes());
  const Bytes column = Bytes().u8(0x80).u8(0).u8(0).u16(1).lps("A")
                           .u16(0x03).u32(4).u32(0).u32(0).u32(0x10).u16(0xFFFF);
  ExpectRejected(Bytes(two).element(0x06, column).element(0x06, column).u8(0x0F).str(),
                 "extra column");
  ExpectRejected(Bytes(two).u8(0x0F).str(), "missing column");

  // Hierarchical recordsets are refused by name.
  ExpectRejected(Bytes(two).element(0x06, Bytes().u8(0x80).u8(0).u8(0).u16(1).lps("C")
                                              .u16(0x88).u32(4).u32(0).u32(0).u32(0).u16(0xFFFF))
                     .u8(0x0F).str(),
                 "chapter column");

  // A column descriptor whose size is too small for its own fields.
  ExpectRejected(Bytes(two).element(0x06, Bytes().u8(0x80).u8(0).u8(0).u16(1)).u8(0x0F).str(),
                 "short column descriptor");

  // Millions of cells claimed by a few bytes: columns whose values take no room.
  constexpr unsigned kColumns = 2000;
  Bytes nulls = Preamble();
  nulls.element(0x03, ResultDescriptor(kColumns, 0, 0));
  nulls.element(0x10, Bytes());
  for (unsigned c = 1; c <= kColumns; ++c) {
    nulls.element(0x06, Bytes().u8(0).u8(0).u8(0).u16(c)
                            .u16(0x00).u32(0).u32(0).u32(0).u32(0).u16(0xFFFF));
  }
  for (int i = 0; i < 2000; ++i) nulls.u8(0x07);
  ExpectRejected(nulls.u8(0x0F).str(), "zero-width cells");
}

TEST(AdtgReader, RandomDamageNeverCrashesOrReadsPastTheData) {
  const std::string good = SerializeAdtg(EveryType());
  std::mt19937 random(20240229);
  for (int round = 0; round < 3000; ++round) {
    std::string bad = good;
    const int flips = 1 + static_cast<int>(random() % 4);
    for (int f = 0; f < flips; ++f) {
      bad[random() % bad.size()] = static_cast<char>(random() & 0xFF);
    }
    try {
      ParseAdtg(bad, "dañado.Data");
    } catch (const EPersistedRecordsetError&) {
    }
  }
}

TEST(AdtgReader, MissingFileIsNamed) {
  testing::TempDir dir;
  const std::string path = dir.File("HotFixMaster.Data");
  try {
    LoadRecordsetFile(path);
    FAIL();
  } catch (const EPersistedRecordsetError& error) {
    EXPECT_NE(std::string(error.what()).find(path), std::string::npos);
  }
}

}  // namespace
}  // namespace hotfix
