// seeds_test.cpp -- the fuzz seeds in fuzz/seeds/loader3ds/ are the writer's sample scenes, and they load
//
// Run with QOLA_UPDATE_SEEDS=1 to rewrite the seed files from the samples.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/write3ds/sample_scenes.h"
#include "tools/write3ds/writer3ds.h"

namespace {

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(FuzzSeeds, MatchTheWritersSampleScenes) {
  const std::string dir = std::string(QOLA_SOURCE_DIR) + "/fuzz/seeds/loader3ds/";
  const char* update = std::getenv("QOLA_UPDATE_SEEDS");
  for (const write3ds::SampleScene& scene : write3ds::SampleScenes()) {
    if (update && std::string(update) == "1") {
      write3ds::Writer3DS w;
      w.Bytes(scene.bytes);
      ASSERT_TRUE(w.Save(dir + scene.name)) << dir + scene.name;
    }
    EXPECT_EQ(ReadFile(dir + scene.name), scene.bytes)
        << scene.name << " differs from its sample; rerun with QOLA_UPDATE_SEEDS=1";
  }
}

}  // namespace
