// player.h -- what qola's options add around the demo's own start-up and frame loop
#pragma once

#include <cstdint>

#include "src/program/player_options.h"

class Device;

// Reads the command line. True when the demo is to play; false when the program ends here with
// *exitCode: 0 after --help (the usage on standard output), 2 after a bad option (its one line
// on standard error).
bool ReadPlayerCommandLine(const char* commandLine, PlayerOptions* options, int* exitCode);

// The Device for the options: the demo's own full-screen 1024 x 768 device, or the player's
// window. Where the full-screen device fails because the display lists no 1024 x 768 mode,
// standard error also says that --fit or --window plays on this display. False when no device
// could be made (nothing is left then).
bool CreatePlayerOrDemoDevice(const PlayerOptions& options);

// Before the first frame: the viewer's offset, and with --from the music (held since start-up)
// moved to the start time and started. False, with one line on standard error, when the start
// time lies beyond the music's end.
bool StartMusicForPlayer(const PlayerOptions& options);

// Frames until Escape or, in the player's window, until it is closed. The number of frames.
// With QOLA_VERBOSE=1 the music position of the first frame goes to standard error.
uint64_t RunPlayerFrames(Device* device);
