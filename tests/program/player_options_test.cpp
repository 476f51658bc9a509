// player_options_test.cpp -- qola's command line: what it accepts, what it refuses and how it
// says so, and where Present puts the picture in windows of other shapes
#include <gtest/gtest.h>

#include <string>

#include "platform/d3d9/d3d9_letterbox.h"
#include "src/program/player_options.h"

namespace {

using Display = PlayerOptions::Display;

TEST(PlayerOptions, AcceptedCommandLines) {
  struct Case {
    const char* line;
    Display display;
    bool hasFrom;
    uint32_t fromMs;
    int avOffsetMs;
    bool help;
  };
  const Case cases[] = {
      {"", Display::kFullScreen, false, 0, 0, false},
      {"   ", Display::kFullScreen, false, 0, 0, false},
      {"--window", Display::kWindow, false, 0, 0, false},
      {"--fit", Display::kFit, false, 0, 0, false},
      {"--from 60000", Display::kFullScreen, true, 60000, 0, false},
      {"--from=0 --fit", Display::kFit, true, 0, 0, false},
      {"--av-offset -500 --window", Display::kWindow, false, 0, -500, false},
      {"--av-offset=500", Display::kFullScreen, false, 0, 500, false},
      {"\"--from\" \"32000\"", Display::kFullScreen, true, 32000, 0, false},  // Windows quoting
      {"--from 2147483647", Display::kFullScreen, true, 2147483647u, 0, false},
      {"--help", Display::kFullScreen, false, 0, 0, true},
      {"--window\t--from 5", Display::kWindow, true, 5, 0, false},
  };
  for (const Case& c : cases) {
    PlayerOptions options;
    std::string problem;
    ASSERT_TRUE(ParsePlayerOptions(c.line, &options, &problem)) << c.line << ": " << problem;
    EXPECT_EQ(options.display, c.display) << c.line;
    EXPECT_EQ(options.hasFrom, c.hasFrom) << c.line;
    EXPECT_EQ(options.fromMs, c.fromMs) << c.line;
    EXPECT_EQ(options.avOffsetMs, c.avOffsetMs) << c.line;
    EXPECT_EQ(options.help, c.help) << c.line;
  }
}

TEST(PlayerOptions, RefusalsNameTheOptionAndWhatItAccepts) {
  struct Case {
    const char* line;
    const char* said;  // the whole message
  };
  const Case cases[] = {
      {"--windowed", "qola: unknown option \"--windowed\"; accepted: --window, --fit, --from MS, --av-offset MS, --help"},
      {"window", "qola: unknown option \"window\"; accepted: --window, --fit, --from MS, --av-offset MS, --help"},
      {"--from", "qola: --from needs milliseconds, 0 or more"},
      {"--av-offset", "qola: --av-offset needs milliseconds from -500 to 500"},
      {"--from -1", "qola: --from \"-1\": give whole milliseconds, 0 or more"},
      {"--from 1.5", "qola: --from \"1.5\": give whole milliseconds, 0 or more"},
      {"--from 2147483648", "qola: --from \"2147483648\": give whole milliseconds, 0 or more"},
      {"--from=", "qola: --from \"\": give whole milliseconds, 0 or more"},
      {"--av-offset 501", "qola: --av-offset \"501\": give whole milliseconds from -500 to 500"},
      {"--av-offset -501", "qola: --av-offset \"-501\": give whole milliseconds from -500 to 500"},
      {"--av-offset 99999999999999999999999", "qola: --av-offset \"99999999999999999999999\": give whole milliseconds from -500 to 500"},
      {"--fit=yes", "qola: --fit takes no value; accepted: --window, --fit, --from MS, --av-offset MS, --help"},
      {"--window --fit", "qola: --window and --fit exclude each other; give one of them"},
  };
  for (const Case& c : cases) {
    PlayerOptions options;
    std::string problem;
    EXPECT_FALSE(ParsePlayerOptions(c.line, &options, &problem)) << c.line;
    EXPECT_EQ(problem, c.said) << c.line;
  }
}

// The picture keeps 4:3 and is centred; a window of its own size gets it pixel for pixel.
// Rectangles are in GL's window pixels (origin bottom-left).
TEST(Letterbox, PictureScaledIntoWindowsOfEveryShape) {
  struct Case {
    int windowWidth, windowHeight;
    d3d9impl::PresentRect expected;
  };
  const Case cases[] = {
      {1024, 768, {0, 0, 1024, 768, true}},
      {800, 600, {0, 0, 800, 600, true}},           // same shape, smaller
      {1920, 1080, {240, 0, 1440, 1080, false}},    // wide: bars left and right
      {1600, 1000, {133, 0, 1333, 1000, false}},
      {900, 1000, {0, 162, 900, 675, false}},       // tall: bars above and below
      {1080, 1920, {0, 555, 1080, 810, false}},     // a monitor in portrait
      {1, 1, {0, 0, 1, 1, true}},
      {0, 0, {0, 0, 0, 0, true}},                   // minimised: nothing to draw into
  };
  for (const Case& c : cases) {
    d3d9impl::PresentRect r = d3d9impl::LetterboxRect(1024, 768, c.windowWidth, c.windowHeight);
    EXPECT_EQ(r.x, c.expected.x) << c.windowWidth << "x" << c.windowHeight;
    EXPECT_EQ(r.y, c.expected.y) << c.windowWidth << "x" << c.windowHeight;
    EXPECT_EQ(r.width, c.expected.width) << c.windowWidth << "x" << c.windowHeight;
    EXPECT_EQ(r.height, c.expected.height) << c.windowWidth << "x" << c.windowHeight;
    EXPECT_EQ(r.covers, c.expected.covers) << c.windowWidth << "x" << c.windowHeight;
    if (r.height > 100) {
      EXPECT_NEAR(static_cast<double>(r.width) / r.height, 4.0 / 3.0, 0.01);
    }
  }
}

}  // namespace
