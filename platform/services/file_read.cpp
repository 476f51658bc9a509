// file_read.cpp -- regular files opened without blocking, read whole or in parts; line ends
#include "platform/services/file_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

namespace platform_file {

namespace {

std::string WithSystemText(const char* what, int error) {
  return std::string(what) + " (" + std::strerror(error) + ")";
}

}  // namespace

RegularFile::~RegularFile() { Close(); }

RegularFile::RegularFile(RegularFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), size_(other.size_), systemError_(other.systemError_) {}

RegularFile& RegularFile::operator=(RegularFile&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    size_ = other.size_;
    systemError_ = other.systemError_;
  }
  return *this;
}

void RegularFile::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  size_ = 0;
}

FileStatus RegularFile::Open(const char* path, std::string* problem) {
  Close();
  systemError_ = 0;
  // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer forever;
  // O_NOCTTY: a terminal named as a file never becomes the program's controlling terminal.
  int fd = open(path ? path : "", O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    systemError_ = errno;
    *problem = WithSystemText("cannot be opened", systemError_);
    return systemError_ == ENOENT || systemError_ == ENOTDIR ? FileStatus::kNotFound : FileStatus::kCannotOpen;
  }
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) {
    close(fd);
    *problem = "is not a regular file";
    return FileStatus::kNotRegular;
  }
  // A regular file never blocks; the flag goes so that reads behave as they usually do.
  int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  fd_ = fd;
  size_ = static_cast<uint64_t>(st.st_size);
  return FileStatus::kOk;
}

FileStatus RegularFile::Read(void* buffer, size_t bytes, size_t* got, std::string* problem) {
  *got = 0;
  if (fd_ < 0) {
    systemError_ = EBADF;
    if (problem) *problem = WithSystemText("cannot be read", EBADF);
    return FileStatus::kCannotRead;
  }
  char* out = static_cast<char*>(buffer);
  while (*got < bytes) {
    ssize_t n = read(fd_, out + *got, bytes - *got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      systemError_ = errno;
      if (problem) *problem = WithSystemText("cannot be read", systemError_);
      return FileStatus::kCannotRead;
    }
    if (n == 0) break;  // the end of the file
    *got += static_cast<size_t>(n);
  }
  return FileStatus::kOk;
}

FileStatus RegularFile::ReadRest(std::string* bytes, std::string* problem) {
  bytes->clear();
  int64_t at = Tell();
  uint64_t rest = at >= 0 && static_cast<uint64_t>(at) < size_ ? size_ - static_cast<uint64_t>(at) : 0;
  try {
    bytes->resize(static_cast<size_t>(rest));
  } catch (const std::bad_alloc&) {
    *problem = "does not fit in memory";
    return FileStatus::kNoMemory;
  } catch (const std::length_error&) {
    *problem = "does not fit in memory";
    return FileStatus::kNoMemory;
  }
  size_t got = 0;
  FileStatus status = Read(bytes->empty() ? nullptr : &(*bytes)[0], bytes->size(), &got, problem);
  // A file that shrank while it was read gives what is there.
  bytes->resize(status == FileStatus::kOk ? got : 0);
  return status;
}

int64_t RegularFile::Seek(int64_t offset, int whence) {
  if (fd_ < 0) return -1;
  return static_cast<int64_t>(lseek(fd_, static_cast<off_t>(offset), whence));
}

int64_t RegularFile::Tell() const {
  if (fd_ < 0) return -1;
  return static_cast<int64_t>(lseek(fd_, 0, SEEK_CUR));
}

FileStatus ReadRegularFile(const char* path, size_t maxBytes, std::string* bytes, std::string* problem) {
  bytes->clear();
  RegularFile file;
  FileStatus status = file.Open(path, problem);
  if (status != FileStatus::kOk) return status;
  if (file.Size() > maxBytes) {
    *problem = "is " + std::to_string(file.Size()) + " bytes; at most " + std::to_string(maxBytes) + " are read";
    return FileStatus::kTooLarge;
  }
  return file.ReadRest(bytes, problem);
}

std::string NormaliseLineEnds(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace platform_file
