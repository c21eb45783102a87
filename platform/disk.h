// Files as the tool needs them, behind one interface so that tests can make
// any single operation fail and look at what is left on disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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

/// Why the tool turned down a file that the system would have opened.
enum class OpenRefusal {
  None,
  /// A FIFO, socket or device: reading it could block the run or take bytes
  /// meant for another program, and it is no download's file.
  NotRegularFile,
  /// A symbolic link of another user than the one running the tool that
  /// leads to a file its owner does not own (someone may have planted it to
  /// make the tool work on a file that is not theirs), or a name that turned
  /// into a link while it was being checked.
  UntrustedLink,
};

/// An open attempt: the file, or the system's error code, or the refusal.
struct OpenResult {
  File file;
  int error = 0;
  OpenRefusal refusal = OpenRefusal::None;
  /// Where the file really is once trusted links were followed; the path
  /// itself where no link was followed.
  std::string finalPath;

  /// True when the file is open.
  bool ok() const { return error == 0 && refusal == OpenRefusal::None; }

  /// An attempt that failed with `code`.
  static OpenResult Failure(int code) {
    OpenResult result;
    result.error = code;
    return result;
  }
  /// An attempt the tool turned down.
  static OpenResult Refused(OpenRefusal why) {
    OpenResult result;
    result.refusal = why;
    return result;
  }
};

/// Where a path leads: the final path, or why it cannot be followed.
struct PathResult {
  std::string path;
  int error = 0;
  OpenRefusal refusal = OpenRefusal::None;

  bool ok() const { return error == 0 && refusal == OpenRefusal::None; }
};

/// What tells one file from another whatever names it has (device and
/// inode, or volume and file index).
struct FileIdentity {
  uint64_t device = 0;
  uint64_t index = 0;

  bool operator==(const FileIdentity& other) const {
    return device == other.device && index == other.index;
  }
};

/// A byte range of a file, [start, end).
struct ByteRange {
  uint64_t start = 0;
  uint64_t end = 0;
};

/// A file's access and modification times, in the system's own units
/// (nanoseconds since 1970 on POSIX, 100-nanosecond steps since 1601 on
/// Windows): only for giving a file its times back.
struct FileTimes {
  int64_t access = 0;
  int64_t modify = 0;
};

/// What the system says of a file: which one it is, its size, how many
/// names it has and when it last changed.
struct FileStatus {
  FileIdentity identity;
  uint64_t size = 0;
  /// Its names (hard links); a data file with two may be another download's.
  uint32_t links = 1;
  /// The modification time in the system's units, as FileTimes::modify.
  int64_t modified = 0;
  /// The unit in which the file system gives storage back; 0 where unknown.
  uint32_t blockSize = 0;
  /// The access time in the same units.
  int64_t accessed = 0;
  /// False where the disk keeps no times (one in memory): `modified` says nothing.
  bool timed = true;
};

/// A read: the bytes delivered (0 at the end of the file) or the error code.
struct ReadResult {
  size_t count = 0;
  int error = 0;
};

/// What reading a file at many places by turns costs on the storage that
/// holds it, as far as the system tells.
enum class SeekCost {
  /// The system does not say (a file system of memory or of the network).
  Unknown,
  /// Nothing to speak of: a solid-state device.
  None,
  /// None at all: the whole file is in the page cache, and reading it
  /// anywhere reads no storage.
  Cached,
  /// A seek at every jump: a rotating disk.
  Seeks,
};

/// What the tool does by path or folder: open, look up, list, name and
/// rename. Every call that can fail returns the system's error code, 0 on
/// success, so that messages can quote it.
class FileSystem {
 public:
  virtual ~FileSystem() = default;

  /// Opens an existing regular file to read it while other programs may keep
  /// it open. Only trusted links are followed, as for the other opens: what
  /// is read decides what is written after.
  virtual OpenResult OpenShared(const std::string& path) = 0;
  /// Opens an existing regular file to read it; nobody else may write it
  /// meanwhile. Only trusted links are followed.
  virtual OpenResult OpenForReading(const std::string& path) = 0;
  /// Opens an existing regular file to read and write it, with no other user
  /// at all (the system's busy code where another process has it open).
  /// Only trusted links are followed.
  virtual OpenResult OpenExclusive(const std::string& path) = 0;
  /// Creates a file that did not exist, for writing; never replaces a file.
  virtual OpenResult CreateNew(const std::string& path) = 0;

  /// What the system says of the file a path names, links followed: a
  /// rewrite tells by it that nobody replaced the file it read meanwhile.
  virtual int StatusOf(const std::string& path, FileStatus* status) = 0;
  /// Where a path really leads once its trusted links are followed; refused
  /// for an untrusted link.
  virtual PathResult ResolveLinks(const std::string& path) = 0;
  /// The names in a folder (no "." or ".."), in no order; the error of
  /// opening it, for a path that is no folder too.
  virtual int FolderEntries(const std::string& folder, std::vector<std::string>* names) = 0;

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

  /// 0 when no other process has the existing file open, the busy code when
  /// one has, else the error of looking. A running client holds its download's
  /// data file open and would overwrite a rewritten metadata file.
  virtual int CheckNotInUse(const std::string& path) = 0;
  /// Gives a new file the owner and permissions of the file at `model`, as
  /// far as this process may; where there is nothing to copy, nothing is done.
  virtual void CopyOwnership(File& /*file*/, const std::string& /*model*/) {}
};

/// What the tool does with an open file: read and write at an offset, its
/// status, its sparse ranges, and how it is best read. Threads may call
/// ReadAt, OpenSequentialReader and Prefetch at once.
class FileIo {
 public:
  virtual ~FileIo() = default;

  /// What the system says of an open file: identity, size, names, times.
  virtual int Status(File& file, FileStatus* status) = 0;
  /// Gives an open file these access and modification times again.
  virtual int RestoreTimes(File& file, const FileTimes& times) = 0;

  /// Moves the file position to an absolute offset.
  virtual int Seek(File& file, uint64_t offset) = 0;
  /// Reads up to `size` bytes at the file position.
  virtual ReadResult Read(File& file, void* buffer, size_t size) = 0;
  /// Reads up to `size` bytes at `offset`, wherever the file position is
  /// (which it may move: Windows does). Threads may read one file at once.
  virtual ReadResult ReadAt(File& file, uint64_t offset, void* buffer, size_t size) = 0;
  /// Writes all `size` bytes at the file position, or fails.
  virtual int Write(File& file, const void* buffer, size_t size) = 0;
  /// Forces the written data to the storage device.
  virtual int Flush(File& file) = 0;

  /// Marks the file sparse where the file system wants that first.
  virtual int SetSparse(File& file) = 0;
  /// Gives the storage of a non-empty range back to the file system, which
  /// makes it read as zeros (a hole); never changes the file's size.
  virtual int PunchHole(File& file, uint64_t offset, uint64_t length) = 0;
  /// The parts of [start, end) that hold data, in order; the rest are holes,
  /// which read as zeros and take no storage. Where the system cannot tell,
  /// the whole range.
  virtual int DataRanges(File& file, uint64_t start, uint64_t end,
                         std::vector<ByteRange>* ranges) = 0;
  /// 0 while no other process has asked for a file opened exclusively; the
  /// system's busy code once one has (it waits until the file is closed).
  virtual int ConfirmExclusive(File& file) = 0;

  /// Another handle of the open file, for reading alone, with a position and
  /// read-ahead of its own; the system is told that it is read front to back.
  /// No open checks: `file` passed them when it was opened.
  virtual OpenResult OpenSequentialReader(File& file) = 0;
  /// What jumping between places of the open file costs; a part check reads
  /// many parts at once only where that costs nothing.
  virtual SeekCost SeekCostOf(File& file) = 0;
  /// Asks the system to read the range of the open file into its cache, from
  /// front to back, so that reads of it later jump nowhere on the disk. A
  /// hint: it may return before the bytes are there, and does nothing where
  /// the system has no cache to fill (a disk in memory).
  virtual void Prefetch(File& file, uint64_t offset, uint64_t length) {
    (void)file, (void)offset, (void)length;
  }
};

/// Both seams, as the run has them; a caller takes the narrower one where
/// that is all it needs, and tests replace the whole with one in memory or
/// one that fails a chosen call.
class Disk : public FileSystem, public FileIo {};

/// The size of an open file in bytes.
int FileSize(FileIo& io, File& file, uint64_t* size);
/// The identity of an open file.
int Identify(FileIo& io, File& file, FileIdentity* identity);
/// The access and modification times of an open file.
int ReadTimes(FileIo& io, File& file, FileTimes* times);
/// The identity of the file a path names, links followed.
int IdentifyPath(FileSystem& files, const std::string& path, FileIdentity* identity);

/// The real disk of this platform.
Disk& SystemDisk();

/// True when the error code says that another program holds the file.
bool IsBusy(int error);
/// True when the error code says that a file of that name already exists.
bool IsAlreadyExists(int error);
/// True when the error code says the file system cannot give a file a
/// second name, so that a rename has to do instead.
bool IsLinkUnsupported(int error);

/// The modification time of `times` in Unix seconds, as the clients note it
/// in a metadata file's header.
int64_t ModifiedUnixSeconds(const FileTimes& times);
