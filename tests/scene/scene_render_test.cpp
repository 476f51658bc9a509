// scene_render_test.cpp -- the shadow-mapped render read back: the lit pool, the box's shadow where
// the light's projection puts it, the map, no acne; the effect's parameters; the failure paths
#include <cmath>
#include <cstdlib>
#include <string>

#include "src/scene/camera.h"
#include "src/device/effect.h"
#include "tests/scene/scene_fixture.h"
#include "tools/write3ds/sample_scenes.h"

namespace {

using testsupport::Picture;
using testsupport::Rgba;

constexpr uint32_t kStartMs = 0;
constexpr uint32_t kEndMs = 10000;  // frame 100, the camera's last key
constexpr float kScale = 0.01f;

class SceneRenderTest : public SceneTest {
 protected:
  static constexpr int kRenderWidth = 640;
  static constexpr int kRenderHeight = 480;
  int Width() const override { return kRenderWidth; }
  int Height() const override { return kRenderHeight; }

  // Loads the lit floor scene and prepares the effect and the shadow map.
  void LoadLitFloor() {
    ASSERT_EQ(PrepareShadowMap(device, PhongFx().c_str()), S_OK);
    ASSERT_TRUE(LoadBytes(write3ds::LitFloorScene()));
    box = scene.FindMesh("Box01");
    ASSERT_NE(box, nullptr);
  }

  Picture Render(uint32_t timeMs, const char* name = nullptr) {
    Picture picture;
    EXPECT_EQ(scene.RenderFromCamera(device, "Camera1", timeMs, kScale), S_OK);
    EXPECT_TRUE(testsupport::ReadBackBuffer(device->device, &picture));
    // QOLA_TEST_PICTURES=DIR keeps the pictures for a person to look at.
    const char* dir = std::getenv("QOLA_TEST_PICTURES");
    if (dir && name) testsupport::WritePng(picture, std::string(dir) + "/" + name + ".png");
    return picture;
  }

  // Where a world point lands on the back buffer through Camera1 at timeMs.
  void Project(uint32_t timeMs, D3DXVECTOR3 world, int* x, int* y) {
    CameraFrame frame;
    EvaluateCamera(*scene.FindAnimation("Camera1"), timeMs, kScale, &frame);
    D3DXMATRIX view, projection, both;
    MakeLookAt(&view, &frame.eye, &frame.target);
    CameraProjection(&projection);
    D3DXMatrixMultiply(&both, &view, &projection);
    D3DXVECTOR3 ndc;
    D3DXVec3TransformCoord(&ndc, &world, &both);
    *x = static_cast<int>(std::lround((ndc.x + 1.0f) * 0.5f * kRenderWidth));
    *y = static_cast<int>(std::lround((1.0f - ndc.y) * 0.5f * kRenderHeight));
  }

  // Mean brightness (0..255) of a (2r+1)-pixel square around a world point's pixel.
  double Brightness(const Picture& picture, uint32_t timeMs, D3DXVECTOR3 world, int r = 4) {
    Rgba c = Around(picture, timeMs, world, r);
    return (c.r + c.g + c.b) / 3.0;
  }
  Rgba Around(const Picture& picture, uint32_t timeMs, D3DXVECTOR3 world, int r = 4) {
    int x = 0, y = 0;
    Project(timeMs, world, &x, &y);
    EXPECT_TRUE(x - r >= 0 && y - r >= 0 && x + r < kRenderWidth && y + r < kRenderHeight)
        << "(" << world.x << ", " << world.y << ", " << world.z << ") is off the picture at " << x << ", " << y;
    return testsupport::AverageColor(picture, x - r, y - r, x + r + 1, y + r + 1);
  }

  // Takes the box out of both views and out of the light.
  void HideBox() { box->position[1] = -5000.0f; }

  // Where the light's ray through p meets the floor (y = 0).
  D3DXVECTOR3 OnFloorFromLight(D3DXVECTOR3 p) {
    const SceneLight& light = *scene.lights[0];
    D3DXVECTOR3 l(light.position[0], light.position[1], light.position[2]);
    float t = l.y / (l.y - p.y);
    return l + (p - l) * t;
  }

  SceneMesh* box = nullptr;
};

TEST_F(SceneRenderTest, PoolIsLitInsideTheConeAndDarkOutside) {
  ASSERT_TRUE(WriteSolid("maps/checker.png", 180, 180, 180));  // brightness without the map's cells
  LoadLitFloor();
  HideBox();
  Picture picture = Render(kStartMs, "pool");
  // Light at (8, 30, -4) aimed at the origin: (6, 0, 6) is 15.5 degrees off its axis (inside the
  // 20-degree hotspot), (-18, 0, 18) 33 degrees (outside the 30-degree falloff).
  double inside = Brightness(picture, kStartMs, D3DXVECTOR3(6, 0, 6), 12);
  double outside = Brightness(picture, kStartMs, D3DXVECTOR3(-18, 0, 18), 12);
  EXPECT_GT(inside, 100.0);
  EXPECT_LT(outside, 40.0) << "only the ambient term lights the floor outside the cone";
  EXPECT_GT(outside, 5.0) << "a little ambient keeps unlit parts from pure black";
  // The soft edge: between the cones the floor is darker than inside, brighter than outside.
  // (-13, 0, 12) is 25 degrees off the axis.
  double edge = Brightness(picture, kStartMs, D3DXVECTOR3(-13, 0, 12), 6);
  EXPECT_LT(edge, inside * 0.9);
  EXPECT_GT(edge, outside * 1.2);
}

TEST_F(SceneRenderTest, BoxShadowFallsWhereTheLightProjectsTheBox) {
  LoadLitFloor();
  Picture shadowed = Render(kStartMs, "shadow");
  HideBox();
  Picture open = Render(kStartMs);
  const D3DXVECTOR3 centre = OnFloorFromLight(D3DXVECTOR3(0, 4, 0));
  const double with = Brightness(shadowed, kStartMs, centre, 3);
  const double without = Brightness(open, kStartMs, centre, 3);
  EXPECT_LE(with, 0.5 * without) << "at the box's shadow, projected from the light to (" << centre.x << ", 0, "
                                 << centre.z << ")";
  // Beside the shadow (6 units along -x, clear of the 6-long box's shadow and in the hotspot) the
  // box changes nothing.
  const D3DXVECTOR3 beside = centre + D3DXVECTOR3(-6, 0, 0);
  EXPECT_NEAR(Brightness(shadowed, kStartMs, beside, 3), Brightness(open, kStartMs, beside, 3), 3.0);
  EXPECT_GT(Brightness(shadowed, kStartMs, beside, 3), 2.0 * with) << "the lit floor beside the shadow";
}

TEST_F(SceneRenderTest, FloorShowsItsCheckerMap) {
  LoadLitFloor();
  HideBox();
  Picture picture = Render(kStartMs);
  // Across a lit patch the light (220) and dark (110) cells must both show.
  int x = 0, y = 0;
  Project(kStartMs, D3DXVECTOR3(4, 0, 4), &x, &y);
  double lo = 255, hi = 0;
  for (int dy = -20; dy <= 20; ++dy)
    for (int dx = -20; dx <= 20; ++dx) {
      const uint8_t* p = picture.at(x + dx, y + dy);
      lo = std::min(lo, static_cast<double>(p[1]));
      hi = std::max(hi, static_cast<double>(p[1]));
    }
  EXPECT_GT(hi, 1.6 * lo) << "light cells " << hi << ", dark cells " << lo;
}

TEST_F(SceneRenderTest, FlatLitFloorHasNoAcne) {
  ASSERT_TRUE(WriteSolid("maps/checker.png", 180, 180, 180));  // a plain floor shows every speck
  LoadLitFloor();
  HideBox();
  Picture picture = Render(kStartMs, "plain_floor");
  // Inside the hotspot the light changes smoothly; acne would be specks and stripes. Every pixel
  // stays within a few percent of the mean of its neighbourhood.
  int x = 0, y = 0;
  Project(kStartMs, D3DXVECTOR3(3, 0, 2), &x, &y);
  int specks = 0;
  for (int cy = y - 30; cy <= y + 30; cy += 6)
    for (int cx = x - 40; cx <= x + 40; cx += 6) {
      Rgba mean = testsupport::AverageColor(picture, cx - 3, cy - 3, cx + 4, cy + 4);
      for (int dy = -3; dy <= 3; ++dy)
        for (int dx = -3; dx <= 3; ++dx)
          if (std::fabs(picture.at(cx + dx, cy + dy)[1] - mean.g) > 0.04 * mean.g) ++specks;
    }
  EXPECT_EQ(specks, 0);
  EXPECT_GT(testsupport::AverageColor(picture, x - 40, y - 30, x + 40, y + 30).g, 120.0) << "the floor is lit";
}

TEST_F(SceneRenderTest, CameraMovesWithTimeAndTurnedBoxIsDrawnTurned) {
  LoadLitFloor();
  Picture start = Render(kStartMs, "start");
  Picture end = Render(kEndMs, "end");
  double difference = 0;
  for (size_t i = 0; i < start.rgba.size(); i += 4) difference += std::abs(start.rgba[i + 1] - end.rgba[i + 1]);
  EXPECT_GT(difference / (start.rgba.size() / 4), 10.0) << "mean difference per pixel between frames 0 and 100";

  // The box is 6 long in x and 2 wide: a point on its top near the +x end is box (red paint)
  // unturned, and floor once the box is turned a quarter round; a point near the +z end the reverse.
  const D3DXVECTOR3 alongX(2.5f, 5.0f, 0.0f), alongZ(0.0f, 5.0f, 2.5f);
  auto red = [&](const Picture& p, D3DXVECTOR3 w) {
    Rgba c = Around(p, kStartMs, w, 2);
    return c.r > 1.8 * c.g;
  };
  EXPECT_TRUE(red(start, alongX));
  EXPECT_FALSE(red(start, alongZ));
  box->yaw = 1.5707964f;
  Picture turned = Render(kStartMs, "turned");
  EXPECT_FALSE(red(turned, alongX));
  EXPECT_TRUE(red(turned, alongZ));
}

// A group that names no material and a material without a map draw with the map set before them:
// the floor's checker, drawn first, instead of the box's red paint.
TEST_F(SceneRenderTest, SubsetsWithoutAMapDrawWithTheLastMap) {
  LoadLitFloor();
  box->materials[0] = nullptr;
  Picture orphan = Render(kStartMs, "orphan");
  scene.FindMaterial("Checker")->texture = nullptr;  // the first subset drawn now has none either
  box->materials[0] = scene.FindMaterial("Checker");
  Picture unmapped = Render(kStartMs);
  for (const Picture* p : {&orphan, &unmapped}) {
    Rgba top = Around(*p, kStartMs, D3DXVECTOR3(2.5f, 5.0f, 0.0f), 2);
    EXPECT_LT(top.r, 1.3 * top.g) << "the box is no longer red: " << testsupport::Describe(top);
    EXPECT_GT(top.g, 60.0) << "but it is drawn, lit, with a map";
  }
}

// A light at the origin aimed along +z, seen by a camera whose view is the identity.
std::vector<uint8_t> IdentityViewScene() {
  write3ds::Writer3DS w;
  w.Begin(0x4D4D).Begin(0x3D3D);
  w.Begin(0x4000).Text("Spot").Begin(0x4600).Floats({0, 0, 0}).ByteColour(255, 255, 255);
  w.Begin(0x4610).Floats({0, 10, 0, 40, 60}).End().End().End();  // target (0, 0, 10) once exchanged
  w.End().Begin(0xB000);
  w.Begin(0xB003).Begin(0xB010).Text("Ident").U16s({0, 0, 0xFFFF}).End();
  w.Begin(0xB020).TrackHeader(0, 1).Key(0, 0, {0, 0, 0}).End().End();
  w.Begin(0xB004).Begin(0xB010).Text("Ident").U16s({0, 0, 0xFFFF}).End();
  w.Begin(0xB020).TrackHeader(0, 1).Key(0, 0, {0, 0, 10}).End().End();
  w.End().End();
  return w.Data();
}

TEST_F(SceneRenderTest, EffectParametersForTheIdentityView) {
  ASSERT_EQ(PrepareShadowMap(device, PhongFx().c_str()), S_OK);
  ASSERT_TRUE(LoadBytes(IdentityViewScene()));
  IDirect3DSurface9 *targetBefore = nullptr, *depthBefore = nullptr;
  device->device->GetRenderTarget(0, &targetBefore);
  device->device->GetDepthStencilSurface(&depthBefore);
  ASSERT_EQ(scene.RenderFromCamera(device, "Ident", 0, kScale), S_OK);
  IDirect3DSurface9 *targetAfter = nullptr, *depthAfter = nullptr;
  device->device->GetRenderTarget(0, &targetAfter);
  device->device->GetDepthStencilSurface(&depthAfter);
  EXPECT_EQ(targetAfter, targetBefore) << "render target 0 is the back buffer again";
  EXPECT_EQ(depthAfter, depthBefore) << "the depth surface is the device's own again";
  for (IDirect3DSurface9* s : {targetBefore, depthBefore, targetAfter, depthAfter}) s->Release();

  ID3DXEffect* fx = sceneEffect->effect;
  float v[3];
  fx->GetFloatArray("g_vViewSpaceLightPosition", v, 3);
  EXPECT_EQ(v[0], 0.0f);
  EXPECT_EQ(v[1], 0.0f);
  EXPECT_EQ(v[2], 0.0f);
  fx->GetFloatArray("g_vViewSpaceLightDirection", v, 3);
  EXPECT_EQ(v[0], 0.0f);
  EXPECT_EQ(v[1], 0.0f);
  EXPECT_EQ(v[2], 1.0f);
  struct {
    const char* name;
    float value;
  } floats[] = {{"g_fCosLightInnerAngle", 0.93969262f}, {"g_fCosLightOuterAngle", 0.86602540f},
                {"g_fCosLightAngleDelta", 0.07366722f},  {"g_fShadowMapSize", 1024.0f},
                {"g_fRecipShadowMapSize", 0.0009765625f}};
  for (const auto& f : floats) {
    float got = 0;
    fx->GetFloat(f.name, &got);
    EXPECT_NEAR(got, f.value, 2e-7f) << f.name;
  }
  // With the identity view and a light at the origin looking along +z, camera view space is the
  // light's view space: g_mViewToLightProj is the light's projection alone.
  D3DXMATRIX got, expected;
  fx->GetMatrix("g_mViewToLightProj", &got);
  LightProjection(&expected, *scene.lights[0]);
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(got.m[r][c], expected.m[r][c], 1e-6f) << r << c;
}

TEST(SceneCone, CosinesAndTheLightsFieldOfView) {
  ConeCosines cone = ComputeConeCosines(40.0f, 60.0f);
  EXPECT_NEAR(cone.inner, 0.9397f, 1e-4f);
  EXPECT_NEAR(cone.outer, 0.8660f, 1e-4f);
  EXPECT_NEAR(cone.delta, 0.0737f, 1e-4f);
  // The shadow map's view holds the whole outer cone (a circle inscribed in its square) with room
  // for the filter at the rim, and stays finite for any falloff.
  for (float falloff : {1.0f, 30.0f, 60.0f, 120.0f, 160.0f}) {
    float fov = LightFieldOfView(falloff);
    EXPECT_GT(fov, falloff * 3.1415927f / 180.0f) << falloff;
    EXPECT_LT(fov, 3.1415927f) << falloff;
  }
  for (float odd : {0.0f, -10.0f, 400.0f, std::nanf("")}) {
    float fov = LightFieldOfView(odd);
    EXPECT_TRUE(fov > 0.0f && fov < 3.1415927f) << odd;
  }
}

// Each missing piece makes the render fail without drawing: the back buffer keeps its colour.
TEST_F(SceneRenderTest, MissingPiecesFailAndDrawNothing) {
  struct Case {
    const char* what;
    const char* failing;  // platform call made to fail during PrepareShadowMap
    const char* effect;
    bool light;
    const char* camera;
    const char* message;  // the message box PrepareShadowMap shows, or null
  } cases[] = {
      {"no light", "", "", false, "Camera1", nullptr},
      {"no effect", "", "/nonexistent/Phong.fx", true, "Camera1", nullptr},
      {"no shadow map", "IDirect3DDevice9::CreateTexture", "", true, "Camera1", "bollocks"},
      {"no depth surface", "IDirect3DDevice9::CreateDepthStencilSurface", "", true, "Camera1", "shit"},
      {"no such camera", "", "", true, "camera1", nullptr},
      {"no Scene technique", "", "/tests/data/fx/solid.fx", true, "Camera1", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    scene.Clear();
    ReleaseShadowMap();
    platform_testing::Reset();
    platform_testing::CaptureMessageBoxes(true);
    if (c.failing[0]) platform_testing::FailCall(c.failing);
    std::string effect = c.effect[0] ? std::string(QOLA_SOURCE_DIR) + c.effect : PhongFx();
    if (std::string(c.effect).rfind("/nonexistent", 0) == 0) effect = c.effect;
    HRESULT prepared = PrepareShadowMap(device, effect.c_str());
    platform_testing::ClearFailures();
    EXPECT_EQ(prepared, effect == c.effect ? E_FAIL : S_OK);
    if (c.message) {
      ASSERT_EQ(platform_testing::MessageBoxes().size(), 1u);
      EXPECT_EQ(platform_testing::MessageBoxes()[0].text, c.message);
      EXPECT_TRUE(platform_testing::MessageBoxes()[0].captionIsNull);
    }
    std::vector<uint8_t> bytes = write3ds::LitFloorScene();
    if (!c.light) {
      scene.Clear();
      ASSERT_TRUE(LoadBytes(bytes));
      scene.lights[0]->name.clear();
      delete scene.lights[0];
      scene.lights.Clear();
    } else {
      ASSERT_TRUE(LoadBytes(bytes));
    }
    IDirect3DDevice9* d3d = device->device;
    d3d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF205080, 1.0f, 0);
    EXPECT_EQ(scene.RenderFromCamera(device, c.camera, kStartMs, kScale), E_FAIL);
    Picture picture;
    ASSERT_TRUE(testsupport::ReadBackBuffer(d3d, &picture));
    EXPECT_TRUE(testsupport::Near(testsupport::AverageColor(picture, 0, 0, kRenderWidth, kRenderHeight), 0xFF205080, 0.5))
        << testsupport::Describe(testsupport::AverageColor(picture, 0, 0, kRenderWidth, kRenderHeight));
    EXPECT_EQ(d3d->BeginScene(), D3D_OK) << "no scene was left open";
    d3d->EndScene();
  }
}

TEST_F(SceneRenderTest, SceneResourcesHoldTheDeviceUntilReleased) {
  IDirect3DDevice9* d3d = device->device;
  d3d->AddRef();
  const ULONG before = d3d->Release();
  LoadLitFloor();
  d3d->AddRef();
  EXPECT_GT(d3d->Release(), before) << "meshes and the shadow map refer to the device";
  scene.Clear();
  ReleaseShadowMap();
  d3d->AddRef();
  // What remains above `before` are the Device's own registered textures and effect.
  const ULONG after = d3d->Release();
  Device::Instance()->Shutdown();
  EXPECT_EQ(sceneEffect, nullptr);
  EXPECT_LE(after, before + 4);
}

}  // namespace
