#include "platform/system_library.h"

#include <windows.h>

SystemLibrary::SystemLibrary(const std::string& name) : handle_(LoadLibraryA(name.c_str())) {}

SystemLibrary& SystemLibrary::operator=(SystemLibrary&& other) noexcept {
  if (this != &other) {
    if (handle_) FreeLibrary(static_cast<HMODULE>(handle_));
    handle_ = other.handle_;
    other.handle_ = nullptr;
  }
  return *this;
}

SystemLibrary::~SystemLibrary() {
  if (handle_) FreeLibrary(static_cast<HMODULE>(handle_));
}

void* SystemLibrary::Routine(const char* name) const {
  if (!handle_) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}
