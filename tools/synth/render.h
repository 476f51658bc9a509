// render.h -- plays a song at a tempo into stereo samples: the sequencer and the mixer
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "src/script/script_tempo.h"
#include "tools/synth/song.h"

namespace synth {

// The demo script's tempo range: the song plays at whatever tempo the timeline counts with.
constexpr double kMinBpm = script_tempo::kMinBpm;
constexpr double kMaxBpm = script_tempo::kMaxBpm;
// The mix is scaled so that its loudest sample sits here, leaving room for the encoder's
// overshoot below the -1 dBFS ceiling of the file.
constexpr float kPeakDbfs = -2.5f;

// The first sample frame of sixteenth note step at bpm: steps land on the nearest sample, each
// computed from the song's start, so rounding never accumulates.
int64_t StepFrame(int64_t step, double bpm);

// Renders the song at bpm (kMinBpm..kMaxBpm) into interleaved stereo at kSampleRate, exactly
// StepFrame(song.TotalSixteenths(), bpm) frames long, peak-normalised to kPeakDbfs.
std::vector<float> RenderSong(const Song& song, double bpm);

// A rendered song is held in memory whole; this bounds it (about 400 MB of samples).
constexpr double kMaxSongSeconds = 20.0 * 60.0;

// False, with a message, when the song at bpm would last longer than kMaxSongSeconds.
bool SongFits(const Song& song, double bpm, std::string* error);

// The largest absolute sample value.
float Peak(const std::vector<float>& samples);

}  // namespace synth
