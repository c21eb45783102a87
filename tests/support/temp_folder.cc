#include "tests/support/temp_folder.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Paths are UTF-8 here as in the tool, whatever the system's narrow encoding.
fs::path Native(const std::string& path) { return fs::u8path(path); }

}  // namespace

TempFolder::TempFolder() {
  static std::atomic<unsigned> counter{0};
  auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  for (;;) {
    fs::path candidate = fs::temp_directory_path() /
                         ("partsweep-test-" + std::to_string(stamp) + "-" +
                          std::to_string(counter++));
    std::error_code error;
    if (fs::create_directory(candidate, error)) {
      path_ = candidate.u8string();
      return;
    }
  }
}

TempFolder::~TempFolder() {
  std::error_code error;
  fs::remove_all(Native(path_), error);
}

std::string TempFolder::Path(const std::string& name) const {
  return (Native(path_) / Native(name)).u8string();
}

std::string ReadFileBytes(const std::string& path) {
  // In one read of the size it has: the tests read downloads of tens of MB
  // many times, which a stream copy in small pieces made a good part of their time.
  std::ifstream in(Native(path), std::ios::binary | std::ios::ate);
  const std::streamoff size = in ? std::streamoff(in.tellg()) : -1;
  if (size <= 0) return "";
  std::string bytes(size_t(size), '\0');
  in.seekg(0);
  in.read(&bytes[0], size);
  bytes.resize(size_t(in.gcount()));
  return bytes;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(Native(path), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return bool(out);
}

bool PathExists(const std::string& path) {
  std::error_code error;
  return fs::exists(Native(path), error);
}

std::string ListFolder(const std::string& path) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(Native(path)))
    names.push_back(entry.path().filename().u8string());
  std::sort(names.begin(), names.end());
  std::string list;
  for (const std::string& name : names) list += (list.empty() ? "" : " ") + name;
  return list;
}

bool MakeFolder(const std::string& path) {
  std::error_code error;
  fs::create_directories(Native(path), error);
  return fs::is_directory(Native(path), error);
}

std::string ReadFileRange(const std::string& path, uint64_t offset, uint64_t count) {
  std::ifstream in(Native(path), std::ios::binary);
  in.seekg(static_cast<std::streamoff>(offset));
  std::string bytes(count, '\0');
  in.read(&bytes[0], static_cast<std::streamsize>(count));
  bytes.resize(static_cast<size_t>(in.gcount()));
  return bytes;
}

uint64_t FileLength(const std::string& path) {
  std::ifstream in(Native(path), std::ios::binary | std::ios::ate);
  return static_cast<uint64_t>(in.tellg());
}
