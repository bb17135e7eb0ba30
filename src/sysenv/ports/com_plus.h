#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>

namespace hotfix {

// A property value of the COM+ administration catalog.
using CatalogValue = std::variant<std::monostate, bool, int64_t, std::string>;

std::string CatalogValueToText(const CatalogValue& value);
int64_t CatalogValueToInteger(const CatalogValue& value);
bool CatalogValueToBool(const CatalogValue& value);

// One object of a catalog collection (ICatalogObject). Failures raise
// EOSError with the catalog's message.
class CatalogObject {
 public:
  virtual ~CatalogObject() = default;
  virtual CatalogValue Value(std::string_view property) = 0;
  virtual void SetValue(std::string_view property, const CatalogValue& value) = 0;
};

// A catalog collection (ICatalogCollection).
class CatalogCollection {
 public:
  virtual ~CatalogCollection() = default;
  virtual void Populate() = 0;
  virtual int Count() = 0;
  // The object at a position (0-based); it stays owned by the collection.
  virtual CatalogObject& Item(int index) = 0;
  virtual void SaveChanges() = 0;
  // A related collection by name and the parent object's key.
  virtual std::unique_ptr<CatalogCollection> GetCollection(std::string_view name,
                                                           std::string_view key) = 0;
};

// The catalog (ICOMAdminCatalog).
class ComAdminCatalog {
 public:
  virtual ~ComAdminCatalog() = default;
  virtual std::unique_ptr<CatalogCollection> GetCollection(std::string_view name) = 0;
  virtual void ShutdownApplication(std::string_view application_name) = 0;
};

class ComPlus {
 public:
  virtual ~ComPlus() = default;
  // Creates "COMAdmin.COMAdminCatalog"; nothing when it cannot be created.
  virtual std::unique_ptr<ComAdminCatalog> CreateCatalog() = 0;
};

}  // namespace hotfix
