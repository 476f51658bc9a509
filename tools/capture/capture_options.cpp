// capture_options.cpp -- argument parsing and help of `qolatool capture` and `qolatool frame`
#include "tools/capture/capture_options.h"

#include <cstring>

#include "tools/arguments/numbers.h"
#include "tools/capture/gif_writer.h"
#include "tools/capture/video_writer.h"

namespace capture {

const char kCaptureHelp[] =
    "usage: qolatool capture [--fps N] [--from MS] [--to MS] [--size WxH] [--quality CRF] [--serial]\n"
    "                        (-o OUT.mp4|.webm|.mkv|.gif | --frames DIR | --null)\n"
    "\n"
    "Renders the demo offline, frame-exact, to a video with its music or to PNG frames. Run it in\n"
    "the demo's run directory (the one holding \"go.xml\" and media/): it starts the demo as qola\n"
    "does, on an offscreen device with no window, and renders frame n at music time\n"
    "FROM + n x 1000 / FPS milliseconds, however long each frame takes. While it captures, the\n"
    "music's play position and the system clock both answer the frame's time, no sound device is\n"
    "opened and nothing waits for the display, so the pictures are exactly the live demo's at\n"
    "those times and two captures of the same range are identical.\n"
    "\n"
    "  --fps N        frames per second, 1 to 240 (default 60)\n"
    "  --from MS      music time of the first frame in milliseconds (default 0)\n"
    "  --to MS        music time where the capture ends, exclusive (default: the music's length)\n"
    "  --size WxH     output size (default 1024x768, the demo's own); the demo still renders at\n"
    "                 1024 x 768 and each frame is scaled. Even numbers from 16 to 8192.\n"
    "  --quality CRF  the video encoder's constant rate factor, 0 (best) to 51 (worst);\n"
    "                 default 18, which looks like the original. Lower is better and larger.\n"
    "  -o OUT         a video file with the music of the same time range, made with FFmpeg's\n"
    "                 libraries (yuv420p, a constant frame rate); the extension chooses:\n"
    "                   .mp4   H.264 and AAC, for players everywhere\n"
    "                   .webm  VP9 and Opus, for web pages\n"
    "                   .mkv   H.264 and FLAC, the music without loss\n"
    "                   .gif   a GIF that loops, one palette for the clip, dithered, no sound;\n"
    "                          at most 50 fps (--fps 25 and --size 480x360 suit a README)\n"
    "  --frames DIR   one PNG per frame instead: DIR/frame00000.png, DIR/frame00001.png, ...\n"
    "                 (DIR is made when missing)\n"
    "  --null         no file: every frame rendered and read back, then dropped, to measure\n"
    "                 what the renderer alone costs\n"
    "  --serial       each frame's stages one after another: render, wait for the GPU, read\n"
    "                 back, convert, encode, then the next frame (the reference for benchmarks).\n"
    "                 By default the stages overlap: the demo draws frame n + 1 while frame n\n"
    "                 is read back, a worker thread converts and others encode (PNG frames a\n"
    "                 few at once). Both write exactly the same bytes.\n"
    "\n"
    "A progress line on standard error shows the frames done of the total, the frames per\n"
    "second, the time left and where the time goes: the share of rendering, reading back,\n"
    "converting (scaling, colour) and encoding (and writing) in the frames so far. When the\n"
    "stages overlap, the shares are of the work each stage did; waiting for the GPU to draw a\n"
    "frame counts as rendering it. Ctrl+C stops the capture early: the frames rendered so far are\n"
    "encoded and kept, and the video is finished properly so that it plays up to there (exit\n"
    "code 130).\n"
    "\n"
    "Exit codes: 0 done; 1 the demo or the output failed (no \"go.xml\", a script the demo\n"
    "refuses, music that cannot be read, an output that cannot be written, an encoder FFmpeg's\n"
    "libraries lack), with one message on standard error; 2 bad arguments; 130 stopped by\n"
    "Ctrl+C.\n"
    "\n"
    "Example, the first 10 seconds at 30 frames per second, half size:\n"
    "  cd demo && qolatool capture --to 10000 --fps 30 --size 512x384 -o ../first10s.mp4\n";

const char kFrameHelp[] =
    "usage: qolatool frame --at MS [--size WxH] -o OUT.png\n"
    "\n"
    "Renders one frame of the demo at music time MS (milliseconds) to a PNG, exactly as\n"
    "`qolatool capture` renders its frames: run it in the demo's run directory; the demo starts\n"
    "as qola does on an offscreen device, its clocks answer MS, and the back buffer is read\n"
    "back and written.\n"
    "\n"
    "  --at MS     the music time (required)\n"
    "  --size WxH  the PNG's size (default 1024x768); even numbers from 16 to 8192\n"
    "  -o OUT.png  the file to write (required)\n"
    "\n"
    "Exit codes: 0 written; 1 the demo or the output failed, with one message on standard\n"
    "error; 2 bad arguments.\n";

namespace {

constexpr uint32_t kMaxFps = 240;
constexpr int kMinSide = 16;
constexpr int kMaxSide = 8192;
constexpr int kMaxQuality = 51;

using arguments::ParseWhole;

// "WxH" with both sides even (4:2:0 video halves them) and within bounds.
bool ParseEvenSize(const char* text, int* width, int* height) {
  int w = 0, h = 0;
  if (!arguments::ParseSize(text, kMinSide, kMaxSide, &w, &h) || w % 2 != 0 || h % 2 != 0) return false;
  *width = w;
  *height = h;
  return true;
}

// Walks the arguments as (option, value) pairs; every option takes a value but the flags
// (--null, --serial).
class ArgumentWalk {
 public:
  ArgumentWalk(int argc, char** argv, std::string* problem) : argc_(argc), argv_(argv), problem_(problem) {}

  bool WantsHelp() const {
    for (int i = 1; i < argc_; ++i) {
      if (std::strcmp(argv_[i], "--help") == 0 || std::strcmp(argv_[i], "-h") == 0) return true;
    }
    return false;
  }
  // The next option and its value; false at the end or (with a problem) when the value is missing.
  bool Next(const char** option, const char** value) {
    if (index_ >= argc_) return false;
    *option = argv_[index_++];
    if (std::strcmp(*option, "--null") == 0 || std::strcmp(*option, "--serial") == 0) {
      *value = "";
      return true;
    }
    if (index_ >= argc_ || (*option)[0] != '-') {
      Fail(std::string((*option)[0] == '-' ? "option " : "unexpected argument ") + "\"" + *option + "\"" +
           ((*option)[0] == '-' ? " needs a value" : ""));
      return false;
    }
    *value = argv_[index_++];
    return true;
  }
  bool Fail(const std::string& what) {
    if (problem_->empty()) *problem_ = what;
    return false;
  }
  bool Failed() const { return !problem_->empty(); }

 private:
  int argc_;
  char** argv_;
  int index_ = 1;
  std::string* problem_;
};

std::string Quoted(const char* option, const char* value) {
  return std::string(option) + " \"" + value + "\"";
}

}  // namespace

ParseResult ParseCaptureArguments(int argc, char** argv, CaptureOptions* out, std::string* problem) {
  problem->clear();
  ArgumentWalk walk(argc, argv, problem);
  if (walk.WantsHelp()) return ParseResult::kHelp;
  CaptureOptions o;
  const char* option = nullptr;
  const char* value = nullptr;
  while (walk.Next(&option, &value)) {
    uint64_t n = 0;
    if (std::strcmp(option, "--fps") == 0) {
      if (!ParseWhole(value, kMaxFps, &n) || n == 0) walk.Fail(Quoted(option, value) + ": frames per second from 1 to 240");
      o.fps = static_cast<uint32_t>(n);
    } else if (std::strcmp(option, "--from") == 0 || std::strcmp(option, "--to") == 0) {
      if (!ParseWhole(value, 0xFFFFFFFFull, &n)) walk.Fail(Quoted(option, value) + ": a music time in whole milliseconds");
      if (option[2] == 'f') {
        o.fromMs = static_cast<uint32_t>(n);
      } else {
        o.toMs = static_cast<uint32_t>(n);
        o.hasTo = true;
      }
    } else if (std::strcmp(option, "--size") == 0) {
      if (!ParseEvenSize(value, &o.width, &o.height)) walk.Fail(Quoted(option, value) + ": WxH with even sides from 16 to 8192");
    } else if (std::strcmp(option, "--quality") == 0) {
      if (!ParseWhole(value, kMaxQuality, &n)) walk.Fail(Quoted(option, value) + ": a constant rate factor from 0 to 51");
      o.quality = static_cast<int>(n);
    } else if (std::strcmp(option, "-o") == 0) {
      if (!*value) walk.Fail("-o needs a file name");
      else if (!FindVideoFormat(value) && !IsGifPath(value))
        walk.Fail(Quoted(option, value) + ": the extension chooses the format, one of " + VideoFormatList() +
                  ", .gif (a looping GIF without sound)");
      o.videoPath = value;
    } else if (std::strcmp(option, "--null") == 0) {
      o.nullOutput = true;
    } else if (std::strcmp(option, "--serial") == 0) {
      o.serial = true;
    } else if (std::strcmp(option, "--frames") == 0) {
      if (!*value) walk.Fail("--frames needs a folder name");
      o.framesDir = value;
    } else {
      walk.Fail("unknown option \"" + std::string(option) + "\"");
    }
    if (walk.Failed()) break;
  }
  if (!walk.Failed()) {
    const int outputs = !o.videoPath.empty() + !o.framesDir.empty() + o.nullOutput;
    if (outputs != 1) walk.Fail("give exactly one of -o OUT, --frames DIR and --null");
    else if (o.hasTo && o.toMs <= o.fromMs) walk.Fail("--to must be later than --from");
    else if (IsGifPath(o.videoPath) && o.fps > GifWriter::kMaxFps)
      walk.Fail("a GIF plays at most 50 frames per second (its delays are hundredths of a second): give --fps 50 or "
                "fewer");
  }
  if (walk.Failed()) return ParseResult::kBadArguments;
  *out = o;
  return ParseResult::kRun;
}

ParseResult ParseFrameArguments(int argc, char** argv, FrameOptions* out, std::string* problem) {
  problem->clear();
  ArgumentWalk walk(argc, argv, problem);
  if (walk.WantsHelp()) return ParseResult::kHelp;
  FrameOptions o;
  bool hasAt = false;
  const char* option = nullptr;
  const char* value = nullptr;
  while (walk.Next(&option, &value)) {
    uint64_t n = 0;
    if (std::strcmp(option, "--at") == 0) {
      if (!ParseWhole(value, 0xFFFFFFFFull, &n)) walk.Fail(Quoted(option, value) + ": a music time in whole milliseconds");
      o.atMs = static_cast<uint32_t>(n);
      hasAt = true;
    } else if (std::strcmp(option, "--size") == 0) {
      if (!ParseEvenSize(value, &o.width, &o.height)) walk.Fail(Quoted(option, value) + ": WxH with even sides from 16 to 8192");
    } else if (std::strcmp(option, "-o") == 0) {
      if (!*value) walk.Fail("-o needs a file name");
      o.pngPath = value;
    } else {
      walk.Fail("unknown option \"" + std::string(option) + "\"");
    }
    if (walk.Failed()) break;
  }
  if (!walk.Failed()) {
    if (!hasAt) walk.Fail("--at MS is required");
    else if (o.pngPath.empty()) walk.Fail("-o OUT.png is required");
  }
  if (walk.Failed()) return ParseResult::kBadArguments;
  *out = o;
  return ParseResult::kRun;
}

uint32_t FrameTimeMs(uint32_t fromMs, uint32_t fps, uint32_t frame) {
  uint64_t t = fromMs + static_cast<uint64_t>(frame) * 1000u / fps;
  return static_cast<uint32_t>(t > 0xFFFFFFFFull ? 0xFFFFFFFFull : t);
}

uint32_t FrameCount(uint32_t fromMs, uint32_t toMs, uint32_t fps) {
  if (toMs <= fromMs || fps == 0) return 0;
  uint64_t span = toMs - fromMs;
  return static_cast<uint32_t>((span * fps + 999u) / 1000u);
}

}  // namespace capture
