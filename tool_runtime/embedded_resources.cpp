// Registry of the files embedded into a POSIX build.
#include "tool_runtime/embedded_resources.h"

#include <vector>

namespace {
std::vector<EmbeddedResource>& Registry() {
  static std::vector<EmbeddedResource> registry;  // built before main, read-only afterwards
  return registry;
}
}  // namespace

void RegisterEmbeddedResource(const EmbeddedResource& resource) { Registry().push_back(resource); }

const EmbeddedResource* FindEmbeddedResource(unsigned short id, std::wstring_view type) {
  for (const auto& resource : Registry()) {
    if (resource.id == id && type == resource.type) return &resource;
  }
  return nullptr;
}
