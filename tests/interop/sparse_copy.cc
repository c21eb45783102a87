#include "tests/interop/sparse_copy.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

#include "tests/support/file_extents.h"
#include "sample/file_time.h"

namespace {

bool CopyRange(std::ifstream& in, std::ofstream& out, uint64_t start, uint64_t end) {
  std::vector<char> chunk(1 << 20);
  in.seekg(static_cast<std::streamoff>(start));
  out.seekp(static_cast<std::streamoff>(start));
  for (uint64_t at = start; at < end && in && out;) {
    const size_t count = static_cast<size_t>(std::min<uint64_t>(chunk.size(), end - at));
    in.read(chunk.data(), static_cast<std::streamsize>(count));
    out.write(chunk.data(), in.gcount());
    at += static_cast<uint64_t>(in.gcount());
  }
  return in && out;
}

}  // namespace

bool CopySparseKeepingTime(const std::string& from, const std::string& to, std::string* error) {
  *error = "cannot copy " + from + " to " + to;
  const auto extents = FileDataExtents(from);
  const std::optional<int64_t> time = ModificationTime(from);
  std::error_code failure;
  const uint64_t size = std::filesystem::file_size(from, failure);
  if (!extents || !time || failure) return false;
  {
    std::ifstream in(from, std::ios::binary);
    std::ofstream out(to, std::ios::binary | std::ios::trunc);
    for (const auto& extent : *extents) {
      if (!CopyRange(in, out, extent.first, extent.second)) return false;
    }
    if (!out.flush()) return false;
  }
  // The size last: a hole at the end is no extent.
  std::filesystem::resize_file(to, size, failure);
  if (failure || SetModificationTime(to, *time) != 0) return false;
  error->clear();
  return true;
}
