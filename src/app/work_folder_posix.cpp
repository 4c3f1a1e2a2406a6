// The current folder's file system, from statfs. Only the two file systems
// that keep their files in memory count as memory; anything else may send
// what the converter rewrites every frame to a disk.
#include <sys/statfs.h>

#include "app/work_folder.h"

namespace {

// From <linux/magic.h>, written out so that nothing else of the kernel's
// headers is needed.
constexpr unsigned long kTmpfsMagic = 0x01021994;
constexpr unsigned long kRamfsMagic = 0x858458f6;

}  // namespace

FolderStorage CurrentFolderStorage() {
  struct statfs info;
  if (statfs(".", &info) != 0) return FolderStorage::kUnknown;
  const auto type = static_cast<unsigned long>(info.f_type);
  if (type == kTmpfsMagic || type == kRamfsMagic) return FolderStorage::kMemory;
  return FolderStorage::kDisk;
}
