// file_read.h -- reading a regular file without ever blocking on a FIFO or a device
//
// Every loader of the demo and the platform opens its files here. The open never waits: a FIFO
// named as a file would otherwise hang the open until something writes to it, and a terminal
// would become the program's controlling one. What is opened is checked on the open
// descriptor, so the file checked is the file read, and anything but a regular file (a
// directory, FIFO, device or socket) is refused before a byte is read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform_file {

enum class FileStatus {
  kOk,
  kNotFound,    // no such file, or a part of the path is no directory
  kCannotOpen,  // it exists but does not open (permissions, too many open files, ...)
  kNotRegular,  // a directory, FIFO, device or socket
  kTooLarge,    // more bytes than the caller reads
  kNoMemory,    // the bytes do not fit in memory
  kCannotRead,  // a read failed
};

// An open regular file, read from the start or at any offset. Move-only; closes itself.
class RegularFile {
 public:
  RegularFile() = default;
  ~RegularFile();
  RegularFile(RegularFile&& other) noexcept;
  RegularFile& operator=(RegularFile&& other) noexcept;
  RegularFile(const RegularFile&) = delete;
  RegularFile& operator=(const RegularFile&) = delete;

  // Opens path for reading (closing what was open). On failure *problem says why, without the
  // path: "cannot be opened (No such file or directory)", "is not a regular file".
  FileStatus Open(const char* path, std::string* problem);
  bool IsOpen() const { return fd_ >= 0; }
  void Close();

  // The file's size when it was opened.
  uint64_t Size() const { return size_; }
  // Reads up to `bytes` bytes into buffer from the current offset, until they are read or the
  // file ends; *got is the count read. Interrupted reads are resumed.
  FileStatus Read(void* buffer, size_t bytes, size_t* got, std::string* problem);
  // Reads from the current offset to the end of the file as it was opened into *bytes.
  FileStatus ReadRest(std::string* bytes, std::string* problem);
  // Moves the offset as lseek does (whence SEEK_SET, SEEK_CUR or SEEK_END from <cstdio>);
  // the new offset, or -1.
  int64_t Seek(int64_t offset, int whence);
  int64_t Tell() const;

  // The system's error number of the last failed open or read (0 when none failed).
  int SystemError() const { return systemError_; }

 private:
  int fd_ = -1;
  uint64_t size_ = 0;
  int systemError_ = 0;
};

// Reads the whole of path into *bytes, refusing a file of more than maxBytes
// ("is 70000000 bytes; at most 67108864 are read"). On failure *bytes is empty.
FileStatus ReadRegularFile(const char* path, size_t maxBytes, std::string* bytes, std::string* problem);

// "\r\n" and a lone "\r" become "\n", as text-mode reading and XML parsers do, so that lines
// are counted alike by every reader of a text.
std::string NormaliseLineEnds(const std::string& text);

}  // namespace platform_file
