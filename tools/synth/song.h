// song.h -- the song description qolasynth plays: instruments, patterns of sixteenth steps, sections
//
// A song is written in a text file a musician edits (tools/synth/song.txt explains the format at
// its top). Everything here is counted in sixteenth notes; the tempo is not part of the song; it
// comes from the demo script, so the same song lands on the script's sixteenths at any tempo.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace synth {

constexpr int kStepsPerBar = 16;
constexpr int kMaxChordNotes = 6;

enum class Wave { Sine, Triangle, Saw, Square, Noise };
enum class FilterMode { Off, LowPass, HighPass, BandPass };

// One sound: an oscillator (with unison copies and added noise), an amplitude envelope, a
// resonant filter with its own decaying envelope, a pitch drop for drums, and its mix settings.
struct Instrument {
  std::string name;
  int line = 0;
  Wave wave = Wave::Saw;
  int unison = 1;             // oscillators per note, spread in pitch and across the stereo field
  float detune = 0.0f;        // cents between the outermost unison copies
  float noise = 0.0f;         // white noise mixed into the oscillator, 0..1
  float pitchEnv = 0.0f;      // semitones above the note at the hit, falling away (kick drums)
  float pitchDecay = 0.05f;   // seconds for the pitch drop to fade
  float attack = 0.005f;      // seconds
  float decay = 0.2f;         // seconds to fall 60 dB towards the sustain level
  float sustain = 0.7f;       // 0..1
  float release = 0.1f;       // seconds to fall 60 dB after the note ends
  FilterMode filter = FilterMode::Off;
  float cutoff = 20000.0f;    // Hz
  float resonance = 0.0f;     // 0..1 (1 rings)
  float filterEnv = 0.0f;     // octaves the cutoff opens at the note start
  float filterDecay = 0.2f;   // seconds for that opening to close
  int bursts = 1;             // hand claps: the hit repeats this many times, 10 ms apart
  int note = 60;              // MIDI note of the hits "x", "X" and "o"
  int octave = 0;             // added to every note of the instrument
  float volume = 0.5f;        // 0..2
  float pan = 0.0f;           // -1 left .. 1 right
  float delay = 0.0f;         // send to the echo, 0..1
  float reverb = 0.0f;        // send to the reverb, 0..1
  float duck = 0.0f;          // how far the sidechain pulls this instrument down, 0..1
  bool sidechain = false;     // every hit of this instrument pulls the ducked ones down
};

// One sixteenth of a pattern: a rest (notes end), a hold (notes go on) or new notes.
struct Step {
  enum Kind : uint8_t { Rest, Hold, Play };
  Kind kind = Rest;
  uint8_t count = 0;       // notes played together, 0..kMaxChordNotes
  float velocity = 1.0f;
  int16_t notes[kMaxChordNotes] = {};  // MIDI notes; kHitNote plays the instrument's own note
};
constexpr int16_t kHitNote = -1;

struct Pattern {
  std::string name;
  int line = 0;
  std::vector<Step> steps;  // a whole number of bars
};

// A pattern as a section names it: "hook" or "hook:+12" (transposed by semitones).
struct PatternUse {
  int pattern = 0;
  int transpose = 0;
};

// Instrument plays its patterns one after another, from the section's start, again and again.
struct Part {
  int instrument = 0;
  int line = 0;
  std::vector<PatternUse> patterns;
};

enum class RampParam { Cutoff, Volume };

// A parameter moves from one value to another across the whole section.
struct Ramp {
  int instrument = 0;
  RampParam param = RampParam::Cutoff;
  float from = 0.0f;
  float to = 0.0f;
};

struct Section {
  std::string name;
  int line = 0;
  int bars = 0;
  std::vector<Part> parts;
  std::vector<Ramp> ramps;
};

// The echo and the reverb that the instruments' sends feed, and the sidechain's recovery.
struct Effects {
  int delaySteps = 3;          // echo time in sixteenths
  float delayFeedback = 0.35f;
  float delayTone = 4000.0f;   // Hz, a low-pass in the echo's loop
  float reverbSize = 0.8f;     // 0..1
  float reverbDamp = 0.4f;     // 0..1
  float duckTime = 0.2f;       // seconds for a ducked instrument to come back
};

struct Song {
  Effects effects;
  std::vector<Instrument> instruments;
  std::vector<Pattern> patterns;
  std::vector<Section> sections;

  int TotalSixteenths() const;
  // First sixteenth of section index (the sections' bars added up).
  int SectionStart(size_t index) const;
};

// Reads a song from text; fileName is only for messages, which read "song.txt line 12: ...".
// On failure song is left as it was and error tells what and where.
bool ParseSong(const std::string& text, const std::string& fileName, Song* song, std::string* error);
bool LoadSong(const std::string& path, Song* song, std::string* error);

// Lines that are valid but likely mistakes: a part whose patterns, played in turn, do not fill
// its section a whole number of times (the last round is cut short). Each names file and line.
std::vector<std::string> SongWarnings(const Song& song, const std::string& fileName);

// MIDI number of a note name such as "A4" (69), "C#3", "Eb2"; -1 for anything else.
int ParseNoteName(const std::string& name);

}  // namespace synth
