#include "package/uVerInfo.h"

#include "sysenv/ports/machine.h"

namespace hotfix {

TVersionInfo::TVersionInfo(std::string file_name) : file_name_(std::move(file_name)) {
  std::optional<std::string> data;
  try {
    data = CurrentMachine().file_facts().ReadVersionResource(file_name_);
  } catch (const std::exception&) {
    data.reset();
  }
  Load(data);
}

TVersionInfo::TVersionInfo(std::string file_name, const std::optional<std::string>& version_data)
    : file_name_(std::move(file_name)) {
  Load(version_data);
}

void TVersionInfo::Load(const std::optional<std::string>& version_data) {
  valid_ = version_data.has_value() && !version_data->empty();
  if (valid_) block_ = VersionBlock::Parse(*version_data);
}

std::string TVersionInfo::Translation() const {
  return block_ ? block_->Translation() : std::string();
}

std::string TVersionInfo::StringValue(std::string_view name) const {
  return block_ ? block_->StringValue(name) : std::string();
}

std::string TVersionInfo::FileVersion() const {
  return block_ ? block_->FileVersion() : std::string();
}

}  // namespace hotfix
