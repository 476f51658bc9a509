// scratch_dir.h -- test fixture: each test runs in a fresh temporary directory, where "log.txt" lands
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "src/import3ds/loader3ds.h"
#include "tools/write3ds/writer3ds.h"

class ScratchDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char cwd[PATH_MAX];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    home = cwd;
    char pattern[] = "/tmp/import3ds_test.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    scratch = pattern;
    ASSERT_EQ(chdir(scratch.c_str()), 0);
  }
  void TearDown() override {
    ASSERT_EQ(chdir(home.c_str()), 0);
    std::remove((scratch + "/log.txt").c_str());
    std::remove((scratch + "/scene.3ds").c_str());
    rmdir(scratch.c_str());
  }

  // Saves the writer's file as "scene.3ds" and loads it with the demo's texture folder.
  bool LoadWritten(Loader3DS& loader, const write3ds::Writer3DS& w) {
    EXPECT_TRUE(w.Complete());
    EXPECT_TRUE(w.Save("scene.3ds"));
    return loader.Load("scene.3ds", "media/maps/");
  }
  bool LoadBytes(Loader3DS& loader, const std::vector<uint8_t>& bytes) {
    write3ds::Writer3DS w;
    w.Bytes(bytes);
    return LoadWritten(loader, w);
  }

  static std::string ReadLog() {
    std::ifstream in("log.txt", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  static bool LogExists() { return std::ifstream("log.txt").good(); }

  static constexpr const char* kOpening = "Processing : scene.3ds\nValid 3DS file. Starting...\n\n";

  std::string home;
  std::string scratch;
};
