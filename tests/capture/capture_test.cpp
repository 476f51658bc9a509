// capture_test.cpp -- captures of a small demo: exact timing against the music, a playable MP4,
// identical bytes run to run and pipelined or serial, Ctrl+C (threads ended), and every
// failure's message and exit code
//
// The run folder holds a go.xml whose layer 0 is active at chosen sixteenth notes and a WAV that
// clicks where each of those events starts and ends. The frame handler is the test's own: white
// while layer 0 has an event, black otherwise, so the timing path is tested apart from the effects.
#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <windows.h>

#include <d3d9.h>
#include <mmsystem.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/services/unattended.h"
#include "platform/testing/testing.h"
#include "src/device/device.h"
#include "src/timeline/frame_handler.h"
#include "src/timeline/timeline.h"
#include "tests/capture/media_probe.h"
#include "tools/capture/capture_run.h"
#include "tools/capture/png_frames.h"
#include "tools/pictures/image.h"

namespace {

// The test run directories hold a script and its music but no media: every effect's loader
// reports what it misses, as the demo does, and those reports must never wait for a click.
class NoMessageBoxDialogs : public ::testing::Environment {
 public:
  void SetUp() override { platform_unattended::Set(true); }
};
::testing::Environment* const kNoDialogs = ::testing::AddGlobalTestEnvironment(new NoMessageBoxDialogs);

// 120 bpm: a sixteenth note is 125 ms. Layer 0 is active over [4, 7), [10, 12) and [15, 16).
constexpr const char* kScript =
    "<demo music_filename=\"music.wav\" bpm=\"120\" window_title=\"capture test\">\n"
    "  <timeline num_layers=\"1\">\n"
    "    <layer>\n"
    "      <event start=\"4\" duration=\"3\" param0=\"0\" param1=\"0\" param2=\"0\"/>\n"
    "      <event start=\"10\" duration=\"2\" param0=\"0\" param1=\"0\" param2=\"0\"/>\n"
    "      <event start=\"15\" duration=\"1\" param0=\"0\" param1=\"0\" param2=\"0\"/>\n"
    "    </layer>\n"
    "  </timeline>\n"
    "</demo>\n";
const std::vector<int> kSwitchMs = {500, 875, 1250, 1500, 1875, 2000};
constexpr double kMusicSeconds = 3.0;

// White while layer 0 has an active event.
class FlashHandler : public FrameHandler {
 public:
  explicit FlashHandler(uint32_t interruptAtMs = 0) : interruptAtMs_(interruptAtMs) {}
  bool Run(Timeline* timeline) override {
    IDirect3DDevice9* device = Device::Instance()->device;
    if (timeline->GetLayerState(0).event) device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0);
    // Ctrl+C pressed while this frame renders.
    if (interruptAtMs_ && timeGetTime() >= interruptAtMs_ && !raised_) {
      raised_ = true;
      raise(SIGINT);
    }
    return true;
  }

 private:
  uint32_t interruptAtMs_;
  bool raised_ = false;
};

// A multisampled triangle that turns with timeGetTime, over a colour that follows the layer's
// elapsed time: frames that differ from each other, with edges the resolve must treat alike.
// Drawn draws times over itself, it makes a frame that is slow to draw.
class PatternHandler : public FrameHandler {
 public:
  explicit PatternHandler(int draws = 1) : draws_(draws) {}
  ~PatternHandler() override {
    if (buffer_) buffer_->Release();
  }
  bool Run(Timeline* timeline) override {
    IDirect3DDevice9* device = Device::Instance()->device;
    if (!buffer_ && FAILED(device->CreateVertexBuffer(sizeof(Vertex) * 3, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY,
                                                      kFvf, D3DPOOL_DEFAULT, &buffer_, nullptr))) {
      return false;
    }
    LayerState state = timeline->GetLayerState(0);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(0, state.elapsedMs % 256, 64), 1.0f, 0);
    float angle = static_cast<float>(timeGetTime() % 100000) * 0.004f;
    Vertex* v = nullptr;
    if (FAILED(buffer_->Lock(0, 0, reinterpret_cast<void**>(&v), D3DLOCK_DISCARD))) return false;
    for (int i = 0; i < 3; ++i) {
      float a = angle + static_cast<float>(i) * 2.0944f;
      v[i] = {512.0f + 300.0f * std::cos(a), 384.0f + 300.0f * std::sin(a), 0.5f, 1.0f,
              i == 0 ? 0xFFFF4020u : (i == 1 ? 0xFF20FF40u : 0xFF4020FFu)};
    }
    buffer_->Unlock();
    device->BeginScene();
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetFVF(kFvf);
    device->SetStreamSource(0, buffer_, 0, sizeof(Vertex));
    for (int i = 0; i < draws_; ++i) device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1);
    device->EndScene();
    return true;
  }

 private:
  int draws_;
  struct Vertex {
    float x, y, z, rhw;
    D3DCOLOR color;
  };
  static constexpr DWORD kFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE;
  IDirect3DVertexBuffer9* buffer_ = nullptr;
};

// A run folder with the script and the click track, entered for the capture.
class RunFolder {
 public:
  RunFolder() {
    probe::WriteText(dir.File("go.xml"), kScript);
    probe::WriteClickTrack(dir.File("music.wav"), 44100, kMusicSeconds, kSwitchMs);
  }
  probe::RunDirectory dir;
};

int Capture(RunFolder& folder, capture::CaptureOptions options, FrameHandler* handler) {
  folder.dir.Enter();
  int code = capture::RunCapture(options, handler);
  folder.dir.Leave();
  return code;
}

capture::CaptureOptions Mp4Options(const std::string& path) {
  capture::CaptureOptions o;
  o.fps = 30;
  o.fromMs = 300;  // not on a frame of the music's own start: the music is cut at the same time
  o.toMs = 2300;
  o.hasTo = true;
  o.width = 96;
  o.height = 72;
  o.videoPath = path;
  return o;
}

// One capture of the test demo to MP4, decoded again, shared by the tests that look at it.
class CapturedMp4 : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new RunFolder;
    exitCode_ = Capture(*folder_, Mp4Options(folder_->dir.File("out.mp4")), new FlashHandler);
    decoded_ = new probe::DecodedFile(probe::Decode(folder_->dir.File("out.mp4")));
  }
  static void TearDownTestSuite() {
    delete decoded_;
    delete folder_;
  }
  static RunFolder* folder_;
  static int exitCode_;
  static probe::DecodedFile* decoded_;
};
RunFolder* CapturedMp4::folder_ = nullptr;
int CapturedMp4::exitCode_ = -1;
probe::DecodedFile* CapturedMp4::decoded_ = nullptr;

TEST_F(CapturedMp4, EachPictureSwitchFallsWithinOneFrameOfItsClick) {
  ASSERT_EQ(capture::kExitDone, exitCode_);
  ASSERT_TRUE(decoded_->ok) << decoded_->error;
  std::vector<double> switches = probe::PictureSwitchTimes(decoded_->video);
  std::vector<double> clicks = probe::ClickTimes(decoded_->audio, 0.3f, 0.05);
  ASSERT_EQ(kSwitchMs.size(), clicks.size());
  ASSERT_EQ(kSwitchMs.size(), switches.size());
  for (size_t i = 0; i < clicks.size(); ++i) {
    double expected = (kSwitchMs[i] - 300) / 1000.0;  // the capture starts at 300 ms
    EXPECT_NEAR(expected, clicks[i], 0.002) << "click " << i;
    EXPECT_NEAR(clicks[i], switches[i], 1.0 / 30 + 0.001) << "switch " << i;
    EXPECT_GE(switches[i], expected - 0.001) << "a switch never shows before its time";
  }
}

TEST_F(CapturedMp4, PlaysWithH264AndAacOfTheRightSizeAndLength) {
  ASSERT_TRUE(decoded_->ok) << decoded_->error;
  const probe::DecodedVideo& video = decoded_->video;
  const probe::DecodedAudio& audio = decoded_->audio;
  EXPECT_EQ("h264", video.codec);
  EXPECT_EQ(96, video.width);
  EXPECT_EQ(72, video.height);
  EXPECT_EQ(60u, video.times.size());  // 2 s at 30 fps
  for (size_t i = 1; i < video.times.size(); ++i) EXPECT_NEAR(video.times[i] - video.times[i - 1], 1.0 / 30, 1e-6);
  EXPECT_EQ("aac", audio.codec);
  EXPECT_EQ(44100, audio.rate);
  EXPECT_EQ(2, audio.channels);
  double videoSeconds = static_cast<double>(video.times.size()) / 30;
  double audioSeconds = static_cast<double>(audio.left.size()) / audio.rate;
  EXPECT_NEAR(videoSeconds, audioSeconds, 1.0 / 30) << "audio " << audioSeconds << " s, video " << videoSeconds << " s";
  EXPECT_NEAR(0.0, audio.startSeconds, 1e-3);
}

// The other formats by their extension, decoded again: their codecs, the size, one frame per
// 1/30 s, the sound as long as the picture within one frame, each switch within a frame of its
// click; two captures of the same range give the same bytes.
TEST(Capture, WebmAndMatroskaCarryTheirCodecsAndKeepTheSync) {
  struct Case {
    const char* file;
    const char* video;
    const char* audio;
    int rate;
  } cases[] = {{"out.webm", "vp9", "opus", 48000}, {"out.mkv", "h264", "flac", 44100}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    RunFolder folder;
    ASSERT_EQ(capture::kExitDone, Capture(folder, Mp4Options(folder.dir.File(c.file)), new FlashHandler));
    probe::DecodedFile decoded = probe::Decode(folder.dir.File(c.file));
    ASSERT_TRUE(decoded.ok) << decoded.error;
    EXPECT_EQ(c.video, decoded.video.codec);
    EXPECT_EQ(96, decoded.video.width);
    EXPECT_EQ(72, decoded.video.height);
    EXPECT_EQ(60u, decoded.video.times.size());
    EXPECT_EQ(c.audio, decoded.audio.codec);
    EXPECT_EQ(c.rate, decoded.audio.rate);
    EXPECT_EQ(2, decoded.audio.channels);
    const double videoSeconds = static_cast<double>(decoded.video.times.size()) / 30;
    const double audioSeconds = static_cast<double>(decoded.audio.left.size()) / decoded.audio.rate;
    EXPECT_NEAR(videoSeconds, audioSeconds, 1.0 / 30) << "audio " << audioSeconds << " s, video " << videoSeconds;
    std::vector<double> switches = probe::PictureSwitchTimes(decoded.video);
    std::vector<double> clicks = probe::ClickTimes(decoded.audio, 0.3f, 0.05);
    ASSERT_EQ(kSwitchMs.size(), switches.size());
    ASSERT_EQ(kSwitchMs.size(), clicks.size());
    for (size_t i = 0; i < clicks.size(); ++i) EXPECT_NEAR(clicks[i], switches[i], 1.0 / 30 + 0.01) << "switch " << i;
    const std::string first = probe::ReadBytes(folder.dir.File(c.file));
    ASSERT_EQ(capture::kExitDone, Capture(folder, Mp4Options(folder.dir.File(std::string("again_") + c.file)), new FlashHandler));
    EXPECT_TRUE(first == probe::ReadBytes(folder.dir.File(std::string("again_") + c.file))) << "two captures differ";
  }
}

// A GIF: no sound, one frame per 1/30 s (delays of 3 or 4 hundredths), looping, its picture
// switches where the demo's are, and the same bytes from a second capture.
TEST(Capture, GifLoopsWithoutSoundAndKeepsThePictureSwitches) {
  RunFolder folder;
  ASSERT_EQ(capture::kExitDone, Capture(folder, Mp4Options(folder.dir.File("out.gif")), new FlashHandler));
  probe::DecodedFile decoded = probe::Decode(folder.dir.File("out.gif"));
  ASSERT_TRUE(decoded.ok) << decoded.error;
  EXPECT_EQ("gif", decoded.video.codec);
  EXPECT_EQ(96, decoded.video.width);
  EXPECT_EQ(72, decoded.video.height);
  EXPECT_EQ("", decoded.audio.codec) << "a GIF has no sound";
  EXPECT_EQ(60u, decoded.video.times.size());
  ASSERT_FALSE(decoded.video.times.empty());
  EXPECT_NEAR(2.0 - 1.0 / 30, decoded.video.times.back() - decoded.video.times.front(), 0.02);
  std::vector<double> switches = probe::PictureSwitchTimes(decoded.video);
  ASSERT_EQ(kSwitchMs.size(), switches.size());
  for (size_t i = 0; i < switches.size(); ++i)
    EXPECT_NEAR((kSwitchMs[i] - 300) / 1000.0, switches[i], 1.0 / 30 + 0.011) << "switch " << i;
  const std::string bytes = probe::ReadBytes(folder.dir.File("out.gif"));
  EXPECT_NE(std::string::npos, bytes.find("NETSCAPE2.0")) << "the loop extension";
  ASSERT_EQ(capture::kExitDone, Capture(folder, Mp4Options(folder.dir.File("again.gif")), new FlashHandler));
  EXPECT_TRUE(bytes == probe::ReadBytes(folder.dir.File("again.gif"))) << "two captures differ";
}

// The threads of this process: the same before and after a capture once every thread it
// started has ended.
size_t ThreadCount() {
  size_t n = 0;
  if (DIR* tasks = opendir("/proc/self/task")) {
    while (dirent* entry = readdir(tasks)) n += entry->d_name[0] != '.';
    closedir(tasks);
  }
  return n;
}

// Ctrl+C during the frame at 1000 ms (frame 21: 300 + 21 x 33.3 = 1000): that frame still
// counts, in the pipelined capture (whose frames are still being converted and encoded) as
// in the serial one, and no thread outlives the capture.
TEST(Capture, CtrlCLeavesAPlayableFileWithTheFramesRenderedAndEndsTheThreads) {
  RunFolder folder;
  // A first capture makes the threads the driver keeps for the process.
  ASSERT_EQ(capture::kExitDone, Capture(folder, Mp4Options(folder.dir.File("first.mp4")), new FlashHandler));
  const size_t threads = ThreadCount();
  for (bool serial : {false, true}) {
    SCOPED_TRACE(serial ? "serial" : "pipelined");
    capture::CaptureOptions options = Mp4Options(folder.dir.File(serial ? "serial.mp4" : "pipelined.mp4"));
    options.serial = serial;
    EXPECT_EQ(capture::kExitInterrupted, Capture(folder, options, new FlashHandler(1000)));
    EXPECT_EQ(threads, ThreadCount()) << "threads left behind";
    probe::DecodedFile decoded = probe::Decode(options.videoPath);
    ASSERT_TRUE(decoded.ok) << decoded.error;
    EXPECT_EQ(22u, decoded.video.times.size());
    double videoSeconds = 22.0 / 30;
    double audioSeconds = static_cast<double>(decoded.audio.left.size()) / 44100;
    EXPECT_NEAR(videoSeconds, audioSeconds, 1.0 / 30);
  }
  // PNG frames, written by several threads: every frame up to the stopped one is a whole file.
  capture::CaptureOptions options = Mp4Options("");
  options.videoPath.clear();
  options.framesDir = folder.dir.File("frames");
  EXPECT_EQ(capture::kExitInterrupted, Capture(folder, options, new FlashHandler(1000)));
  EXPECT_EQ(threads, ThreadCount()) << "threads left behind";
  for (uint32_t i = 0; i < 22; ++i) {
    pictures::Image image;
    std::string problem;
    EXPECT_TRUE(pictures::LoadPng(options.framesDir + "/" + capture::PngSequence::FrameName(i), &image, &problem))
        << problem;
  }
  EXPECT_TRUE(probe::ReadBytes(options.framesDir + "/" + capture::PngSequence::FrameName(22)).empty());
  // The handler the test set for SIGINT is back: a later Ctrl+C is the program's business again.
  struct sigaction now;
  sigaction(SIGINT, nullptr, &now);
  EXPECT_EQ(SIG_DFL, now.sa_handler);
}

std::vector<std::string> FrameFiles(const std::string& dir, uint32_t count) {
  std::vector<std::string> bytes;
  for (uint32_t i = 0; i < count; ++i) bytes.push_back(probe::ReadBytes(dir + "/" + capture::PngSequence::FrameName(i)));
  return bytes;
}

// Two pipelined captures and a serial one of the same range: the same PNG frames and the same
// MP4, byte for byte, whichever threads converted and encoded them.
TEST(Capture, PipelinedAndSerialCapturesOfTheSameRangeGiveTheSameBytes) {
  RunFolder folder;
  capture::CaptureOptions options;
  options.fps = 30;
  options.fromMs = 450;
  options.toMs = 700;
  options.hasTo = true;
  options.width = 160;
  options.height = 120;
  const char* runs[] = {"pipelined", "again", "serial"};
  for (const char* name : runs) {
    options.framesDir = folder.dir.File(name);
    options.serial = std::strcmp(name, "serial") == 0;
    ASSERT_EQ(capture::kExitDone, Capture(folder, options, new PatternHandler)) << name;
  }
  std::vector<std::string> a = FrameFiles(folder.dir.File("pipelined"), 8);
  for (const char* name : {"again", "serial"}) {
    std::vector<std::string> b = FrameFiles(folder.dir.File(name), 8);
    for (size_t i = 0; i < a.size(); ++i) {
      ASSERT_FALSE(a[i].empty()) << "frame " << i;
      EXPECT_TRUE(a[i] == b[i]) << "frame " << i << " differs in the " << name << " capture";
    }
  }
  for (size_t i = 1; i < a.size(); ++i)
    EXPECT_FALSE(a[i] == a[i - 1]) << "frame " << i << " equals the one before: the clock did not move";
  EXPECT_TRUE(probe::ReadBytes(folder.dir.File("pipelined/frame00008.png")).empty()) << "8 frames in 250 ms at 30 fps";

  // Long enough for every x264 frame thread and the lookahead to take part.
  options.framesDir.clear();
  options.fromMs = 0;
  options.toMs = 2500;
  std::string first;
  for (const char* name : runs) {
    options.videoPath = folder.dir.File(std::string(name) + ".mp4");
    options.serial = std::strcmp(name, "serial") == 0;
    ASSERT_EQ(capture::kExitDone, Capture(folder, options, new PatternHandler)) << name;
    const std::string bytes = probe::ReadBytes(options.videoPath);
    ASSERT_FALSE(bytes.empty()) << name;
    if (first.empty()) first = bytes;
    EXPECT_TRUE(first == bytes) << "the " << name << " MP4 differs from the first";
  }
}

// The progress line's last words on standard error, from a capture of frames slow to draw and
// quick to read: the GPU's drawing counts as the render, in the pipelined loop too, where the
// wait for it happens inside the readback's calls.
TEST(Capture, TheShareOfTimeInTheRenderHoldsTheGpusDrawInEitherLoop) {
  RunFolder folder;
  capture::CaptureOptions options;
  options.fps = 30;
  options.fromMs = 0;
  options.toMs = 400;
  options.hasTo = true;
  options.nullOutput = true;
  for (bool serial : {false, true}) {
    options.serial = serial;
    const std::string log = folder.dir.File(serial ? "serial.log" : "pipelined.log");
    std::fflush(stderr);
    const int saved = dup(2);
    FILE* file = std::fopen(log.c_str(), "w");
    ASSERT_TRUE(file && saved >= 0);
    dup2(fileno(file), 2);
    const int code = Capture(folder, options, new PatternHandler(60));
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    std::fclose(file);
    ASSERT_EQ(capture::kExitDone, code);
    const std::string text = probe::ReadBytes(log);
    int render = -1, readback = -1;
    const size_t at = text.rfind("render ");
    ASSERT_NE(std::string::npos, at) << text;
    ASSERT_EQ(2, std::sscanf(text.c_str() + at, "render %d %%, readback %d %%", &render, &readback)) << text;
    EXPECT_GT(render, 2 * readback) << (serial ? "serial: " : "pipelined: ") << text.substr(at);
  }
}

// The PNG's colour channels, row by row.
bool ReadPng(const std::string& path, int* width, int* height, std::vector<uint8_t>* rgb) {
  pictures::Image image;
  std::string problem;
  if (!pictures::LoadPng(path, &image, &problem)) return false;
  rgb->clear();
  for (size_t i = 0; i < image.rgba.size(); ++i)
    if (i % 4 != 3) rgb->push_back(image.rgba[i]);
  *width = image.width;
  *height = image.height;
  return true;
}

double Mean(const std::vector<uint8_t>& rgb) {
  double sum = 0;
  for (uint8_t v : rgb) sum += v;
  return rgb.empty() ? -1 : sum / static_cast<double>(rgb.size());
}

TEST(FrameShot, RendersTheFrameAtItsTimeAsCaptureDoes) {
  RunFolder folder;
  struct Case {
    uint32_t atMs;
    double mean;  // white inside an event, black outside
  } cases[] = {{499, 0.0}, {500, 255.0}, {874, 255.0}, {875, 0.0}, {1300, 255.0}};
  for (const Case& c : cases) {
    capture::FrameOptions options;
    options.atMs = c.atMs;
    options.width = 64;
    options.height = 48;
    options.pngPath = folder.dir.File("shot.png");
    folder.dir.Enter();
    int code = capture::RunFrameShot(options, new FlashHandler);
    folder.dir.Leave();
    ASSERT_EQ(capture::kExitDone, code) << c.atMs;
    int w = 0, h = 0;
    std::vector<uint8_t> rgb;
    ASSERT_TRUE(ReadPng(options.pngPath, &w, &h, &rgb)) << c.atMs;
    EXPECT_EQ(64, w);
    EXPECT_EQ(48, h);
    EXPECT_NEAR(c.mean, Mean(rgb), 0.5) << "at " << c.atMs << " ms";
  }
  // The capture's frame at the same time is the same picture, byte for byte.
  capture::CaptureOptions options;
  options.fromMs = 1300;
  options.toMs = 1301;
  options.hasTo = true;
  options.width = 64;
  options.height = 48;
  options.framesDir = folder.dir.File("frames");
  ASSERT_EQ(capture::kExitDone, Capture(folder, options, new FlashHandler));
  EXPECT_TRUE(probe::ReadBytes(folder.dir.File("shot.png")) == probe::ReadBytes(folder.dir.File("frames/frame00000.png")));
}

TEST(Capture, EachFailureSaysWhatAndExitsWithItsCode) {
  platform_testing::CaptureMessageBoxes(true);  // the demo's "Eek!" box for the refused script
  struct Case {
    const char* name;
    const char* script;  // null: no go.xml at all
    bool music;
    std::string (*output)(const probe::RunDirectory&);
    uint32_t fromMs;
    bool hasTo;
    int exitCode;
    const char* message;
  } cases[] = {
      {"no script", nullptr, true, [](const probe::RunDirectory& d) { return d.File("o.mp4"); }, 0, true,
       capture::kExitFailed, "no \"go.xml\" here"},
      {"refused script", "<demo music_filename=\"music.wav\" bpm=\"120\"/>", true,
       [](const probe::RunDirectory& d) { return d.File("o.mp4"); }, 0, true, capture::kExitFailed, "go.xml"},
      {"no music", kScript, false, [](const probe::RunDirectory& d) { return d.File("o.mp4"); }, 0, true,
       capture::kExitFailed, "\"music.wav\" named in go.xml cannot be read"},
      {"unwritable video", kScript, true, [](const probe::RunDirectory& d) { return d.File("none/o.mp4"); }, 0, true,
       capture::kExitFailed, "none/o.mp4: cannot be written"},
      {"frames over a file", kScript, true, [](const probe::RunDirectory& d) { return "frames:" + d.File("go.xml"); }, 0,
       true, capture::kExitFailed, "go.xml: is not a folder"},
      {"start after the music", kScript, true, [](const probe::RunDirectory& d) { return d.File("o.mp4"); }, 3000,
       false, capture::kExitBadArguments, "--from 3000 is not before the music's end at 3000 ms"},
  };
  for (const Case& c : cases) {
    probe::RunDirectory dir;
    if (c.script) probe::WriteText(dir.File("go.xml"), c.script);
    if (c.music) probe::WriteClickTrack(dir.File("music.wav"), 44100, kMusicSeconds, {});
    capture::CaptureOptions options;
    options.fromMs = c.fromMs;
    options.hasTo = c.hasTo;
    options.toMs = 100;
    options.width = 64;
    options.height = 48;
    std::string output = c.output(dir);
    if (output.compare(0, 7, "frames:") == 0) {
      options.framesDir = output.substr(7);
    } else {
      options.videoPath = output;
    }
    dir.Enter();
    testing::internal::CaptureStderr();
    int code = capture::RunCapture(options, new FlashHandler);
    std::string err = testing::internal::GetCapturedStderr();
    dir.Leave();
    EXPECT_EQ(c.exitCode, code) << c.name << ": " << err;
    EXPECT_NE(std::string::npos, err.find(c.message)) << c.name << ": " << err;
    EXPECT_NE(std::string::npos, err.find("qolatool capture: ")) << c.name << ": " << err;
  }
  platform_testing::Reset();
}

}  // namespace
