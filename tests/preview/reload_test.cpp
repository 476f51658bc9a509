// reload_test.cpp -- fifty reloads of every kind on the demo's own device: each one works, a
// broken file keeps the old version, and nothing is left behind (the Device's registry and the
// GL objects as many as before; the sanitizers' runs find no leak)
#include <gtest/gtest.h>
#include <epoxy/gl.h>

#include <filesystem>
#include <cstring>
#include <fstream>
#include <string>

#include "platform/services/unattended.h"
#include "platform/services/virtual_clock.h"
#include "src/device/device.h"
#include "src/program/demo_program.h"
#include "src/script/demo_script_instance.h"
#include "tests/support/scratch_dir.h"
#include "tools/preview/reloader.h"

namespace {

// Live GL objects of each kind, counted by asking every name up to a bound the layer's few
// hundred objects stay far below.
struct GlObjects {
  int textures = 0, buffers = 0, programs = 0, framebuffers = 0, renderbuffers = 0;
  static GlObjects Count() {
    GlObjects n;
    for (GLuint name = 1; name < 4096; ++name) {
      n.textures += glIsTexture(name) ? 1 : 0;
      n.buffers += glIsBuffer(name) ? 1 : 0;
      n.programs += glIsProgram(name) ? 1 : 0;
      n.framebuffers += glIsFramebuffer(name) ? 1 : 0;
      n.renderbuffers += glIsRenderbuffer(name) ? 1 : 0;
    }
    return n;
  }
  bool operator==(const GlObjects& o) const {
    return textures == o.textures && buffers == o.buffers && programs == o.programs &&
           framebuffers == o.framebuffers && renderbuffers == o.renderbuffers;
  }
};

void Replace(const std::string& path, const std::string& from, const std::string& to) {
  std::ifstream in(path, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  size_t at = text.find(from);
  ASSERT_NE(at, std::string::npos) << path << ": " << from;
  text.replace(at, from.size(), to);
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

TEST(PreviewReload, FiftyOfEachKindLeaveNothingBehind) {
  testsupport::ScratchDir run("qola_reload");
  std::filesystem::copy(std::string(QOLA_SOURCE_DIR) + "/demo", run.path(), std::filesystem::copy_options::recursive);
  ASSERT_TRUE(run.Enter());
  platform_unattended::Set(true);
  platform_clock::UseVirtualClock(42000);
  Device* device = Device::Instance();
  ASSERT_TRUE(device && device->CreateOffscreen(1024, 768));
  ASSERT_TRUE(StartDemo(device));
  RunDemoFrame(device);
  preview::Reloader reloader(device);
  const uint32_t registry = device->resources.count;

  using What = preview::Reloader::What;
  const struct {
    const char* path;
    What what;
  } files[] = {{"go.xml", What::kScript},           {"media/Phong.fx", What::kEffect},
               {"media/pig1.png", What::kTexture},   {"media/maps/crate.png", What::kTexture},
               {"media/scene1texkey.3ds", What::kScene}, {"media/sphere6divs.x", What::kMesh},
               {"media/music.ogg", What::kMusic}};
  for (const auto& f : files) {
    ASSERT_EQ(reloader.Classify(f.path), f.what) << f.path;
    // The first reload of a kind may meet a GL object the layer makes once, on first use (the
    // blit framebuffers bound when a surface first goes): counted from the second on.
    std::string first;
    ASSERT_TRUE(reloader.Reload(f.path, f.what, &first)) << f.path << ": " << first;
    RunDemoFrame(device);
    const GlObjects start = GlObjects::Count();
    for (int i = 1; i < 50; ++i) {
      std::string problem;
      ASSERT_TRUE(reloader.Reload(f.path, f.what, &problem)) << f.path << ": " << problem;
      RunDemoFrame(device);
    }
    const GlObjects end = GlObjects::Count();
    EXPECT_TRUE(end == start) << f.path << ": textures " << start.textures << " -> " << end.textures << ", buffers "
                              << start.buffers << " -> " << end.buffers << ", programs " << start.programs << " -> "
                              << end.programs << ", framebuffers " << start.framebuffers << " -> " << end.framebuffers
                              << ", renderbuffers " << start.renderbuffers << " -> " << end.renderbuffers;
  }
  EXPECT_EQ(reloader.Classify("media/notes.txt"), What::kNothing);

  // Broken versions: refused with the file named, the old version kept and drawn.
  Replace("media/Phong.fx", "const float kAmbient = 0.12;", "const float kAmbient = 0.12 +;");
  Replace("go.xml", "<timeline num_layers=\"2\">", "<timeline num_layers=\"2\"");
  std::filesystem::resize_file("media/maps/crate.png", 1000);
  std::filesystem::resize_file("media/scene1texkey.3ds", 200);
  std::filesystem::resize_file("media/sphere6divs.x", 100);
  const struct {
    const char* path;
    What what;
    const char* says;
  } broken[] = {{"media/Phong.fx", What::kEffect, "media/Phong.fx(81): "},
                {"go.xml", What::kScript, "go.xml line 25: "},
                {"media/maps/crate.png", What::kTexture, "media/maps/crate.png: the picture cannot be loaded"},
                {"media/scene1texkey.3ds", What::kScene, "media/scene1texkey.3ds: "},
                {"media/sphere6divs.x", What::kMesh, "media/sphere6divs.x: the mesh cannot be loaded"}};
  for (const auto& b : broken) {
    for (int i = 0; i < 5; ++i) {
      std::string problem;
      EXPECT_FALSE(reloader.Reload(b.path, b.what, &problem)) << b.path;
      EXPECT_EQ(problem.compare(0, std::strlen(b.says), b.says), 0) << problem;
      reloader.Record(b.path, false, problem);
      RunDemoFrame(device);
    }
  }
  EXPECT_NE(reloader.Failure().find("media/sphere6divs.x"), std::string::npos) << "the latest failure shows";
  reloader.Record("media/sphere6divs.x", true, "");
  EXPECT_NE(reloader.Failure().find("media/scene1texkey.3ds"), std::string::npos) << "then the one before";
  EXPECT_GT(demoScript.timeline->layers[0].count, 30u) << "the refused script left the timeline as it was";

  EXPECT_EQ(device->resources.count, registry) << "the Device's registry as before";
  StopDemo();
  platform_clock::UseRealClock();
}

}  // namespace
