// script_music.h -- the two facts qolasynth takes from the demo script: the tempo and the music file
//
// The demo script is the one place that holds the tempo, so the song, which is counted in
// sixteenth notes, renders at whatever tempo the demo's timeline counts with.
#pragma once

#include <string>

namespace synth {

struct ScriptMusic {
  double bpm = 0.0;             // as the demo holds it: the script's value rounded to a float
  std::string musicFileName;    // "music_filename" as written, relative to the script's folder
  std::string musicPath;        // the same file as a path from the current directory
};

// Reads "bpm" and "music_filename" from the "demo" element of the script at path. Refuses a
// missing or unreadable script, a missing attribute and a tempo outside the demo's range (script_tempo.h), with a
// message that names the file and, where it has one, the line.
bool ReadScriptMusic(const std::string& path, ScriptMusic* music, std::string* error);

}  // namespace synth
