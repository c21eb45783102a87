#include "tests/support/platform_traits.h"

#include "platform/disk.h"
#include "tests/support/temp_folder.h"

bool FileSystemReleasesRanges(const std::string& folder) {
  const std::string probe = folder + "/release-probe";
  if (!WriteFileBytes(probe, std::string(1 << 18, 'x'))) return false;
  bool releases = false;
  {
    OpenResult opened = SystemDisk().OpenExclusive(probe);
    releases = opened.error == 0 && SystemDisk().SetSparse(opened.file) == 0 &&
               SystemDisk().PunchHole(opened.file, 0, 1 << 17) == 0;
  }
  SystemDisk().Remove(probe);
  return releases;
}
