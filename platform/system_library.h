// Libraries of the operating system loaded at run time.
#pragma once

#include <string>

/// A loaded system library; unloaded when the handle goes.
class SystemLibrary {
 public:
  SystemLibrary() = default;
  /// Loads the library by name; IsLoaded() tells whether that worked.
  explicit SystemLibrary(const std::string& name);
  SystemLibrary(SystemLibrary&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
  SystemLibrary& operator=(SystemLibrary&& other) noexcept;
  SystemLibrary(const SystemLibrary&) = delete;
  SystemLibrary& operator=(const SystemLibrary&) = delete;
  ~SystemLibrary();

  bool IsLoaded() const { return handle_ != nullptr; }
  /// The address of an exported routine, or null.
  void* Routine(const char* name) const;

 private:
  void* handle_ = nullptr;
};
