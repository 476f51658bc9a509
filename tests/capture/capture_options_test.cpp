// capture_options_test.cpp -- the arguments of capture and frame, frame times, the progress text
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/capture/capture_options.h"
#include "tools/capture/progress.h"

namespace {

using capture::ParseResult;

// Runs a parser over "capture" followed by args.
template <typename Options, typename Parser>
ParseResult Parse(Parser parser, const std::vector<std::string>& args, Options* options, std::string* problem) {
  std::vector<std::string> all = {"capture"};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  return parser(static_cast<int>(argv.size()), argv.data(), options, problem);
}

TEST(CaptureArguments, RefusesEachBadArgumentWithItsName) {
  struct Case {
    std::vector<std::string> args;
    const char* named;  // what the message must mention
  } cases[] = {
      {{}, "exactly one of"},
      {{"-o", "a.mp4", "--frames", "dir"}, "exactly one of"},
      {{"--fps", "0", "-o", "a.mp4"}, "--fps \"0\""},
      {{"--fps", "241", "-o", "a.mp4"}, "--fps \"241\""},
      {{"--fps", "30x", "-o", "a.mp4"}, "--fps \"30x\""},
      {{"--from", "-5", "-o", "a.mp4"}, "--from \"-5\""},
      {{"--to", "4294967296", "-o", "a.mp4"}, "--to \"4294967296\""},
      {{"--from", "500", "--to", "500", "-o", "a.mp4"}, "--to must be later"},
      {{"--size", "641x480", "-o", "a.mp4"}, "--size \"641x480\""},
      {{"--size", "8x8", "-o", "a.mp4"}, "--size \"8x8\""},
      {{"--size", "640", "-o", "a.mp4"}, "--size \"640\""},
      {{"--size", "640x", "-o", "a.mp4"}, "--size \"640x\""},
      {{"--quality", "52", "-o", "a.mp4"}, "--quality \"52\""},
      {{"-o"}, "\"-o\" needs a value"},
      {{"-o", ""}, "-o needs a file name"},
      {{"--speed", "2", "-o", "a.mp4"}, "unknown option \"--speed\""},
      {{"a.mp4"}, "unexpected argument \"a.mp4\""},
      {{"-o", "a.avi"}, "-o \"a.avi\": the extension chooses the format, one of .mp4 (H.264 and AAC), .webm"},
      {{"-o", "mp4"}, "-o \"mp4\": the extension chooses"},
      {{"--null", "-o", "a.mp4"}, "exactly one of -o OUT, --frames DIR and --null"},
      {{"--null", "--frames", "f"}, "exactly one of"},
      {{"-o", "a.gif"}, "a GIF plays at most 50 frames per second"},  // the default is 60
      {{"--fps", "51", "-o", "a.gif"}, "--fps 50 or fewer"},
  };
  for (const Case& c : cases) {
    capture::CaptureOptions options;
    std::string problem;
    std::string joined;
    for (const std::string& a : c.args) joined += a + " ";
    EXPECT_EQ(ParseResult::kBadArguments, Parse(capture::ParseCaptureArguments, c.args, &options, &problem)) << joined;
    EXPECT_NE(std::string::npos, problem.find(c.named)) << joined << "-> " << problem;
  }
}

TEST(CaptureArguments, ReadsEveryOptionAndKeepsDefaults) {
  capture::CaptureOptions options;
  std::string problem;
  ASSERT_EQ(ParseResult::kRun, Parse(capture::ParseCaptureArguments, {"-o", "out.mp4"}, &options, &problem)) << problem;
  EXPECT_EQ(60u, options.fps);
  EXPECT_EQ(0u, options.fromMs);
  EXPECT_FALSE(options.hasTo);
  EXPECT_EQ(1024, options.width);
  EXPECT_EQ(768, options.height);
  EXPECT_EQ("out.mp4", options.videoPath);
  EXPECT_FALSE(options.serial) << "pipelined unless asked";
  ASSERT_EQ(ParseResult::kRun,
            Parse(capture::ParseCaptureArguments, {"--null", "--serial", "--fps", "30"}, &options, &problem))
      << problem;
  EXPECT_TRUE(options.nullOutput);
  EXPECT_TRUE(options.serial);
  EXPECT_EQ(30u, options.fps);
  for (const char* name : {"show.webm", "show.mkv", "SHOW.MP4", "loop.gif"}) {
    ASSERT_EQ(ParseResult::kRun, Parse(capture::ParseCaptureArguments, {"--fps", "25", "-o", name}, &options, &problem))
        << problem;
    EXPECT_EQ(name, options.videoPath);
  }

  ASSERT_EQ(ParseResult::kRun,
            Parse(capture::ParseCaptureArguments,
                  {"--fps", "25", "--from", "1000", "--to", "3000", "--size", "320x240", "--quality", "0", "--frames", "f"},
                  &options, &problem))
      << problem;
  EXPECT_EQ(25u, options.fps);
  EXPECT_EQ(1000u, options.fromMs);
  EXPECT_TRUE(options.hasTo);
  EXPECT_EQ(3000u, options.toMs);
  EXPECT_EQ(320, options.width);
  EXPECT_EQ(240, options.height);
  EXPECT_EQ(0, options.quality);
  EXPECT_EQ("f", options.framesDir);
  EXPECT_TRUE(options.videoPath.empty());

  EXPECT_EQ(ParseResult::kHelp, Parse(capture::ParseCaptureArguments, {"--fps", "0", "--help"}, &options, &problem));
}

TEST(FrameArguments, NeedsATimeAndAFile) {
  struct Case {
    std::vector<std::string> args;
    ParseResult result;
  } cases[] = {
      {{"--at", "1500", "-o", "f.png"}, ParseResult::kRun},
      {{"--at", "1500", "--size", "64x48", "-o", "f.png"}, ParseResult::kRun},
      {{"-o", "f.png"}, ParseResult::kBadArguments},
      {{"--at", "1500"}, ParseResult::kBadArguments},
      {{"--at", "x", "-o", "f.png"}, ParseResult::kBadArguments},
      {{"--fps", "30", "--at", "1", "-o", "f.png"}, ParseResult::kBadArguments},
      {{"-h"}, ParseResult::kHelp},
  };
  for (const Case& c : cases) {
    capture::FrameOptions options;
    std::string problem;
    EXPECT_EQ(c.result, Parse(capture::ParseFrameArguments, c.args, &options, &problem)) << c.args[0] << " " << problem;
  }
  capture::FrameOptions options;
  std::string problem;
  Parse(capture::ParseFrameArguments, {"--at", "1500", "-o", "f.png"}, &options, &problem);
  EXPECT_EQ(1500u, options.atMs);
  EXPECT_EQ("f.png", options.pngPath);
}

TEST(FrameTimes, AreFromPlusNTimesAThousandOverFpsInWholeMs) {
  struct Case {
    uint32_t from, fps, frame, ms;
  } cases[] = {
      {0, 60, 0, 0}, {0, 60, 1, 16}, {0, 60, 2, 33}, {0, 60, 3, 50}, {0, 60, 60, 1000},
      {250, 30, 1, 283}, {250, 30, 3, 350}, {0, 1, 7, 7000}, {0, 240, 239, 995},
      {4294967000u, 1, 1, 4294967295u},  // held at the 32-bit clock's end, not wrapped
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.ms, capture::FrameTimeMs(c.from, c.fps, c.frame)) << c.from << " " << c.fps << " " << c.frame;
  }
}

TEST(FrameTimes, CountHoldsEveryFrameBeforeTheEnd) {
  struct Case {
    uint32_t from, to, fps, count;
  } cases[] = {
      {0, 1000, 60, 60}, {0, 1001, 60, 61}, {0, 16, 60, 1}, {0, 17, 60, 2},
      {500, 1500, 30, 30}, {1000, 1000, 60, 0}, {2000, 1000, 60, 0}, {0, 4294967295u, 240, 1030792151u},
  };
  for (const Case& c : cases) {
    uint32_t count = capture::FrameCount(c.from, c.to, c.fps);
    EXPECT_EQ(c.count, count) << c.from << ".." << c.to << " at " << c.fps;
    // The oracle: the last frame is before the end, the one after it is not.
    if (count > 0) {
      EXPECT_LT(capture::FrameTimeMs(c.from, c.fps, count - 1), c.to);
      EXPECT_GE(c.from + static_cast<uint64_t>(count) * 1000 / c.fps, c.to);
    }
  }
}

TEST(ProgressText, ShowsFramesRateAndTimeLeft) {
  char text[96];
  capture::FormatProgress(text, sizeof text, 0, 600, 0.0);
  EXPECT_STREQ("frame 0/600, -- fps, --:-- left", text);
  capture::FormatProgress(text, sizeof text, 120, 600, 5.0);  // 24 fps, 480 frames to go: 20 s
  EXPECT_STREQ("frame 120/600, 24.0 fps, 0:20 left", text);
  capture::FormatProgress(text, sizeof text, 10, 3610, 10.0);  // 1 fps: an hour to go
  EXPECT_STREQ("frame 10/3610, 1.0 fps, 60:00 left", text);
  capture::FormatProgress(text, sizeof text, 600, 600, 20.0);
  EXPECT_STREQ("frame 600/600, 30.0 fps, 0:00 left", text);
}

TEST(ProgressText, SharesOfTheStagesAddUpRounded) {
  char text[96];
  capture::FormatShares(text, sizeof text, capture::StageSeconds{});
  EXPECT_STREQ("", text) << "no time counted yet";
  capture::FormatShares(text, sizeof text, capture::StageSeconds{6.1, 0.9, 0.4, 2.6});
  EXPECT_STREQ("render 61 %, readback 9 %, convert 4 %, encode 26 %", text);
  capture::FormatShares(text, sizeof text, capture::StageSeconds{3.0, 1.0, 0.0, 0.0});  // --null
  EXPECT_STREQ("render 75 %, readback 25 %, convert 0 %, encode 0 %", text);
}

}  // namespace
