// main.cpp -- qolasynth: renders the demo's song at the demo script's tempo into its music file
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <string>

#include "tools/synth/audio_file.h"
#include "tools/synth/dsp.h"
#include "tools/synth/render.h"
#include "tools/synth/script_music.h"
#include "tools/synth/sections.h"
#include "tools/synth/song.h"

namespace {

const char kUsage[] =
    "usage: qolasynth [--script FILE] [--song FILE] [--out FILE] [--sections]\n"
    "\n"
    "Renders the song at the tempo of the demo script and writes it, as Ogg Vorbis, to the\n"
    "script's \"music_filename\" (relative to the script's folder).\n"
    "\n"
    "  --script FILE  the demo script (default demo/go.xml)\n"
    "  --song FILE    the song description (default tools/synth/song.txt)\n"
    "  --out FILE     write here instead (.ogg Ogg Vorbis, .wav 16-bit PCM)\n"
    "  --sections     print the sections in sixteenths and milliseconds; render nothing\n";

struct Options {
  std::string script = "demo/go.xml";
  std::string song = "tools/synth/song.txt";
  std::string out;
  bool sectionsOnly = false;
};

// 0 when parsed, 1 when --help was asked for, 2 on a mistake (already reported).
int ParseOptions(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) return 1;
    if (std::strcmp(arg, "--sections") == 0) {
      options->sectionsOnly = true;
      continue;
    }
    std::string* value = std::strcmp(arg, "--script") == 0 ? &options->script
                         : std::strcmp(arg, "--song") == 0 ? &options->song
                         : std::strcmp(arg, "--out") == 0  ? &options->out
                                                           : nullptr;
    if (!value) {
      std::fprintf(stderr, "qolasynth: unknown option \"%s\" (qolasynth --help lists them)\n", arg);
      return 2;
    }
    if (i + 1 == argc) {
      std::fprintf(stderr, "qolasynth: %s needs a file name\n", arg);
      return 2;
    }
    *value = argv[++i];
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  switch (ParseOptions(argc, argv, &options)) {
    case 1: std::fputs(kUsage, stdout); return 0;
    case 2: return 2;
    default: break;
  }
  std::string error;
  synth::ScriptMusic music;
  synth::Song song;
  if (!synth::ReadScriptMusic(options.script, &music, &error) || !synth::LoadSong(options.song, &song, &error)) {
    std::fprintf(stderr, "qolasynth: %s\n", error.c_str());
    return 1;
  }
  for (const std::string& warning : synth::SongWarnings(song, options.song)) {
    std::fprintf(stderr, "qolasynth: warning: %s\n", warning.c_str());
  }
  if (options.sectionsOnly) {
    std::fputs(synth::FormatSections(song, music.bpm).c_str(), stdout);
    return 0;
  }
  if (!synth::SongFits(song, music.bpm, &error)) {
    std::fprintf(stderr, "qolasynth: %s: %s\n", options.song.c_str(), error.c_str());
    return 1;
  }
  const std::string out = options.out.empty() ? music.musicPath : options.out;
  const auto start = std::chrono::steady_clock::now();
  std::vector<float> samples = synth::RenderSong(song, music.bpm);
  const auto rendered = std::chrono::steady_clock::now();
  if (!synth::WriteAudio(out, samples, &error)) {
    std::fprintf(stderr, "qolasynth: %s\n", error.c_str());
    return 1;
  }
  const auto written = std::chrono::steady_clock::now();
  using Seconds = std::chrono::duration<double>;
  const double length = static_cast<double>(samples.size() / 2) / synth::kSampleRate;
  std::printf("qolasynth: %s: %d:%04.1f at %g bpm, %zu sections, peak %.1f dBFS (rendered in %.1f s, encoded in %.1f s)\n",
              out.c_str(), static_cast<int>(length) / 60, std::fmod(length, 60.0), music.bpm, song.sections.size(),
              20.0 * std::log10(std::max(1e-9f, synth::Peak(samples))), Seconds(rendered - start).count(),
              Seconds(written - rendered).count());
  return 0;
}
