// file_watcher.h -- the run directory watched for saved files (inotify), on a thread of its own
//
// The watcher thread waits on inotify for files closed after writing, or moved into a watched
// folder (editors that write a temporary file and rename it), and notes each path with the time
// of its last event. A path is due once no event has come for it for kSettleMs: a save made of
// several writes is reported once, when it is complete. The frame loop asks Due() (one atomic
// load, no system call) and takes the due paths only when there are some.
#pragma once

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace preview {

class FileWatcher {
 public:
  static constexpr int kSettleMs = 120;

  FileWatcher() = default;
  ~FileWatcher() { Stop(); }
  FileWatcher(const FileWatcher&) = delete;
  FileWatcher& operator=(const FileWatcher&) = delete;

  // Watches each folder (relative to the working directory, "." for it); paths come back as
  // "folder/name" ("go.xml" for "."). False with *problem when inotify cannot start; a folder
  // that does not exist is skipped.
  bool Start(const std::vector<std::string>& folders, std::string* problem);
  void Stop();

  bool Due() const { return due_.load(std::memory_order_acquire); }
  // The paths due now, each once, in the order their saves settled.
  std::vector<std::string> TakeDue();

 private:
  struct Pending {
    std::string path;
    std::chrono::steady_clock::time_point last;
  };
  void Run();
  void Note(const std::string& path);
  void Settle();

  int fd_ = -1;
  int wake_[2] = {-1, -1};  // a pipe that ends the thread's wait
  std::vector<std::pair<int, std::string>> watches_;
  std::thread thread_;
  std::mutex mutex_;
  std::vector<Pending> pending_;  // under mutex_
  std::vector<std::string> ready_;  // under mutex_
  std::atomic<bool> due_{false};
};

}  // namespace preview
