// Files embedded into a POSIX build, found by resource id and type like Windows resources.
#pragma once

#include <cstddef>
#include <string_view>

struct EmbeddedResource {
  unsigned short id;
  const wchar_t* type;
  const unsigned char* data;
  std::size_t size;
};

// Called by the build's generated embedded-tools object during static initialisation.
void RegisterEmbeddedResource(const EmbeddedResource& resource);

// The registered resource with this id and type, or null.
const EmbeddedResource* FindEmbeddedResource(unsigned short id, std::wstring_view type);
