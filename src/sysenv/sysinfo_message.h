#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "base/guid.h"

namespace hotfix {

// The plain message of the SysInfo protocol (docs/sysinfo-protocol.md,
// section 4): a header, the library, interface and operation names, and the
// named parameters of a request or response, or the class and message of an
// exception. Texts are UTF-8 in memory and converted at the wire.

enum class SysInfoMessageType : uint8_t { kRequest = 1, kResponse = 2, kException = 3 };

// Wire type bytes (section 5).
enum class SysInfoWireType : uint8_t {
  kAnsiText = 1,
  kWideText = 2,
  kInteger = 3,
  kBoolean = 4,
  kStructArray = 5,
};

struct SysInfoField;

struct SysInfoStruct {
  std::vector<SysInfoField> fields;
};

struct SysInfoStructArray {
  std::string element_type;
  std::vector<SysInfoStruct> elements;
};

// 8-bit text, sent in Windows-1252.
struct SysInfoAnsiText {
  std::string text;
};

// UTF-16 text.
struct SysInfoWideText {
  std::string text;
};

using SysInfoValue =
    std::variant<SysInfoAnsiText, SysInfoWideText, int32_t, bool, SysInfoStructArray>;

struct SysInfoField {
  std::string name;
  SysInfoValue value;
};

struct SysInfoMessage {
  SysInfoMessageType type = SysInfoMessageType::kRequest;
  GuidBytes client_id{};
  std::string library;
  std::string interface_name;
  std::string operation;
  std::vector<SysInfoField> parameters;  // request and response
  std::string exception_class;           // exception
  std::string exception_message;         // exception
};

inline constexpr char kSysInfoMessageSignature[] = "VSIM";
inline constexpr uint8_t kSysInfoMessageVersion = 1;
inline constexpr size_t kSysInfoMaxNameBytes = 255;
inline constexpr int kSysInfoMaxArrayNesting = 4;

// The wire bytes of a message. Raises ESysInfoMessageError when a name is
// longer than 255 bytes or arrays nest deeper than allowed.
std::string EncodeSysInfoMessage(const SysInfoMessage& message);

// Decodes a whole plain message. Every length and count is checked against
// the bytes left before it is used; raises ESysInfoMessageError, naming the
// offset, for anything that breaks the format.
SysInfoMessage DecodeSysInfoMessage(std::string_view bytes);

// Typed reading of named parameters (or of the fields of a structure), as the
// receiver of a message does it: lookup by name ignoring case, the wire type
// checked. A missing name or another type raises ESysInfoMessageError naming it.
const SysInfoField* FindSysInfoField(const std::vector<SysInfoField>& fields,
                                     std::string_view name);
std::string ReadAnsiField(const std::vector<SysInfoField>& fields, std::string_view name);
std::string ReadWideField(const std::vector<SysInfoField>& fields, std::string_view name);
int32_t ReadIntegerField(const std::vector<SysInfoField>& fields, std::string_view name);
bool ReadBooleanField(const std::vector<SysInfoField>& fields, std::string_view name);
const SysInfoStructArray& ReadStructArrayField(const std::vector<SysInfoField>& fields,
                                               std::string_view name);

// The parameter's value in a short readable form for logs ("1", "True",
// "\"texto\"", "[2 Service]").
std::string DescribeSysInfoValue(const SysInfoValue& value);

}  // namespace hotfix
