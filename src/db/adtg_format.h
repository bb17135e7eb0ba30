#pragma once

// The constants of ADO's Advanced Data TableGram (ADTG), the binary format of
// recordsets saved to a file. docs/persisted-recordsets.md describes the
// layout as this project reads and writes it.

#include <cstdint>

namespace hotfix::adtg {

// Tokens that open each element.
inline constexpr uint8_t kTokenHeader = 0x01;
inline constexpr uint8_t kTokenHandlerOptions = 0x02;
inline constexpr uint8_t kTokenResultDescriptor = 0x03;
inline constexpr uint8_t kTokenTableDescriptor = 0x05;
inline constexpr uint8_t kTokenColumnDescriptor = 0x06;
inline constexpr uint8_t kTokenOriginalRow = 0x07;
inline constexpr uint8_t kTokenChangeRow = 0x0A;
inline constexpr uint8_t kTokenDeleteRow = 0x0C;
inline constexpr uint8_t kTokenInsertRow = 0x0D;
inline constexpr uint8_t kTokenDone = 0x0F;
inline constexpr uint8_t kTokenResultContext = 0x10;
inline constexpr uint8_t kTokenChildResultRow = 0x87;
inline constexpr uint8_t kTokenChildChangeRow = 0x8A;
inline constexpr uint8_t kTokenChildDeleteRow = 0x8C;
inline constexpr uint8_t kTokenChildInsertRow = 0x8D;

inline constexpr uint8_t kHeaderSize = 7;
inline constexpr char kSignature[] = "TG!";

// The class of the object that holds the rows on the receiving side, written
// in every handler-options element.
inline constexpr uint8_t kRecordsetGuid[16] = {0xB6, 0x92, 0xF2, 0x3F, 0x04, 0xB2, 0xCF, 0x11,
                                               0x8D, 0x23, 0x00, 0xAA, 0x00, 0x5F, 0xFE, 0x58};
// The identifier written in the result descriptor (ignored on reading).
inline constexpr uint8_t kResultDescriptorGuid[16] = {0xD2, 0xAD, 0x63, 0xF6, 0x02, 0xEB,
                                                      0xCF, 0x11, 0xB0, 0xE3, 0x00, 0xAA,
                                                      0x00, 0x3F, 0x00, 0x0F};
// Guid, reserved, cursor model, normalization, five counts and the row count.
inline constexpr uint16_t kResultDescriptorFixedSize = 33;

// Presence bits of the optional column-descriptor fields (the three bytes
// read as one big-endian number).
inline constexpr uint32_t kHasFriendlyName = 0x800000;
inline constexpr uint32_t kHasBaseTableOrdinal = 0x400000;
inline constexpr uint32_t kHasBaseColumnOrdinal = 0x200000;
inline constexpr uint32_t kHasBaseColumnName = 0x100000;
inline constexpr uint32_t kHasBaseCatalogName = 0x020000;
inline constexpr uint32_t kHasBaseSchemaName = 0x010000;
inline constexpr uint32_t kHasCalculationInfo = 0x000004;

// Column flags (DBCOLUMNFLAGS).
inline constexpr uint32_t kFlagWrite = 0x0004;
inline constexpr uint32_t kFlagFixedLength = 0x0010;
inline constexpr uint32_t kFlagIsNullable = 0x0020;
inline constexpr uint32_t kFlagMayBeNull = 0x0040;
inline constexpr uint32_t kFlagIsLong = 0x0080;
inline constexpr uint32_t kFlagIsChapter = 0x2000;

// Column types (DBTYPE) as the descriptors carry them.
inline constexpr uint16_t kTypeEmpty = 0x00;
inline constexpr uint16_t kTypeNull = 0x01;
inline constexpr uint16_t kTypeI2 = 0x02;
inline constexpr uint16_t kTypeI4 = 0x03;
inline constexpr uint16_t kTypeR4 = 0x04;
inline constexpr uint16_t kTypeR8 = 0x05;
inline constexpr uint16_t kTypeCy = 0x06;
inline constexpr uint16_t kTypeDate = 0x07;
inline constexpr uint16_t kTypeBstr = 0x08;
inline constexpr uint16_t kTypeError = 0x0A;
inline constexpr uint16_t kTypeBool = 0x0B;
inline constexpr uint16_t kTypeDecimal = 0x0E;
inline constexpr uint16_t kTypeI1 = 0x10;
inline constexpr uint16_t kTypeUi1 = 0x11;
inline constexpr uint16_t kTypeUi2 = 0x12;
inline constexpr uint16_t kTypeUi4 = 0x13;
inline constexpr uint16_t kTypeI8 = 0x14;
inline constexpr uint16_t kTypeUi8 = 0x15;
inline constexpr uint16_t kTypeFileTime = 0x40;
inline constexpr uint16_t kTypeGuid = 0x48;
inline constexpr uint16_t kTypeBytes = 0x80;
inline constexpr uint16_t kTypeStr = 0x81;
inline constexpr uint16_t kTypeWStr = 0x82;
inline constexpr uint16_t kTypeNumeric = 0x83;
inline constexpr uint16_t kTypeDbDate = 0x85;
inline constexpr uint16_t kTypeDbTime = 0x86;
inline constexpr uint16_t kTypeDbTimestamp = 0x87;
inline constexpr uint16_t kTypeChapter = 0x88;
inline constexpr uint16_t kTypeVarNumeric = 0x8B;

// Values whose column's maximum length is at most this carry a one-byte
// length; longer ones a four-byte length.
inline constexpr uint32_t kShortLengthLimit = 255;

// 100-nanosecond intervals from 1601-01-01 to 1899-12-30.
inline constexpr long long kFileTimeDays1601To1899 = 109205;

}  // namespace hotfix::adtg
