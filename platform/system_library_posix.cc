#include "platform/system_library.h"

// The POSIX build binds no system library: every routine the tool needs is
// its own. A library is therefore never loaded here.
SystemLibrary::SystemLibrary(const std::string&) {}

SystemLibrary& SystemLibrary::operator=(SystemLibrary&& other) noexcept {
  handle_ = other.handle_;
  other.handle_ = nullptr;
  return *this;
}

SystemLibrary::~SystemLibrary() = default;

void* SystemLibrary::Routine(const char*) const { return nullptr; }
