// file_read_test.cpp -- regular files read without blocking; everything else refused by name
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include "platform/services/file_read.h"
#include "tests/support/scratch_dir.h"

namespace {

using platform_file::FileStatus;
using platform_file::RegularFile;

class FileReadTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(dir.empty()) << "no scratch directory"; }
  std::string Write(const char* leaf, const std::string& bytes) {
    std::string path = dir + leaf;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  testsupport::ScratchDir scratch{"qola_file_read"};
  const std::string dir = scratch.path();
};

// Once `after` has passed, opens the FIFO for writing whenever a reader waits on it: a reader
// blocked in open() is released, so a regression fails the test instead of hanging it.
class FifoWatchdog {
 public:
  FifoWatchdog(std::string fifo, std::chrono::milliseconds after)
      : thread_([this, fifo, after] {
          auto from = std::chrono::steady_clock::now() + after;
          while (!done_) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            if (std::chrono::steady_clock::now() < from) continue;
            int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);  // fails while no reader waits
            if (fd >= 0) {
              released_ = true;
              close(fd);
            }
          }
        }) {}
  ~FifoWatchdog() {
    done_ = true;
    thread_.join();
  }
  bool Released() const { return released_; }

 private:
  std::atomic<bool> done_{false};
  std::atomic<bool> released_{false};
  std::thread thread_;
};

TEST_F(FileReadTest, AFifoWithNoWriterIsRefusedAtOnce) {
  std::string fifo = dir + "/fifo";
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
  FifoWatchdog watchdog(fifo, std::chrono::seconds(2));
  std::string bytes = "old", problem;
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(FileStatus::kNotRegular, platform_file::ReadRegularFile(fifo.c_str(), 1024, &bytes, &problem));
  RegularFile file;
  std::string openProblem;
  EXPECT_EQ(FileStatus::kNotRegular, file.Open(fifo.c_str(), &openProblem));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_FALSE(watchdog.Released()) << "the open waited for a writer";
  EXPECT_EQ("is not a regular file", problem);
  EXPECT_EQ("is not a regular file", openProblem);
  EXPECT_TRUE(bytes.empty());
  EXPECT_FALSE(file.IsOpen());
}

TEST_F(FileReadTest, WhatIsNoRegularFileOrIsMissingIsRefusedWithItsReason) {
  ASSERT_EQ(0, mkdir((dir + "/sub").c_str(), 0700));
  std::string notADir = Write("/small.bin", "abc") + "/inside";
  struct Case {
    std::string path;
    FileStatus status;
    std::string problem;
    int systemError;
  } cases[] = {
      {dir, FileStatus::kNotRegular, "is not a regular file", 0},
      {dir + "/sub/", FileStatus::kNotRegular, "is not a regular file", 0},
      {"/dev/null", FileStatus::kNotRegular, "is not a regular file", 0},
      {dir + "/missing", FileStatus::kNotFound, "cannot be opened (No such file or directory)", ENOENT},
      {notADir, FileStatus::kNotFound, "cannot be opened (Not a directory)", ENOTDIR},
      {"", FileStatus::kNotFound, "cannot be opened (No such file or directory)", ENOENT},
  };
  for (const Case& c : cases) {
    std::string bytes, problem;
    EXPECT_EQ(c.status, platform_file::ReadRegularFile(c.path.c_str(), 1024, &bytes, &problem)) << c.path;
    EXPECT_EQ(c.problem, problem) << c.path;
    RegularFile file;
    EXPECT_EQ(c.status, file.Open(c.path.c_str(), &problem)) << c.path;
    EXPECT_EQ(c.systemError, file.SystemError()) << c.path;
    EXPECT_FALSE(file.IsOpen());
  }
}

TEST_F(FileReadTest, AFileLargerThanTheLimitIsRefusedBeforeItIsRead) {
  std::string path = Write("/small.bin", std::string(101, 'x'));
  std::string empty = Write("/empty.bin", "");
  struct Case {
    const std::string* path;
    size_t maxBytes;
    FileStatus status;
    size_t bytes;
    std::string problem;
  } cases[] = {
      {&path, 100, FileStatus::kTooLarge, 0, "is 101 bytes; at most 100 are read"},
      {&path, 0, FileStatus::kTooLarge, 0, "is 101 bytes; at most 0 are read"},
      {&path, 101, FileStatus::kOk, 101, ""},
      {&empty, 0, FileStatus::kOk, 0, ""},
  };
  for (const Case& c : cases) {
    std::string bytes = "old", problem;
    EXPECT_EQ(c.status, platform_file::ReadRegularFile(c.path->c_str(), c.maxBytes, &bytes, &problem)) << c.maxBytes;
    EXPECT_EQ(c.bytes, bytes.size()) << c.maxBytes;
    EXPECT_EQ(c.problem, problem) << c.maxBytes;
  }
}

TEST_F(FileReadTest, AnOpenFileReadsInPartsSeeksAndClosesOnce) {
  std::string bytes;
  for (int i = 0; i < 300; ++i) bytes += static_cast<char>(i);  // every byte value, NUL and CR too
  std::string path = Write("/small.bin", bytes);
  RegularFile file;
  std::string problem;
  ASSERT_EQ(FileStatus::kOk, file.Open(path.c_str(), &problem)) << problem;
  EXPECT_EQ(300u, file.Size());
  char part[100];
  size_t got = 0;
  ASSERT_EQ(FileStatus::kOk, file.Read(part, sizeof part, &got, &problem));
  EXPECT_EQ(std::string(part, got), bytes.substr(0, 100));
  EXPECT_EQ(100, file.Tell());
  EXPECT_EQ(290, file.Seek(-10, SEEK_END));
  ASSERT_EQ(FileStatus::kOk, file.Read(part, sizeof part, &got, &problem));
  EXPECT_EQ(std::string(part, got), bytes.substr(290)) << "a read past the end gives what is there";
  EXPECT_EQ(0, file.Seek(0, SEEK_SET));
  EXPECT_EQ(7, file.Seek(7, SEEK_CUR));
  std::string rest;
  ASSERT_EQ(FileStatus::kOk, file.ReadRest(&rest, &problem));
  EXPECT_EQ(bytes.substr(7), rest);

  RegularFile moved = std::move(file);
  EXPECT_FALSE(file.IsOpen());
  EXPECT_TRUE(moved.IsOpen());
  moved.Close();
  EXPECT_FALSE(moved.IsOpen());
  EXPECT_EQ(FileStatus::kCannotRead, moved.Read(part, sizeof part, &got, &problem));
  EXPECT_EQ(0u, got);
  EXPECT_EQ(-1, moved.Seek(0, SEEK_SET));
}

TEST(NormaliseLineEnds, CrLfAndLoneCrBecomeLf) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"", ""},
      {"no line end", "no line end"},
      {"a\nb", "a\nb"},
      {"a\r\nb", "a\nb"},
      {"a\rb", "a\nb"},
      {"a\r", "a\n"},
      {"\r\n", "\n"},
      {"\r\r\n", "\n\n"},      // a lone CR, then a CR LF pair
      {"\n\r", "\n\n"},        // LF CR is two line ends
      {"\r\n\r\n", "\n\n"},
      {"\r\r", "\n\n"},
      {std::string("x\0\r\ny", 5), std::string("x\0\ny", 4)},  // NUL passes untouched
  };
  for (const Case& c : cases) EXPECT_EQ(c.out, platform_file::NormaliseLineEnds(c.in)) << c.in;
}

}  // namespace
