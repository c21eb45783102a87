#include "platform/system_library.h"

#include <dlfcn.h>

// Loaded with its symbols kept to itself: nothing else of the tool binds to them.
SystemLibrary::SystemLibrary(const std::string& name)
    : handle_(dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL)) {}

SystemLibrary& SystemLibrary::operator=(SystemLibrary&& other) noexcept {
  if (this != &other) {
    if (handle_) dlclose(handle_);
    handle_ = other.handle_;
    other.handle_ = nullptr;
  }
  return *this;
}

SystemLibrary::~SystemLibrary() {
  if (handle_) dlclose(handle_);
}

void* SystemLibrary::Routine(const char* name) const {
  return handle_ ? dlsym(handle_, name) : nullptr;
}
