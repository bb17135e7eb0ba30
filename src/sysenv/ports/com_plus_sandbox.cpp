#include <set>

#include "base/exception.h"
#include "base/text.h"
#include "sysenv/ports/com_plus.h"
#include "sysenv/ports/sandbox_backends.h"

namespace hotfix {
namespace {

[[noreturn]] void UnknownProperty(std::string_view property) {
  throw EOSError("La propiedad " + std::string(property) + " no existe en el catálogo COM+.");
}

[[noreturn]] void UnknownCollection(std::string_view name) {
  throw EOSError("La colección " + std::string(name) + " no existe en el catálogo COM+.");
}

class ApplicationObject : public CatalogObject {
 public:
  explicit ApplicationObject(SandboxComPlusApplication app) : app_(std::move(app)) {}

  CatalogValue Value(std::string_view property) override {
    const CatalogValue* value = app_.Property(property);
    if (value == nullptr) UnknownProperty(property);
    return *value;
  }

  void SetValue(std::string_view property, const CatalogValue& value) override {
    if (!app_.SetProperty(property, value)) UnknownProperty(property);
    changed_.insert(AnsiUpperCase(property));
  }

  const SandboxComPlusApplication& app() const { return app_; }
  bool changed() const { return !changed_.empty(); }
  // The edits that save the changed properties into the application's section.
  void AddEdits(const std::string& section, std::vector<MachineIniEdit>& edits) const {
    for (const auto& [name, value] : app_.properties) {
      if (changed_.count(AnsiUpperCase(name)) > 0) {
        edits.push_back(MachineIniEdit{section, name, FormatCatalogValue(value)});
      }
    }
  }
  void MarkSaved() { changed_.clear(); }

 private:
  SandboxComPlusApplication app_;
  std::set<std::string> changed_;
};

class RoleObject : public CatalogObject {
 public:
  explicit RoleObject(std::string name) : name_(std::move(name)) {}
  CatalogValue Value(std::string_view property) override {
    if (SameText(property, "Name")) return name_;
    if (SameText(property, "Description")) return std::string();
    UnknownProperty(property);
  }
  void SetValue(std::string_view property, const CatalogValue& /*value*/) override {
    throw EOSError("La propiedad " + std::string(property) +
                   " de un rol no se puede cambiar en la máquina de prueba.");
  }

 private:
  std::string name_;
};

class RolesCollection : public CatalogCollection {
 public:
  explicit RolesCollection(std::vector<std::string> roles) : roles_(std::move(roles)) {}
  void Populate() override {
    items_.clear();
    for (const std::string& role : roles_) items_.push_back(std::make_unique<RoleObject>(role));
  }
  int Count() override { return static_cast<int>(items_.size()); }
  CatalogObject& Item(int index) override {
    if (index < 0 || index >= Count()) throw EOSError("Índice fuera de rango en la colección Roles.");
    return *items_[static_cast<size_t>(index)];
  }
  void SaveChanges() override {}
  std::unique_ptr<CatalogCollection> GetCollection(std::string_view name, std::string_view) override {
    UnknownCollection(name);
  }

 private:
  std::vector<std::string> roles_;
  std::vector<std::unique_ptr<RoleObject>> items_;
};

// The "Applications" collection: empty until populated; property changes
// reach machine.ini with SaveChanges.
class ApplicationsCollection : public CatalogCollection {
 public:
  explicit ApplicationsCollection(std::shared_ptr<SandboxStore> store) : store_(std::move(store)) {}

  void Populate() override {
    items_.clear();
    for (const SandboxComPlusApplication& app : store_->Machine()->com_plus_applications) {
      items_.push_back(std::make_unique<ApplicationObject>(app));
    }
  }

  int Count() override { return static_cast<int>(items_.size()); }

  CatalogObject& Item(int index) override {
    if (index < 0 || index >= Count()) {
      throw EOSError("Índice fuera de rango en la colección Applications.");
    }
    return *items_[static_cast<size_t>(index)];
  }

  void SaveChanges() override {
    store_->UpdateMachine([&](const SandboxState& state) {
      std::vector<MachineIniEdit> edits;
      for (const auto& item : items_) {
        if (!item->changed()) continue;
        const SandboxComPlusApplication* saved = nullptr;
        for (const SandboxComPlusApplication& app : state.com_plus_applications) {
          if (app.number == item->app().number) saved = &app;
        }
        if (saved == nullptr) {
          throw EOSError("La aplicación COM+ " + item->app().Name() + " ya no existe en el catálogo.");
        }
        item->AddEdits(saved->SectionName(), edits);
      }
      return edits;
    });
    for (const auto& item : items_) item->MarkSaved();
  }

  std::unique_ptr<CatalogCollection> GetCollection(std::string_view name,
                                                   std::string_view key) override {
    if (!SameText(name, "Roles")) UnknownCollection(name);
    for (const SandboxComPlusApplication& app : store_->Machine()->com_plus_applications) {
      if (SameText(app.Id(), key)) return std::make_unique<RolesCollection>(app.roles);
    }
    throw EOSError("No existe la aplicación COM+ de clave " + std::string(key) + ".");
  }

 private:
  std::shared_ptr<SandboxStore> store_;
  std::vector<std::unique_ptr<ApplicationObject>> items_;
};

class SandboxCatalog : public ComAdminCatalog {
 public:
  explicit SandboxCatalog(std::shared_ptr<SandboxStore> store) : store_(std::move(store)) {}

  std::unique_ptr<CatalogCollection> GetCollection(std::string_view name) override {
    if (!SameText(name, "Applications")) UnknownCollection(name);
    return std::make_unique<ApplicationsCollection>(store_);
  }

  // Takes the application's name or its ID; the application stops running.
  void ShutdownApplication(std::string_view application_name) override {
    store_->UpdateMachine([&](const SandboxState& state) {
      for (const SandboxComPlusApplication& app : state.com_plus_applications) {
        if (SameText(app.Name(), application_name) || SameText(app.Id(), application_name)) {
          if (!app.running) return std::vector<MachineIniEdit>();
          return std::vector<MachineIniEdit>{MachineIniEdit{app.SectionName(), "Running", "0"}};
        }
      }
      throw EOSError("No existe la aplicación COM+ " + std::string(application_name) + ".");
    });
  }

 private:
  std::shared_ptr<SandboxStore> store_;
};

class SandboxComPlus : public ComPlus {
 public:
  explicit SandboxComPlus(std::shared_ptr<SandboxStore> store) : store_(std::move(store)) {}
  std::unique_ptr<ComAdminCatalog> CreateCatalog() override {
    if (!store_->Machine()->machine.com_plus_available) return nullptr;
    return std::make_unique<SandboxCatalog>(store_);
  }

 private:
  std::shared_ptr<SandboxStore> store_;
};

}  // namespace

std::unique_ptr<ComPlus> NewSandboxComPlus(std::shared_ptr<SandboxStore> store) {
  return std::make_unique<SandboxComPlus>(std::move(store));
}

}  // namespace hotfix
