// scratch_dir.h -- test fixture: each test runs in a fresh temporary directory, where "log.txt" lands
#pragma once

#include <gtest/gtest.h>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "src/import3ds/loader3ds.h"
#include "tests/support/scratch_dir.h"
#include "tools/write3ds/writer3ds.h"

class ScratchDirTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir.Enter()) << "cannot make or enter " << dir.path(); }
  void TearDown() override { ASSERT_TRUE(dir.Leave()); }

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

  testsupport::ScratchDir dir{"import3ds_test"};
};
