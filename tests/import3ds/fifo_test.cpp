// fifo_test.cpp -- a FIFO or a directory named as the scene is refused before anything is read
#include <sys/stat.h>

#include "tests/import3ds/scratch_dir.h"

namespace {

class NotAFileTest : public ScratchDirTest {};

TEST_F(NotAFileTest, FifoAndDirectoryRefusedWithoutBlocking) {
  ASSERT_EQ(0, mkfifo("scene.fifo", 0600));
  ASSERT_EQ(0, mkdir("scene.dir", 0700));
  for (const char* path : {"scene.fifo", "scene.dir"}) {
    Loader3DS loader;
    EXPECT_FALSE(loader.Load(path, "media/maps/"));
    EXPECT_EQ(std::string(path) + ": is not a regular file", loader.Problem());
  }
  std::remove("scene.fifo");
  rmdir("scene.dir");
}

}  // namespace
