// The process-wide table of resource libraries.
#include "platform/tavrin/ResourceModules.h"

#include <map>
#include <mutex>

namespace {

struct ResourceTable {
  std::mutex mutex;
  std::map<HINSTANCE, HMODULE> modules;
};

ResourceTable& Table() {
  static ResourceTable table;
  return table;
}

}  // namespace

namespace Tavrin {

bool LoadDLLResourceDLL(HINSTANCE instance, HMODULE module) {
  if (instance == nullptr || module == nullptr) return false;
  ResourceTable& table = Table();
  std::lock_guard lock(table.mutex);
  table.modules.insert_or_assign(instance, module);
  return true;
}

HMODULE FindDLLResourceModule(HINSTANCE instance) {
  ResourceTable& table = Table();
  std::lock_guard lock(table.mutex);
  const auto found = table.modules.find(instance);
  return found == table.modules.end() ? nullptr : found->second;
}

}  // namespace Tavrin
