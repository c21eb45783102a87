// Files as the tool needs them, behind one interface so that tests can make
// any single operation fail and look at what is left on disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

/// The operating system's handle of an open file (a descriptor on POSIX, a
/// HANDLE on Windows), or kNoHandle.
using NativeHandle = std::intptr_t;
constexpr NativeHandle kNoHandle = -1;

/// Releases the handles of files that a Disk keeps by itself (one in
/// memory, for tests and fuzzing); the platform's own files need none.
class HandleCloser {
 public:
  virtual ~HandleCloser() = default;
  /// Called once, when the File holding `handle` closes.
  virtual void ReleaseHandle(NativeHandle handle) = 0;
};

/// An open file that closes itself; moves, never copies.
class File {
 public:
  File() = default;
  /// A file of the platform, closed by it.
  explicit File(NativeHandle handle) : handle_(handle) {}
  /// A file whose handle `closer` releases instead of the platform.
  File(NativeHandle handle, HandleCloser* closer) : handle_(handle), closer_(closer) {}
  File(File&& other) noexcept : handle_(other.handle_), closer_(other.closer_) {
    other.handle_ = kNoHandle;
  }
  File& operator=(File&& other) noexcept {
    if (this != &other) {
      Close();
      handle_ = other.handle_;
      closer_ = other.closer_;
      other.handle_ = kNoHandle;
    }
    return *this;
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File() { Close(); }

  /// True while the file is open.
  bool IsOpen() const { return handle_ != kNoHandle; }
  /// The handle for the platform layer's own calls.
  NativeHandle handle() const { return handle_; }
  /// Closes the file now; a closed file stays closed.
  void Close();

 private:
  NativeHandle handle_ = kNoHandle;
  HandleCloser* closer_ = nullptr;
};

/// Closes a handle of the platform's own; File::Close calls it.
void CloseNativeHandle(NativeHandle handle);

/// An open attempt: the file, or the system's error code.
struct OpenResult {
  File file;
  int error = 0;

  /// An attempt that failed with `code`.
  static OpenResult Failure(int code) {
    OpenResult result;
    result.error = code;
    return result;
  }
};

/// A read: the bytes delivered (0 at the end of the file) or the error code.
struct ReadResult {
  size_t count = 0;
  int error = 0;
};

/// The file operations of the tool. Every call that can fail returns the
/// system's error code, 0 on success, so that messages can quote it.
class Disk {
 public:
  virtual ~Disk() = default;

  /// Opens an existing file to read it while other programs may keep it open.
  virtual OpenResult OpenShared(const std::string& path) = 0;
  /// Opens an existing file to read it; nobody else may write it meanwhile.
  virtual OpenResult OpenForReading(const std::string& path) = 0;
  /// Opens an existing file to read and write it, with no other user at all.
  virtual OpenResult OpenExclusive(const std::string& path) = 0;
  /// Creates a file that did not exist, for writing; never replaces a file.
  virtual OpenResult CreateNew(const std::string& path) = 0;

  /// The size of an open file in bytes.
  virtual int FileSize(File& file, uint64_t* size) = 0;
  /// Moves the file position to an absolute offset.
  virtual int Seek(File& file, uint64_t offset) = 0;
  /// Reads up to `size` bytes at the file position.
  virtual ReadResult Read(File& file, void* buffer, size_t size) = 0;
  /// Writes all `size` bytes at the file position, or fails.
  virtual int Write(File& file, const void* buffer, size_t size) = 0;
  /// Forces the written data to the storage device.
  virtual int Flush(File& file) = 0;

  /// Marks the file sparse where the file system wants that first.
  virtual int SetSparse(File& file) = 0;
  /// Makes a range read as zeros and gives its storage back; never
  /// changes the file's size.
  virtual int ZeroRange(File& file, uint64_t offset, uint64_t length) = 0;

  /// Gives the file a second name; fails when `to` exists.
  virtual int LinkNoReplace(const std::string& from, const std::string& to) = 0;
  /// Renames the file; fails when `to` exists.
  virtual int MoveNoReplace(const std::string& from, const std::string& to) = 0;
  /// Renames the file over `to` in one atomic step.
  virtual int MoveReplace(const std::string& from, const std::string& to) = 0;
  /// Deletes a name.
  virtual int Remove(const std::string& path) = 0;
  /// Makes the folder's entries (new names, renames) durable.
  virtual int FlushFolder(const std::string& folder) = 0;
  /// Gives a new file the owner and permissions of the file it replaces, as
  /// far as this process may; where there is nothing to copy, nothing is done.
  virtual void CopyOwnership(File& /*file*/, const std::string& /*model*/) {}
};

/// The real disk of this platform.
Disk& SystemDisk();

/// True when the error code says that a file of that name already exists.
bool IsAlreadyExists(int error);
/// True when the error code says the file system cannot give a file a
/// second name, so that a rename has to do instead.
bool IsLinkUnsupported(int error);
