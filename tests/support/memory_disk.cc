#include "tests/support/memory_disk.h"

#include <algorithm>
#include <cstring>

#include "tests/support/error_codes.h"

MemoryDisk::~MemoryDisk() = default;

void MemoryDisk::PutFile(const std::string& path, std::string bytes) {
  files_[path] = std::make_shared<std::string>(std::move(bytes));
}

const std::string* MemoryDisk::FileBytes(const std::string& path) const {
  auto found = files_.find(path);
  return found == files_.end() ? nullptr : found->second.get();
}

std::string* MemoryDisk::MutableFileBytes(const std::string& path) {
  auto found = files_.find(path);
  return found == files_.end() ? nullptr : found->second.get();
}

std::string MemoryDisk::ListFiles() const {
  std::string list;
  for (const auto& entry : files_) list += (list.empty() ? "" : " ") + entry.first;
  return list;
}

OpenResult MemoryDisk::Open(const std::string& path, bool writable,
                            bool (*conflicts)(const OpenFile&)) {
  auto found = files_.find(path);
  if (found == files_.end()) return OpenResult::Failure(kErrorNotFound);
  std::lock_guard<std::mutex> lock(openLock_);
  for (const auto& entry : open_) {
    if (entry.second.content == found->second && conflicts(entry.second)) return OpenResult::Failure(kErrorBusy);
  }
  NativeHandle handle = nextHandle_++;
  open_[handle] = OpenFile{found->second, 0, writable};
  OpenResult result;
  result.file = File(handle, this);
  result.finalPath = path;
  return result;
}

MemoryDisk::OpenFile* MemoryDisk::Find(File& file) {
  std::lock_guard<std::mutex> lock(openLock_);
  auto found = open_.find(file.handle());
  return found == open_.end() ? nullptr : &found->second;
}

void MemoryDisk::ReleaseHandle(NativeHandle handle) {
  std::lock_guard<std::mutex> lock(openLock_);
  open_.erase(handle);
}

OpenResult MemoryDisk::OpenShared(const std::string& path) {
  return Open(path, false, [](const OpenFile&) { return false; });
}

OpenResult MemoryDisk::OpenForReading(const std::string& path) {
  return Open(path, false, [](const OpenFile& other) { return other.writable; });
}

OpenResult MemoryDisk::OpenExclusive(const std::string& path) {
  return Open(path, true, [](const OpenFile&) { return true; });
}

OpenResult MemoryDisk::CreateNew(const std::string& path) {
  if (files_.count(path)) return OpenResult::Failure(kErrorAlreadyExists);
  PutFile(path, std::string());
  return Open(path, true, [](const OpenFile&) { return false; });
}

int MemoryDisk::Seek(File& file, uint64_t offset) {
  OpenFile* open = Find(file);
  if (!open) return kErrorIo;
  open->position = offset;
  return 0;
}

ReadResult MemoryDisk::Read(File& file, void* buffer, size_t size) {
  OpenFile* open = Find(file);
  ReadResult result = ReadAt(file, open ? open->position : 0, buffer, size);
  if (open) open->position += result.count;
  return result;
}

ReadResult MemoryDisk::ReadAt(File& file, uint64_t offset, void* buffer, size_t size) {
  ReadResult result;
  OpenFile* open = Find(file);
  if (!open) {
    result.error = kErrorIo;
    return result;
  }
  const std::string& bytes = *open->content;
  if (offset >= bytes.size()) return result;
  result.count = static_cast<size_t>(std::min<uint64_t>(size, bytes.size() - offset));
  std::memcpy(buffer, bytes.data() + offset, result.count);
  return result;
}

OpenResult MemoryDisk::OpenSequentialReader(File& file) {
  OpenFile* open = Find(file);
  if (!open) return OpenResult::Failure(kErrorIo);
  std::lock_guard<std::mutex> lock(openLock_);
  NativeHandle handle = nextHandle_++;
  open_[handle] = OpenFile{open->content, 0, false};
  OpenResult result;
  result.file = File(handle, this);
  return result;
}

SeekCost MemoryDisk::SeekCostOf(File&) { return seekCost_; }

int MemoryDisk::Write(File& file, const void* buffer, size_t size) {
  OpenFile* open = Find(file);
  if (!open || !open->writable) return kErrorIo;
  if (open->position > kCapacity || size > kCapacity - open->position) return kErrorNoSpace;
  std::string& bytes = *open->content;
  // Writing past the end leaves a stretch of zeros, as on a real disk.
  const size_t end = static_cast<size_t>(open->position + size);
  if (bytes.size() < end) bytes.resize(end, '\0');
  if (size) std::memcpy(&bytes[static_cast<size_t>(open->position)], buffer, size);
  open->position = end;
  return 0;
}

int MemoryDisk::Flush(File& file) { return Find(file) ? 0 : kErrorIo; }

int MemoryDisk::SetSparse(File& file) { return Find(file) ? 0 : kErrorIo; }

int MemoryDisk::PunchHole(File& file, uint64_t offset, uint64_t length) {
  OpenFile* open = Find(file);
  if (!open || !open->writable) return kErrorIo;
  if (releaseError_) return releaseError_;
  std::string& bytes = *open->content;
  if (offset >= bytes.size()) return 0;
  const uint64_t count = std::min<uint64_t>(length, bytes.size() - offset);
  std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset), count, '\0');
  return 0;
}

int MemoryDisk::DataRanges(File& file, uint64_t start, uint64_t end,
                           std::vector<ByteRange>* ranges) {
  if (!Find(file)) return kErrorIo;
  // Memory has no holes: every byte is data.
  ranges->assign(1, ByteRange{start, end});
  return 0;
}

int MemoryDisk::ConfirmExclusive(File& file) { return Find(file) ? 0 : kErrorIo; }

int MemoryDisk::CheckNotInUse(const std::string& path) {
  auto found = files_.find(path);
  if (found == files_.end()) return kErrorNotFound;
  std::lock_guard<std::mutex> lock(openLock_);
  for (const auto& entry : open_) {
    if (entry.second.content == found->second) return kErrorBusy;
  }
  return 0;
}

// A folder is a prefix of file names; one without files is none.
int MemoryDisk::FolderEntries(const std::string& folder, std::vector<std::string>* names) {
  names->clear();
  const std::string prefix = folder + "/";
  for (const auto& entry : files_) {
    if (entry.first.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string rest = entry.first.substr(prefix.size());
    if (rest.find('/') == std::string::npos) names->push_back(rest);
  }
  return names->empty() ? kErrorNotFound : 0;
}

int MemoryDisk::RestoreTimes(File& file, const FileTimes&) { return Find(file) ? 0 : kErrorIo; }

// A file is its content: two names of one content are one file.
static FileIdentity IdentityOfContent(const void* content) {
  return FileIdentity{1, static_cast<uint64_t>(reinterpret_cast<uintptr_t>(content))};
}

FileStatus MemoryDisk::StatusOfContent(const Content& content) const {
  FileStatus status;
  status.identity = IdentityOfContent(content.get());
  status.size = content->size();
  status.blockSize = 1;  // holes here are byte ranges
  status.timed = false;
  status.links = 0;
  for (const auto& entry : files_) status.links += entry.second == content;
  return status;
}

int MemoryDisk::Status(File& file, FileStatus* status) {
  OpenFile* open = Find(file);
  if (!open) return kErrorIo;
  *status = StatusOfContent(open->content);
  return 0;
}

int MemoryDisk::StatusOf(const std::string& path, FileStatus* status) {
  auto found = files_.find(path);
  if (found == files_.end()) return kErrorNotFound;
  *status = StatusOfContent(found->second);
  return 0;
}

PathResult MemoryDisk::ResolveLinks(const std::string& path) {
  PathResult result;
  result.path = path;
  return result;
}

int MemoryDisk::LinkNoReplace(const std::string& from, const std::string& to) {
  auto found = files_.find(from);
  if (found == files_.end()) return kErrorNotFound;
  if (files_.count(to)) return kErrorAlreadyExists;
  files_[to] = found->second;
  return 0;
}

int MemoryDisk::MoveNoReplace(const std::string& from, const std::string& to) {
  if (files_.count(to)) return kErrorAlreadyExists;
  return MoveReplace(from, to);
}

int MemoryDisk::MoveReplace(const std::string& from, const std::string& to) {
  auto found = files_.find(from);
  if (found == files_.end()) return kErrorNotFound;
  if (from == to) return 0;
  Content content = found->second;
  files_.erase(found);
  files_[to] = content;
  return 0;
}

int MemoryDisk::Remove(const std::string& path) {
  return files_.erase(path) ? 0 : kErrorNotFound;
}

int MemoryDisk::FlushFolder(const std::string&) { return 0; }
