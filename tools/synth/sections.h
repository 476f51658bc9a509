// sections.h -- the song's section list, for whoever writes the demo script's events on its boundaries
#pragma once

#include <string>

#include "tools/synth/song.h"

namespace synth {

// One line per section: name, bars, start and length in sixteenths, start and end in
// milliseconds at bpm (as the demo's timeline converts them), then a "total" line.
std::string FormatSections(const Song& song, double bpm);

}  // namespace synth
