// file_watcher.cpp -- inotify on the run directory's folders, settled saves handed to the frame loop
#include "tools/preview/file_watcher.h"

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace preview {

namespace {
constexpr uint32_t kMask = IN_CLOSE_WRITE | IN_MOVED_TO;
}  // namespace

bool FileWatcher::Start(const std::vector<std::string>& folders, std::string* problem) {
  Stop();
  fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd_ < 0 || pipe(wake_) != 0) {
    *problem = std::string("the run directory cannot be watched (") + std::strerror(errno) + ")";
    Stop();
    return false;
  }
  for (const std::string& folder : folders) {
    int wd = inotify_add_watch(fd_, folder.c_str(), kMask);
    if (wd >= 0) watches_.emplace_back(wd, folder == "." ? std::string() : folder + "/");
  }
  thread_ = std::thread([this] { Run(); });
  return true;
}

void FileWatcher::Stop() {
  if (thread_.joinable()) {
    char byte = 1;
    if (write(wake_[1], &byte, 1) != 1) {
      // The pipe is ours and empty: a write cannot fail short of the process ending.
    }
    thread_.join();
  }
  if (fd_ >= 0) close(fd_);
  for (int& end : wake_) {
    if (end >= 0) close(end);
    end = -1;
  }
  fd_ = -1;
  watches_.clear();
}

void FileWatcher::Note(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto now = std::chrono::steady_clock::now();
  for (Pending& p : pending_) {
    if (p.path == path) {
      p.last = now;
      return;
    }
  }
  pending_.push_back(Pending{path, now});
}

void FileWatcher::Settle() {
  std::lock_guard<std::mutex> lock(mutex_);
  auto now = std::chrono::steady_clock::now();
  for (size_t i = 0; i < pending_.size();) {
    if (now - pending_[i].last >= std::chrono::milliseconds(kSettleMs)) {
      if (std::find(ready_.begin(), ready_.end(), pending_[i].path) == ready_.end()) ready_.push_back(pending_[i].path);
      pending_.erase(pending_.begin() + static_cast<long>(i));
      due_.store(true, std::memory_order_release);
    } else {
      ++i;
    }
  }
}

void FileWatcher::Run() {
  alignas(inotify_event) char buffer[8192];
  for (;;) {
    pollfd fds[2] = {{fd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    bool waiting;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      waiting = !pending_.empty();
    }
    // Without pending saves the thread sleeps until something happens; with some, it wakes to
    // settle them.
    int n = poll(fds, 2, waiting ? kSettleMs / 4 : -1);
    if (n < 0 && errno != EINTR) return;
    if (fds[1].revents) return;
    if (n > 0 && (fds[0].revents & POLLIN)) {
      ssize_t got;
      while ((got = read(fd_, buffer, sizeof buffer)) > 0) {
        for (ssize_t off = 0; off < got;) {
          const auto* e = reinterpret_cast<const inotify_event*>(buffer + off);
          off += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
          if (e->len == 0 || !(e->mask & kMask)) continue;
          for (const auto& w : watches_) {
            if (w.first == e->wd) Note(w.second + e->name);
          }
        }
      }
    }
    Settle();
  }
}

std::vector<std::string> FileWatcher::TakeDue() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> due;
  due.swap(ready_);
  due_.store(false, std::memory_order_release);
  return due;
}

}  // namespace preview
