// The SysInfo wire format: the plain message codec and the DES channel.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "sysenv/sysinfo_channel.h"
#include "sysenv/sysinfo_errors.h"
#include "sysenv/sysinfo_message.h"

namespace hotfix {
namespace {

using ::testing::HasSubstr;

std::string FromHex(std::string_view hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
  }
  return bytes;
}

GuidBytes SampleClientId() {
  GuidBytes id{};
  for (size_t i = 0; i < id.size(); ++i) id[i] = static_cast<uint8_t>(0x10 + i);
  return id;
}

// Assembled by hand from docs/sysinfo-protocol.md: a "GetServer" request for
// key "Añ1" (ñ is the single byte F1) with option 2.
constexpr char kGetServerPlainHex[] =
    "5653494D01010000101112131415161718191A1B1C1D1E1F0B0000004C69625F537973496E666F0B000000537672"
    "5F537973496E666F090000004765745365727665720200000008000000484C4E756D626572010300000041F1310A"
    "000000446174614F7074696F6E0302000000";

// The same message sealed by OpenSSL's DES-CBC and HMAC-SHA-256 with the
// documented keys and the IV 0102030405060708, not by our code.
constexpr char kGetServerFrameHex[] =
    "565349469800000001020304050607082F8C152E891BF4FF8037064113424DAF3EB47B21745D6C8A7B90AEA008"
    "4EE622CAA1DC992ACD5267FB78F1A9D6C4B1BD5A5D2BF55E8224227A28576DFFA358FC0FFB827E23C18B6B18C4"
    "61A74D2867858381FF0F1B8DC6701AA776C4CE1ECB9411985944BFA5255AE9B23F4875E0CDE26CB0CDAA7E3C84"
    "110D768C8DF2D1509AE285C0614BB675B221F5F30DDB55F2EB";

SysInfoMessage SampleRequest() {
  SysInfoMessage message;
  message.type = SysInfoMessageType::kRequest;
  message.client_id = SampleClientId();
  message.library = "Lib_SysInfo";
  message.interface_name = "Svr_SysInfo";
  message.operation = "GetServer";
  message.parameters.push_back({"HLNumber", SysInfoAnsiText{"Añ1"}});
  message.parameters.push_back({"DataOption", int32_t{2}});
  return message;
}

// A response using every wire type, nested arrays included.
SysInfoMessage RichResponse() {
  SysInfoMessage message;
  message.type = SysInfoMessageType::kResponse;
  message.client_id = SampleClientId();
  message.library = "Lib_SysInfo";
  message.interface_name = "Svc_SysAdmin";
  message.operation = "GetServices";
  message.parameters.push_back({"Result", true});
  message.parameters.push_back({"Texto", SysInfoAnsiText{"Configuración=C:\\Año\r\nÚltima"}});
  message.parameters.push_back({"Ancho", SysInfoWideText{"Ω ≠ €, 中文"}});
  message.parameters.push_back({"Negativo", int32_t{-123456}});
  SysInfoStruct inner;
  inner.fields.push_back({"Name", SysInfoAnsiText{"svcOrvin"}});
  inner.fields.push_back({"Start", false});
  SysInfoStructArray inner_array{"Service", {inner, inner}};
  SysInfoStruct outer;
  outer.fields.push_back({"Name", SysInfoAnsiText{"grupo"}});
  outer.fields.push_back({"Hijos", inner_array});
  message.parameters.push_back({"aServiceList", SysInfoStructArray{"Grupo", {outer, SysInfoStruct{}}}});
  return message;
}

TEST(SysInfoMessageTest, EncodesTheDocumentedBytes) {
  EXPECT_EQ(EncodeSysInfoMessage(SampleRequest()), FromHex(kGetServerPlainHex));
  const SysInfoMessage decoded = DecodeSysInfoMessage(FromHex(kGetServerPlainHex));
  EXPECT_EQ(ReadAnsiField(decoded.parameters, "hlnumber"), "Añ1");
  EXPECT_EQ(ReadIntegerField(decoded.parameters, "DataOption"), 2);
  EXPECT_EQ(decoded.client_id, SampleClientId());
}

TEST(SysInfoMessageTest, RoundTripsEveryWireType) {
  const std::string bytes = EncodeSysInfoMessage(RichResponse());
  const SysInfoMessage decoded = DecodeSysInfoMessage(bytes);
  EXPECT_EQ(EncodeSysInfoMessage(decoded), bytes);
  EXPECT_TRUE(ReadBooleanField(decoded.parameters, "Result"));
  EXPECT_EQ(ReadAnsiField(decoded.parameters, "Texto"), "Configuración=C:\\Año\r\nÚltima");
  EXPECT_EQ(ReadWideField(decoded.parameters, "Ancho"), "Ω ≠ €, 中文");
  EXPECT_EQ(ReadIntegerField(decoded.parameters, "Negativo"), -123456);
  const SysInfoStructArray& groups = ReadStructArrayField(decoded.parameters, "aServiceList");
  ASSERT_EQ(groups.elements.size(), 2u);
  const SysInfoStructArray& services = ReadStructArrayField(groups.elements[0].fields, "Hijos");
  ASSERT_EQ(services.elements.size(), 2u);
  EXPECT_EQ(ReadAnsiField(services.elements[1].fields, "Name"), "svcOrvin");
  EXPECT_TRUE(groups.elements[1].fields.empty());
}

TEST(SysInfoMessageTest, ExceptionCarriesClassAndWideMessage) {
  SysInfoMessage message;
  message.type = SysInfoMessageType::kException;
  message.exception_class = "ESysInfoKeyNotFound";
  message.exception_message = "La llave \"9\" no está registrada en este equipo. ✓";
  const SysInfoMessage decoded = DecodeSysInfoMessage(EncodeSysInfoMessage(message));
  EXPECT_EQ(decoded.type, SysInfoMessageType::kException);
  EXPECT_EQ(decoded.exception_class, "ESysInfoKeyNotFound");
  EXPECT_EQ(decoded.exception_message, message.exception_message);
}

TEST(SysInfoMessageTest, EveryTruncationIsRejected) {
  const std::string bytes = EncodeSysInfoMessage(RichResponse());
  for (size_t length = 0; length < bytes.size(); ++length) {
    EXPECT_THROW(DecodeSysInfoMessage(std::string_view(bytes).substr(0, length)), ESysInfoMessageError)
        << "prefix of " << length << " bytes";
  }
  EXPECT_THROW(DecodeSysInfoMessage(bytes + '\0'), ESysInfoMessageError);
}

// Offsets into the documented GetServer request.
constexpr size_t kVersionAt = 4;
constexpr size_t kTypeAt = 5;
constexpr size_t kReservedAt = 6;
constexpr size_t kLibraryLengthAt = 24;
constexpr size_t kParameterCountAt = 24 + 4 + 11 + 4 + 11 + 4 + 9;
constexpr size_t kFirstTypeAt = kParameterCountAt + 4 + 4 + 8;
constexpr size_t kTextLengthAt = kFirstTypeAt + 1;

TEST(SysInfoMessageTest, MalformedFieldsAreRejectedWithTheirOffset) {
  struct Case {
    const char* what;
    size_t offset;
    std::string bytes;  // little-endian bytes written at the offset
    const char* message_part;
  };
  const Case cases[] = {
      {"signature", 0, "XSIM", "firma"},
      {"version", kVersionAt, "\x02", "versión"},
      {"message type", kTypeAt, "\x07", "tipo de mensaje"},
      {"reserved", kReservedAt, "\x01", "reservado"},
      {"name over 255 bytes", kLibraryLengthAt, std::string("\x00\x01\x00\x00", 4), "máximo 255"},
      {"huge parameter count", kParameterCountAt, "\xFF\xFF\xFF\x7F", "imposible"},
      {"unknown wire type", kFirstTypeAt, "\x09", "desconocido"},
      {"text past the end", kTextLengthAt, "\xF0\xFF\xFF\xFF", "excede"},
  };
  for (const Case& c : cases) {
    std::string bytes = FromHex(kGetServerPlainHex);
    bytes.replace(c.offset, c.bytes.size(), c.bytes);
    try {
      DecodeSysInfoMessage(bytes);
      ADD_FAILURE() << c.what << " was accepted";
    } catch (const ESysInfoMessageError& error) {
      EXPECT_THAT(error.Message(), HasSubstr(c.message_part)) << c.what;
    }
  }
}

TEST(SysInfoMessageTest, BooleanMustBeZeroOrOne) {
  SysInfoMessage message = SampleRequest();
  message.parameters = {{"Result", true}};
  std::string bytes = EncodeSysInfoMessage(message);
  bytes.back() = '\x02';
  EXPECT_THROW(DecodeSysInfoMessage(bytes), ESysInfoMessageError);
}

TEST(SysInfoMessageTest, NestingIsBounded) {
  SysInfoValue value = SysInfoStructArray{"Hoja", {}};
  for (int depth = 1; depth <= kSysInfoMaxArrayNesting; ++depth) {
    SysInfoStruct element;
    element.fields.push_back({"Hijos", value});
    value = SysInfoStructArray{"Nivel", {element}};
  }
  SysInfoMessage message = SampleRequest();
  message.parameters = {{"Arbol", value}};
  EXPECT_THROW(EncodeSysInfoMessage(message), ESysInfoMessageError);

  // One level less encodes; the decoder refuses the same depth the encoder does.
  message.parameters = {{"Arbol", std::get<SysInfoStructArray>(value).elements[0].fields[0].value}};
  const std::string bytes = EncodeSysInfoMessage(message);
  EXPECT_NO_THROW(DecodeSysInfoMessage(bytes));
}

TEST(SysInfoMessageTest, TypedReadsNameWhatIsMissingOrMistyped) {
  const SysInfoMessage message = SampleRequest();
  try {
    ReadAnsiField(message.parameters, "Result");
    ADD_FAILURE();
  } catch (const ESysInfoMessageError& error) {
    EXPECT_THAT(error.Message(), HasSubstr("\"Result\""));
  }
  EXPECT_THROW(ReadBooleanField(message.parameters, "DataOption"), ESysInfoMessageError);
}

// --- channel ---------------------------------------------------------------

TEST(SysInfoCipherTest, KeyTextGivesTheDocumentedDesKey) {
  const SysInfoChannelCipher cipher(kSysInfoChannelKey);
  const std::array<uint8_t, 8> expected{0x9E, 0x89, 0x9C, 0xFE, 0xAA, 0x05, 0x52, 0x38};
  EXPECT_EQ(cipher.des_key(), expected);
  EXPECT_EQ(SysInfoChannelCipher("7c3e95b2f06a41d8e2b7094c5a6f13e0").des_key(), expected);
}

TEST(SysInfoCipherTest, UnusableKeyTextsAreRefused) {
  const char* const bad_keys[] = {
      "7C3E95B2F06A41D8E2B7094C5A6F13E",    // 31 digits
      "7C3E95B2F06A41D8E2B7094C5A6F13E0A",  // 33
      "7C3E95B2F06A41D8E2B7094C5A6F13EG",   // not hexadecimal
      "01010101010101010000000000000000",   // folds into a weak DES key
  };
  for (const char* key : bad_keys) EXPECT_THROW(SysInfoChannelCipher{key}, ESysInfoChannelError) << key;
}

TEST(SysInfoCipherTest, OpensAFrameSealedByAnotherImplementation) {
  const SysInfoChannelCipher cipher(kSysInfoChannelKey);
  EXPECT_EQ(cipher.Open(FromHex(kGetServerFrameHex)), FromHex(kGetServerPlainHex));
}

TEST(SysInfoCipherTest, SealThenOpenRoundTripsEveryPaddingLength) {
  const SysInfoChannelCipher cipher(kSysInfoChannelKey);
  for (size_t length = 0; length <= 17; ++length) {
    const std::string plain(length, static_cast<char>('a' + length));
    const std::string frame = cipher.Seal(plain);
    EXPECT_EQ(frame.size(), kSysInfoFrameHeaderBytes + 8 + (length / 8 + 1) * 8 + 32);
    EXPECT_EQ(cipher.Open(frame), plain);
  }
  // A fresh IV each time: the same message never seals to the same bytes.
  EXPECT_NE(cipher.Seal("igual"), cipher.Seal("igual"));
}

TEST(SysInfoCipherTest, WrongKeyIsDetected) {
  const SysInfoChannelCipher ours(kSysInfoChannelKey);
  const SysInfoChannelCipher theirs("7C3E95B2F06A41D8E2B7094C5A6F13E1");
  try {
    theirs.Open(ours.Seal(EncodeSysInfoMessage(SampleRequest())));
    ADD_FAILURE() << "a frame of another key was opened";
  } catch (const ESysInfoChannelError& error) {
    EXPECT_THAT(error.Message(), HasSubstr("la clave de cifrado no coincide"));
  }
}

TEST(SysInfoCipherTest, EveryFlippedBitIsDetected) {
  const SysInfoChannelCipher cipher(kSysInfoChannelKey);
  const std::string frame = FromHex(kGetServerFrameHex);
  for (size_t i = 0; i < frame.size(); ++i) {
    for (int bit = 0; bit < 8; ++bit) {
      std::string damaged = frame;
      damaged[i] = static_cast<char>(damaged[i] ^ (1 << bit));
      // Header damage is a framing error; anything after it fails the tag.
      EXPECT_THROW(cipher.Open(damaged), ESysInfoError) << "byte " << i << " bit " << bit;
    }
  }
}

TEST(SysInfoCipherTest, FrameHeaderBoundsAreChecked) {
  auto header = [](uint32_t length) {
    std::string bytes = "VSIF";
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>(length >> (8 * i)));
    return bytes;
  };
  EXPECT_EQ(ParseSysInfoFrameHeader(header(48)), 48u);
  EXPECT_EQ(ParseSysInfoFrameHeader(header(kSysInfoMaxEnvelopeBytes)), kSysInfoMaxEnvelopeBytes);
  for (uint32_t bad : {0u, 40u, 47u, 49u, 55u, static_cast<uint32_t>(kSysInfoMaxEnvelopeBytes + 8),
                       0xFFFFFFFFu}) {
    EXPECT_THROW(ParseSysInfoFrameHeader(header(bad)), ESysInfoMessageError) << bad;
  }
  EXPECT_THROW(ParseSysInfoFrameHeader(std::string("VSIX\x30\0\0\0", 8)), ESysInfoMessageError);
}

TEST(SysInfoCipherTest, OversizedMessageIsNotSealed) {
  const SysInfoChannelCipher cipher(kSysInfoChannelKey);
  EXPECT_THROW(cipher.Seal(std::string(kSysInfoMaxEnvelopeBytes, 'x')), ESysInfoMessageError);
  const size_t largest = kSysInfoMaxEnvelopeBytes - kSysInfoIvBytes - kSysInfoTagBytes - 1;
  EXPECT_EQ(cipher.Open(cipher.Seal(std::string(largest, 'x'))).size(), largest);
}

}  // namespace
}  // namespace hotfix
