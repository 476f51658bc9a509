// sphere_distortion_test.cpp -- the sphere's parameters at set times, its picture, its failures
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <string>

#include "src/effects/sphere_distortion.h"
#include "src/device/effect.h"
#include "tests/effects/effects_fixture.h"

namespace {

using testsupport::Picture;

constexpr float kRadius = 0.5f;       // of the generated test sphere
constexpr double kGreatestSwell = 0.09;  // spheredistort.fx moves the surface at most 9 % of the radius

class SphereDistortionTest : public EffectsTest {
 protected:
  void WriteMedia() {
    ASSERT_TRUE(effects_media::EnvironmentImage().Write("media/maps/pmetal.png"));
    ASSERT_TRUE(effects_media::WriteSphereX("media/sphere6divs.x", kRadius, 32, 48));
  }
  ID3DXEffect* Fx() { return sphereEffect->effect; }
  static bool Lit(const Picture& picture, int x, int y) {
    const uint8_t* p = picture.at(x, y);
    return p[0] + p[1] + p[2] > 12;
  }
};

// Hand-made oracle: D3DXMatrixPerspectiveFovLH(pi/4, 4/3, 0.1, 100) and the 2.5 translation.
TEST_F(SphereDistortionTest, ParametersAtZeroAndOneSecond) {
  WriteMedia();
  LoadSphereDistortion(device);
  ASSERT_NE(sphereMesh, nullptr);
  ASSERT_NE(sphereEffect, nullptr);
  EXPECT_EQ(sphereMesh->GetFVF(), static_cast<DWORD>(D3DFVF_XYZ));
  EXPECT_EQ(sphereMesh->GetNumBytesPerVertex(), 12u);
  EXPECT_EQ(sphereMesh->GetOptions() & D3DXMESH_WRITEONLY, static_cast<DWORD>(D3DXMESH_WRITEONLY));

  struct Case {
    uint32_t timeMs;
    float minorMul[3];
  } cases[] = {{0, {24.0f, 0.0f, 0.0f}}, {1000, {23.25390f, 4.76806f, 0.0f}} /* 24 cos 0.25, 24 sin 0.2 */, {0, {24.0f, 0.0f, 0.0f}}};
  const double yScale = 1.0 / std::tan(3.14159265358979 / 8.0), xScale = yScale * 0.75;
  const double q = 100.0 / 99.9;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.timeMs) + " ms");
    DrawSphereDistortion(device, c.timeMs);
    float minorMul[3], colour[4];
    ASSERT_EQ(Fx()->GetFloatArray("MinorMul", minorMul, 3), D3D_OK);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(minorMul[i], c.minorMul[i], 1e-4) << i;
    ASSERT_EQ(Fx()->GetFloatArray("Colour", colour, 4), D3D_OK);
    EXPECT_EQ(colour[0], 1.0f);
    EXPECT_EQ(colour[1], 0.0f);
    EXPECT_EQ(colour[2], 1.0f);
    EXPECT_EQ(colour[3], 1.0f);

    D3DXMATRIX world, matrix;
    ASSERT_EQ(Fx()->GetMatrix("WorldMatrix", &world), D3D_OK);
    ASSERT_EQ(Fx()->GetMatrix("Matrix", &matrix), D3D_OK);
    // The world turns about the sphere's centre and then moves it 2.5 ahead of the eye.
    EXPECT_EQ(world._41, 0.0f);
    EXPECT_EQ(world._42, 0.0f);
    EXPECT_EQ(world._43, 2.5f);
    EXPECT_EQ(world._44, 1.0f);
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) {
        double dot = 0;
        for (int k = 0; k < 3; ++k) dot += world.m[i][k] * world.m[j][k];
        EXPECT_NEAR(dot, i == j ? 1.0 : 0.0, 1e-5) << "rotation rows " << i << "," << j;
      }
    }
    if (c.timeMs == 0) {
      EXPECT_EQ(world._11 * world._22 * world._33, 1.0f) << "no turn at time 0";
    }
    // Matrix = world x projection, the projection by hand.
    const double projection[4][4] = {{xScale, 0, 0, 0}, {0, yScale, 0, 0}, {0, 0, q, 1}, {0, 0, -0.1 * q, 0}};
    for (int i = 0; i < 4; ++i) {
      for (int j = 0; j < 4; ++j) {
        double expected = 0;
        for (int k = 0; k < 4; ++k) expected += world.m[i][k] * projection[k][j];
        EXPECT_NEAR(matrix.m[i][j], expected, 1e-5) << i << "," << j;
      }
    }
  }
  EXPECT_EQ(platform_testing::MessageBeeps(), 0);
}

// The blob at 0 ms sits in the middle of the view, as large as the projection makes a sphere of
// its radius 2.5 ahead of the eye, give or take the effect's swell; a second later it differs.
TEST_F(SphereDistortionTest, PictureIsACentredBlobThatMoves) {
  WriteMedia();
  LoadSphereDistortion(device);
  Picture first = Frame([&] { DrawSphereDistortion(device, 0); });
  Picture later = Frame([&] { DrawSphereDistortion(device, 1000); });
  Keep(first, "sphere_0ms.png");
  Keep(later, "sphere_1000ms.png");

  // Silhouette of a sphere of radius r at distance d: tan(asin(r / d)) / tan(fov / 2) of half the height.
  const double pi = 3.14159265358979;
  auto predicted = [&](double radius) { return std::tan(std::asin(radius / 2.5)) / std::tan(pi / 8) * kHeight / 2; };
  const double smallest = predicted(kRadius * (1 - kGreatestSwell)), largest = predicted(kRadius * (1 + kGreatestSwell));
  const double cx = kWidth / 2.0, cy = kHeight / 2.0;
  double sumX = 0, sumY = 0, lit = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      if (!Lit(first, x, y)) continue;
      sumX += x + 0.5, sumY += y + 0.5, ++lit;
    }
  }
  ASSERT_GT(lit, 0);
  EXPECT_NEAR(sumX / lit, cx, 4.0);
  EXPECT_NEAR(sumY / lit, cy, 4.0);
  // The outermost lit pixel along 32 rays from the centre, in pixels (the x scale is the same:
  // the 4/3 aspect matches the 512 x 384 view).
  for (int ray = 0; ray < 32; ++ray) {
    double angle = 2 * pi * ray / 32, reach = 0;
    for (double s = 0; s < kWidth; s += 0.5) {
      int x = static_cast<int>(cx + s * std::cos(angle)), y = static_cast<int>(cy + s * std::sin(angle));
      if (x < 0 || y < 0 || x >= kWidth || y >= kHeight) break;
      if (Lit(first, x, y)) reach = s;
    }
    EXPECT_GE(reach, smallest - 3) << "ray " << ray;
    EXPECT_LE(reach, largest + 3) << "ray " << ray;
  }
  double difference = 0;
  for (size_t i = 0; i < first.rgba.size(); ++i) difference += std::abs(first.rgba[i] - later.rgba[i]);
  EXPECT_GT(difference / lit, 20.0) << "the pictures at 0 and 1000 ms hardly differ";
}

TEST_F(SphereDistortionTest, MissingPartsDrawNothing) {
  struct Case {
    const char* missing;
    int beeps, boxes;
  } cases[] = {{"media/sphere6divs.x", 1, 0}, {"media/maps/pmetal.png", 0, 0}, {"media/spheredistort.fx", 0, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.missing);
    WriteMedia();
    std::remove(c.missing);
    platform_testing::ClearMessageBoxes();
    LoadSphereDistortion(device);
    EXPECT_EQ(platform_testing::MessageBeeps(), c.beeps);
    EXPECT_EQ(platform_testing::MessageBoxes().size(), static_cast<size_t>(c.boxes));
    for (uint32_t timeMs : {0u, 1000u}) EXPECT_TRUE(IsBlack(Frame([&] { DrawSphereDistortion(device, timeMs); })));
    ReleaseSphereDistortion();
    const std::string fx = std::string(QOLA_SOURCE_DIR) + "/demo/media/spheredistort.fx";
    ASSERT_TRUE(symlink(fx.c_str(), "media/spheredistort.fx") == 0 || errno == EEXIST);
  }
}

// Released before the Device goes, the mesh leaves no reference on the Direct3D device.
TEST_F(SphereDistortionTest, LoadingTwiceKeepsOneMeshAndReleaseFreesIt) {
  WriteMedia();
  LoadSphereDistortion(device);
  LoadSphereDistortion(device);  // the first mesh is released, not leaked
  ASSERT_NE(sphereMesh, nullptr);
  Frame([&] { DrawSphereDistortion(device, 500); });
  ReleaseSphereDistortion();
  EXPECT_EQ(sphereMesh, nullptr);
  ReleaseSphereDistortion();
  EXPECT_TRUE(IsBlack(Frame([&] { DrawSphereDistortion(device, 0); })));
  IDirect3DDevice9* d3d = device->device;
  d3d->AddRef();
  Device::DeleteInstance();
  EXPECT_EQ(d3d->Release(), 0u) << "something still holds the Direct3D device";
}

}  // namespace
