// The registry under test is the in-memory double.
#include "platform/doubles/fake_registry.h"
#include "platform/tests/registry_world.h"

namespace platform::testing {
namespace {

class DoubleAdmin final : public RegistryAdmin {
 public:
  explicit DoubleAdmin(doubles::FakeRegistry& registry) : registry_(registry) {}
  RegStatus CreateKey(RegKey root, const std::string& path) override {
    registry_.CreateKey(root, path);
    return 0;
  }
  RegStatus SetValue(RegKey root, const std::string& path, const std::string& name,
                     std::uint32_t type, std::string_view data) override {
    registry_.SetValue(root, path, name, type, data);
    return 0;
  }
  RegStatus DeleteTree(RegKey root, const std::string& path) override {
    return registry_.DeleteTree(root, path) ? 0 : 2;
  }
  bool KeyExists(RegKey root, const std::string& path) override {
    return registry_.KeyExists(root, path);
  }

 private:
  doubles::FakeRegistry& registry_;
};

class DoubleWorld final : public RegistryWorld {
 public:
  Registry& Api() override { return registry_; }
  RegistryAdmin& Admin() override { return admin_; }
  int OpenHandles() const override { return registry_.OpenHandles(); }
  bool IsDouble() const override { return true; }

 private:
  doubles::FakeRegistry registry_;
  DoubleAdmin admin_{registry_};
};

}  // namespace

std::unique_ptr<RegistryWorld> MakeRegistryWorld() {
  return std::make_unique<DoubleWorld>();
}

}  // namespace platform::testing
