// reproducible_test.cpp -- the generators give the same bytes on every run, and the media
// committed under demo/media are what the generators make today
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/media/maps.h"
#include "tools/media/scene3ds.h"
#include "tools/media/sphere.h"
#include "tools/media/sprites.h"

namespace {

const char* kRegenerate = "; run ./demo.sh media and commit demo/media";

std::string Media(const std::string& name) { return std::string(QOLA_SOURCE_DIR) + "/demo/media/" + name; }

std::vector<uint8_t> FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<uint8_t> PngBytes(const media::Canvas& canvas, const std::string& name) {
  std::string path = ::testing::TempDir() + name, error;
  EXPECT_TRUE(media::WritePng(canvas, path, &error)) << error;
  std::vector<uint8_t> bytes = FileBytes(path);
  std::remove(path.c_str());
  return bytes;
}

TEST(Reproducible, TwoRunsGiveTheSameBytes) {
  std::string error;
  EXPECT_EQ(media::WriteScene3DS(media::HallWorld(), &error), media::WriteScene3DS(media::HallWorld(), &error));
  EXPECT_EQ(media::SphereXFile(media::SubdividedSphere(3), "S", 1.0f), media::SphereXFile(media::SubdividedSphere(3), "S", 1.0f));
  std::vector<media::NamedSprite> first = media::AllSprites(), second = media::AllSprites();
  for (size_t i = 0; i < first.size(); ++i)
    EXPECT_EQ(PngBytes(first[i].image, "a.png"), PngBytes(second[i].image, "b.png")) << first[i].file;
  for (const media::NamedMap& map : media::SceneMaps())
    EXPECT_EQ(PngBytes(map.draw(), "a.png"), PngBytes(map.draw(), "b.png")) << map.file;
}

// The scene and the mesh have no compression: their bytes must match. PNG bytes depend on the
// zlib build, so pictures are compared by their pixels.
TEST(Reproducible, CommittedMediaMatchTheGenerators) {
  std::string error;
  EXPECT_EQ(media::WriteScene3DS(media::HallWorld(), &error), FileBytes(Media("scene1texkey.3ds")))
      << "scene1texkey.3ds" << kRegenerate;
  std::string sphere = media::SphereXFile(media::SubdividedSphere(6), "Sphere6Divs", media::kDemoSphereRadius);
  EXPECT_EQ(std::vector<uint8_t>(sphere.begin(), sphere.end()), FileBytes(Media("sphere6divs.x")))
      << "sphere6divs.x" << kRegenerate;
  auto samePixels = [&](const media::Canvas& made, const std::string& file) {
    media::Canvas committed(1, 1);
    ASSERT_TRUE(media::ReadPng(Media(file), &committed, &error)) << error << kRegenerate;
    EXPECT_EQ(made.Width(), committed.Width()) << file;
    EXPECT_TRUE(made.Rgba() == committed.Rgba()) << file << kRegenerate;
  };
  for (const media::NamedSprite& sprite : media::AllSprites()) samePixels(sprite.image, sprite.file);
  for (const media::NamedMap& map : media::SceneMaps()) samePixels(map.draw(), "maps/" + map.file);
}

}  // namespace
