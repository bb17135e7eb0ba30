// What the SysInfo client does with bytes that arrive from the service: the
// frame check and opening, the plain message decoder, the typed reads of the
// answer's parameters, and the gateway's reading of an answer text. Nothing may read past a buffer or crash; every
// rejection is an ESysInfoError.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "sysenv/sysinfo_channel.h"
#include "sysenv/sysinfo_errors.h"
#include "sysenv/sysinfo_message.h"
#include "sysenv/uVmSysInfoGW.h"

namespace {

using namespace hotfix;

bool HasWideText(const std::vector<SysInfoField>& fields) {
  for (const SysInfoField& field : fields) {
    if (std::holds_alternative<SysInfoWideText>(field.value)) return true;
    if (const auto* array = std::get_if<SysInfoStructArray>(&field.value)) {
      for (const SysInfoStruct& element : array->elements) {
        if (HasWideText(element.fields)) return true;
      }
    }
  }
  return false;
}

void ReadEveryWay(const std::vector<SysInfoField>& fields) {
  for (const SysInfoField& field : fields) {
    try { ReadAnsiField(fields, field.name); } catch (const ESysInfoError&) {}
    try { ReadWideField(fields, field.name); } catch (const ESysInfoError&) {}
    try { ReadIntegerField(fields, field.name); } catch (const ESysInfoError&) {}
    try { ReadBooleanField(fields, field.name); } catch (const ESysInfoError&) {}
    try {
      for (const SysInfoStruct& element : ReadStructArrayField(fields, field.name).elements) {
        ReadEveryWay(element.fields);
      }
    } catch (const ESysInfoError&) {
    }
    DescribeSysInfoValue(field.value);
  }
  try { ReadAnsiField(fields, "Result"); } catch (const ESysInfoError&) {}
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  try {
    const SysInfoMessage message = DecodeSysInfoMessage(bytes);
    ReadEveryWay(message.parameters);
    // Everything but UTF-16 text (whose unpaired surrogates are replaced)
    // encodes back to the very bytes it came from.
    const std::string again = EncodeSysInfoMessage(message);
    if (message.type != SysInfoMessageType::kException && !HasWideText(message.parameters) &&
        again != bytes) {
      std::abort();
    }
  } catch (const ESysInfoError&) {
  }

  // The answer text as the gateway's objects read it.
  TSysServer server(bytes, 0);
  server.HlNumber();
  server.ConfigDir();
  server.DictionaryCnxnStr();  // no fetch function: only the lines it holds
  server.HasError();
  TSysServers servers(bytes);
  for (int i = 0; i < servers.Count(); ++i) servers[i];
  servers.ErrorMessage();
  TSysPlatformServer(bytes).CommonFilesVelmarServer();

  static const SysInfoChannelCipher cipher(kSysInfoChannelKey);
  try {
    if (size >= kSysInfoFrameHeaderBytes) ParseSysInfoFrameHeader(bytes.substr(0, kSysInfoFrameHeaderBytes));
    cipher.Open(bytes);
  } catch (const ESysInfoError&) {
  }
  return 0;
}
