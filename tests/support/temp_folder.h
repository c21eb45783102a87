// A fresh folder for one test, removed with everything in it afterwards,
// also when an assertion fails.
#pragma once

#include <cstdint>
#include <string>

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  /// The folder's path.
  const std::string& path() const { return path_; }
  /// The path of `name` inside the folder.
  std::string Path(const std::string& name) const;

 private:
  std::string path_;
};

/// The whole content of a file; "" when it cannot be read.
std::string ReadFileBytes(const std::string& path);
/// `count` bytes of a file from `offset` on; fewer where it ends first.
std::string ReadFileRange(const std::string& path, uint64_t offset, uint64_t count);
/// The length of a file.
uint64_t FileLength(const std::string& path);
/// Writes (replaces) a file with the given bytes.
bool WriteFileBytes(const std::string& path, const std::string& bytes);
/// Makes a folder (and the folders above it); true when it exists after.
bool MakeFolder(const std::string& path);
/// True when a file or folder of that name exists.
bool PathExists(const std::string& path);
/// The names in a folder, sorted.
std::string ListFolder(const std::string& path);
