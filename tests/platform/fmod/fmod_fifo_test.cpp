// fmod_fifo_test.cpp -- a FIFO named as the music is refused at once, not waited on
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "fmod.h"

namespace {

TEST(FmodFile, FifoNamedAsTheMusicIsRefusedWithoutBlocking) {
  std::string fifo = ::testing::TempDir() + "qola_fmod_" + std::to_string(getpid()) + ".ogg";
  std::remove(fifo.c_str());
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
  FSOUND_SetOutput(FSOUND_OUTPUT_NOSOUND);
  ASSERT_TRUE(FSOUND_Init(44100, 32, 0));
  EXPECT_EQ(nullptr, FSOUND_Stream_Open(fifo.c_str(), FSOUND_MPEGACCURATE, 0, 0));
  EXPECT_EQ(FMOD_ERR_FILE_BAD, FSOUND_GetError());
  FSOUND_Close();
  FSOUND_SetOutput(-1);
  std::remove(fifo.c_str());
}

}  // namespace
