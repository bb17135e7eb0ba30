#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "base/string_list.h"

namespace hotfix {

// An answer of the SysInfo service as Name=Value lines. Reading a value by
// name gives the text after the first "=" of the first line of that name
// (ignoring case), or empty; the named accessors of the derived classes also
// remove every "<S>" from it.
class TSysInfo {
 public:
  explicit TSysInfo(std::string_view answer);
  virtual ~TSysInfo() = default;

  bool HasError() const { return !ErrorMessage().empty(); }
  std::string ErrorMessage() const { return lines_.Value("SysInfoException"); }
  const StringList& lines() const { return lines_; }

 protected:
  // The named value with every "<S>" removed.
  std::string NamedValue(std::string_view name) const;

  StringList lines_;
};

// An answer about one installation key, able to ask the service again for
// more of the key's data.
class TSysInfoSrv : public TSysInfo {
 public:
  // Answers a fresh answer for a key number and a data option.
  using FetchDataFunction = std::function<std::string(const std::string& hl_number, int option)>;

  explicit TSysInfoSrv(std::string_view answer);

  FetchDataFunction FetchData;
  const std::string& key_number() const { return key_number_; }

 private:
  std::string key_number_;
};

// The data of one installation key.
class TSysServer : public TSysInfoSrv {
 public:
  TSysServer(std::string_view answer, int data_option);

  int data_option() const { return data_option_; }

  std::string ConfigDir() const { return NamedValue("ConfigDir"); }
  std::string CountryCustomization() const { return NamedValue("CountryCustomization"); }
  // Asked from the service (data option 2) the first time it is empty.
  std::string DictionaryCnxnStr();
  std::string DictionaryName() const { return NamedValue("DictionaryName"); }
  std::string HlNumber() const { return NamedValue("HlNumber"); }
  std::string ServerVersion() const { return NamedValue("ServerVersion"); }
  std::string ServerSystemDir() const { return NamedValue("ServerSystemDir"); }
  std::string TipoSistema() const { return NamedValue("TipoSistema"); }

 private:
  int data_option_;
};

// The key numbers of the machine, one per line.
class TSysServers {
 public:
  explicit TSysServers(std::string_view answer);

  bool HasError() const { return has_error_; }
  std::string ErrorMessage() const { return lines_.Value("SysInfoException"); }
  int Count() const { return lines_.Count(); }
  const std::string& operator[](int index) const { return lines_[index]; }
  const StringList& lines() const { return lines_; }

 private:
  StringList lines_;
  bool has_error_;
};

// The platform's data.
class TSysPlatformServer : public TSysInfo {
 public:
  using TSysInfo::TSysInfo;
  std::string CommonFilesVelmarServer() const { return NamedValue("CommonFilesVelmarServer"); }
};

// Turns the SysInfo service's answers into objects; an error answer raises
// a plain Exception with the service's message instead.
class TVmSysInfoGateWay {
 public:
  // A new object for the key; the caller owns it.
  std::unique_ptr<TSysServer> SysServerNewInstance(std::string_view hl_number);
  // The process's one shared key list (kind 0, 1, or 2 for anything else),
  // replaced by the next call; refused inside a COM+ host process.
  TSysServers& SysServers(int kind);
  // A new object for the platform; the caller owns it.
  std::unique_ptr<TSysPlatformServer> SysPlatformServer();
};

namespace testing_hooks {
// Releases the shared key list, as the end of the program does.
void ResetSharedSysServers();
}  // namespace testing_hooks

}  // namespace hotfix
