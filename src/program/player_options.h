// player_options.h -- the command line of qola: where and from when the viewer watches
//
// None given plays the demo as it always did: full screen at 1024 x 768 from the music's start.
// The options only add: a window or the display's own mode (the 1024 x 768 picture scaled into
// it, aspect kept), a start time, and an offset between picture and sound.
#pragma once

#include <cstdint>
#include <string>

struct PlayerOptions {
  enum class Display {
    kFullScreen,  // 1024 x 768 full screen, the demo's own device
    kWindow,      // --window: a resizable window, 1024 x 768 at first
    kFit,         // --fit: full screen at the desktop's own mode
  };
  Display display = Display::kFullScreen;
  bool hasFrom = false;  // --from given
  uint32_t fromMs = 0;   // --from: where the music and the show start
  int avOffsetMs = 0;    // --av-offset: the picture at heard position t shows t - avOffsetMs
  bool help = false;     // --help
};

constexpr int kMinAVOffsetMs = -500;
constexpr int kMaxAVOffsetMs = 500;

// The usage text --help prints (several lines, ending in a newline).
extern const char kPlayerUsage[];

// Reads the command line as Windows hands it to WinMain: the arguments after the program name,
// separated by blanks, double quotes grouping a blank into one argument. True with *options
// filled; false with *problem set to one line that names the option and what it accepts.
bool ParsePlayerOptions(const char* commandLine, PlayerOptions* options, std::string* problem);
