// The framework's library chain: one process-wide list that owns its entries.
#include "platform/afx/CDynLinkLibrary.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

struct LibraryChain {
  std::mutex mutex;
  std::vector<std::unique_ptr<CDynLinkLibrary>> libraries;
};

// Destroyed at process end with the entries still in it.
LibraryChain& Chain() {
  static LibraryChain chain;
  return chain;
}

}  // namespace

CDynLinkLibrary::CDynLinkLibrary(const AFX_EXTENSION_MODULE& state, bool system)
    : module_(state.hModule), resource_(state.hResource), system_(system), resources_(state.resources) {
  LibraryChain& chain = Chain();
  std::lock_guard lock(chain.mutex);
  chain.libraries.emplace_back(this);
}

std::size_t CDynLinkLibrary::CountInChain(HMODULE module) {
  LibraryChain& chain = Chain();
  std::lock_guard lock(chain.mutex);
  return static_cast<std::size_t>(std::ranges::count_if(
      chain.libraries, [module](const auto& library) { return library->module_ == module; }));
}

void CDynLinkLibrary::FreeChain(HMODULE module) {
  LibraryChain& chain = Chain();
  std::lock_guard lock(chain.mutex);
  std::erase_if(chain.libraries,
                [module](const auto& library) { return module == nullptr || library->module_ == module; });
}

std::vector<const AfxResourceTable*> CDynLinkLibrary::ResourceTables() {
  LibraryChain& chain = Chain();
  std::lock_guard lock(chain.mutex);
  std::vector<const AfxResourceTable*> tables;
  for (auto library = chain.libraries.rbegin(); library != chain.libraries.rend(); ++library) {
    if ((*library)->resources_ != nullptr) tables.push_back((*library)->resources_);
  }
  return tables;
}
