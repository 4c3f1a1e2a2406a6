// What kind of storage holds the current folder, where every frame's files
// are written. One implementation per platform (work_folder_posix.cpp,
// work_folder_win32.cpp); the build picks it.
#ifndef BOTTLEWATCH_APP_WORK_FOLDER_H_
#define BOTTLEWATCH_APP_WORK_FOLDER_H_

enum class FolderStorage {
  kMemory,   // a file system that lives in memory only: nothing reaches a disk
  kDisk,     // any other: what is written may be pushed to a disk
  kUnknown,  // not known, or not asked on this platform
};

FolderStorage CurrentFolderStorage();

#endif  // BOTTLEWATCH_APP_WORK_FOLDER_H_
