// The files and directories a process must remove on every way out, also
// when a signal ends it: kept in fixed storage, so that a signal handler
// can walk the list without allocating. Used by the platform files only.
#ifndef PAGERATES_TOOLS_HOST_REMOVAL_LIST_H_
#define PAGERATES_TOOLS_HOST_REMOVAL_LIST_H_

#include <csignal>
#include <cstring>
#include <string>

namespace pagerates::cli {

class RemovalList {
 public:
  // Adds `path` (a file, or a directory to be removed after the files).
  // Paths that do not fit are not kept; their owner still removes them on
  // an orderly way out.
  void Add(const std::string& path, bool directory) {
    for (Entry& entry : entries_) {
      if (entry.used != 0 || path.size() >= sizeof entry.path) continue;
      std::memcpy(entry.path, path.c_str(), path.size() + 1);
      entry.directory = directory;
      entry.used = 1;
      return;
    }
  }
  void Drop(const std::string& path) {
    for (Entry& entry : entries_) {
      if (entry.used != 0 && path == entry.path) entry.used = 0;
    }
  }
  // Calls `remove_file`, then `remove_directory`, for every path kept.
  // Async-signal-safe when they are.
  template <typename RemoveFile, typename RemoveDirectory>
  void RemoveAll(RemoveFile remove_file, RemoveDirectory remove_directory) {
    for (Entry& entry : entries_) {
      if (entry.used != 0 && !entry.directory) remove_file(entry.path);
    }
    for (Entry& entry : entries_) {
      if (entry.used != 0 && entry.directory) remove_directory(entry.path);
    }
  }

 private:
  struct Entry {
    volatile std::sig_atomic_t used = 0;
    bool directory = false;
    char path[1024] = {};
  };
  Entry entries_[8];
};

}  // namespace pagerates::cli

#endif  // PAGERATES_TOOLS_HOST_REMOVAL_LIST_H_
