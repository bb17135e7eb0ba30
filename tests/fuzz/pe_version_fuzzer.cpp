// Any bytes as a PE file, and any bytes as a VS_VERSIONINFO block: nothing
// may read outside them, loop for ever or crash.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "sysenv/ports/pe_version.h"
#include "sysenv/ports/version_block.h"

namespace {

void ReadEverything(std::string_view data) {
  if (const auto block = hotfix::VersionBlock::Parse(data)) {
    if (block->fixed_version()) block->fixed_version()->Text();
    block->Translation();
    block->FileVersion();
    block->StringValue("CompanyName");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (const auto resource = hotfix::ExtractPeVersionResource(bytes)) ReadEverything(*resource);
  ReadEverything(bytes);
  return 0;
}
