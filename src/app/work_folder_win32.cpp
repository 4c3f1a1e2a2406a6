// On Windows the current folder is not looked at: a memory folder is no
// common thing there, so a line about one would only be noise at every start.
// The README says what a folder on a disk costs.
#include "app/work_folder.h"

FolderStorage CurrentFolderStorage() {
  return FolderStorage::kUnknown;
}
