// song_parse.cpp -- reads the song text: blocks of instruments, patterns, sections and effects
//
// The text is line-based. A line's first word opens a block ("instrument", "pattern", "section",
// "effects"); the lines after it, up to the next such word, fill that block. Names used by a
// section are looked up once the whole file is read, so blocks may come in any order.
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tools/synth/song.h"

namespace synth {

namespace {

constexpr int kMaxBarsPerSection = 512;
constexpr int kMaxBars = 2000;
constexpr size_t kMaxSongBytes = 4u << 20;  // a song is a few kilobytes of text

// A name the section refers to, kept with its line until every block is known.
struct PendingPart {
  int section;
  int line;
  std::string instrument;
  std::vector<std::string> patterns;
};
struct PendingRamp {
  int section;
  int line;
  std::string instrument;
  RampParam param;
  float from, to;
};

struct FloatSetting {
  const char* key;
  float Instrument::*field;
  float min, max;
};

const FloatSetting kFloatSettings[] = {
    {"detune", &Instrument::detune, 0.0f, 100.0f},
    {"noise", &Instrument::noise, 0.0f, 1.0f},
    {"pitch_env", &Instrument::pitchEnv, -48.0f, 48.0f},
    {"pitch_decay", &Instrument::pitchDecay, 0.001f, 10.0f},
    {"attack", &Instrument::attack, 0.0f, 10.0f},
    {"decay", &Instrument::decay, 0.001f, 30.0f},
    {"sustain", &Instrument::sustain, 0.0f, 1.0f},
    {"release", &Instrument::release, 0.001f, 30.0f},
    {"cutoff", &Instrument::cutoff, 20.0f, 20000.0f},
    {"reso", &Instrument::resonance, 0.0f, 1.0f},
    {"filter_env", &Instrument::filterEnv, -8.0f, 8.0f},
    {"filter_decay", &Instrument::filterDecay, 0.001f, 30.0f},
    {"volume", &Instrument::volume, 0.0f, 2.0f},
    {"pan", &Instrument::pan, -1.0f, 1.0f},
    {"delay", &Instrument::delay, 0.0f, 1.0f},
    {"reverb", &Instrument::reverb, 0.0f, 1.0f},
    {"duck", &Instrument::duck, 0.0f, 1.0f},
};

class Parser {
 public:
  Parser(const std::string& fileName, std::string* error) : fileName_(fileName), error_(error) {}

  bool Run(const std::string& text, Song* out);

 private:
  enum class Block { None, Effects, Instrument, Pattern, Section };

  bool Fail(int line, const std::string& what) {
    *error_ = fileName_ + (line > 0 ? " line " + std::to_string(line) + ": " : ": ") + what;
    return false;
  }
  bool Line(const std::vector<std::string>& words);
  bool Open(const std::vector<std::string>& words);
  bool EffectsLine(const std::vector<std::string>& words);
  bool InstrumentLine(const std::vector<std::string>& words);
  bool InstrumentSetting(Instrument& instrument, const std::string& key, const std::string& value);
  bool PatternLine(const std::vector<std::string>& words);
  bool ParseStep(const std::string& word, Step* step);
  bool SectionLine(const std::vector<std::string>& words);
  bool Resolve();
  bool Number(const std::string& key, const std::string& text, double min, double max, double* value);
  bool Whole(const std::string& key, const std::string& text, int min, int max, int* value);
  int FindInstrument(const std::string& name) const;
  int FindPattern(const std::string& name) const;

  std::string fileName_;
  std::string* error_;
  Song song_;
  Block block_ = Block::None;
  int lineNumber_ = 0;
  std::vector<PendingPart> parts_;
  std::vector<PendingRamp> ramps_;
};

std::vector<std::string> SplitWords(const std::string& line) {
  std::vector<std::string> words;
  std::istringstream in(line);
  std::string word;
  // A comment starts with a word that begins with '#'; inside a word '#' is a sharp (C#4).
  while (in >> word && word[0] != '#') words.push_back(word);
  return words;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

bool Parser::Run(const std::string& text, Song* out) {
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    ++lineNumber_;
    std::vector<std::string> words = SplitWords(line);
    if (!words.empty() && !Line(words)) return false;
  }
  if (!Resolve()) return false;
  *out = std::move(song_);
  return true;
}

bool Parser::Line(const std::vector<std::string>& words) {
  const std::string& first = words[0];
  if (first == "instrument" || first == "pattern" || first == "section" || first == "effects") return Open(words);
  switch (block_) {
    case Block::Effects: return EffectsLine(words);
    case Block::Instrument: return InstrumentLine(words);
    case Block::Pattern: return PatternLine(words);
    case Block::Section: return SectionLine(words);
    case Block::None: break;
  }
  return Fail(lineNumber_, "expected \"instrument\", \"pattern\", \"section\" or \"effects\", not " + Quoted(first));
}

bool Parser::Open(const std::vector<std::string>& words) {
  const std::string& kind = words[0];
  if (kind == "effects") {
    if (words.size() != 1) return Fail(lineNumber_, "\"effects\" takes no name; its settings follow on the next lines");
    block_ = Block::Effects;
    return true;
  }
  if (kind == "section" ? words.size() != 3 : words.size() != 2) {
    return Fail(lineNumber_, kind == "section" ? "a section line reads \"section NAME BARS\""
                                               : "a " + kind + " line reads \"" + kind + " NAME\"");
  }
  const std::string& name = words[1];
  if (kind == "instrument") {
    if (name == "ramp") return Fail(lineNumber_, "\"ramp\" cannot name an instrument");
    int other = FindInstrument(name);
    if (other >= 0) {
      return Fail(lineNumber_, "instrument " + Quoted(name) + " is already defined on line " +
                                   std::to_string(song_.instruments[other].line));
    }
    song_.instruments.push_back(Instrument());
    song_.instruments.back().name = name;
    song_.instruments.back().line = lineNumber_;
    block_ = Block::Instrument;
  } else if (kind == "pattern") {
    int other = FindPattern(name);
    if (other >= 0) {
      return Fail(lineNumber_, "pattern " + Quoted(name) + " is already defined on line " +
                                   std::to_string(song_.patterns[other].line));
    }
    song_.patterns.push_back(Pattern());
    song_.patterns.back().name = name;
    song_.patterns.back().line = lineNumber_;
    block_ = Block::Pattern;
  } else {
    Section section;
    section.name = name;
    section.line = lineNumber_;
    if (!Whole("bars of section " + Quoted(name), words[2], 1, kMaxBarsPerSection, &section.bars)) return false;
    song_.sections.push_back(section);
    block_ = Block::Section;
  }
  return true;
}

bool Parser::Number(const std::string& key, const std::string& text, double min, double max, double* value) {
  char* end = nullptr;
  double v = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !std::isfinite(v)) {
    return Fail(lineNumber_, key + " is " + Quoted(text) + ", not a number");
  }
  if (v < min || v > max) {
    std::ostringstream range;
    range << min << " to " << max;
    return Fail(lineNumber_, key + " is " + text + ", outside " + range.str());
  }
  *value = v;
  return true;
}

bool Parser::Whole(const std::string& key, const std::string& text, int min, int max, int* value) {
  double v = 0.0;
  if (!Number(key, text, min, max, &v)) return false;
  if (v != std::floor(v)) return Fail(lineNumber_, key + " is " + text + ", not a whole number");
  *value = static_cast<int>(v);
  return true;
}

bool Parser::EffectsLine(const std::vector<std::string>& words) {
  if (words.size() % 2 != 0) return Fail(lineNumber_, "settings come in pairs: a name and its value");
  Effects& fx = song_.effects;
  for (size_t i = 0; i < words.size(); i += 2) {
    const std::string& key = words[i];
    const std::string& text = words[i + 1];
    double v = 0.0;
    bool ok = true;
    if (key == "delay_steps") {
      ok = Whole(Quoted(key), text, 1, 32, &fx.delaySteps);
    } else if (key == "delay_feedback") {
      ok = Number(Quoted(key), text, 0.0, 0.95, &v), fx.delayFeedback = static_cast<float>(v);
    } else if (key == "delay_tone") {
      ok = Number(Quoted(key), text, 100.0, 20000.0, &v), fx.delayTone = static_cast<float>(v);
    } else if (key == "reverb_size") {
      ok = Number(Quoted(key), text, 0.0, 1.0, &v), fx.reverbSize = static_cast<float>(v);
    } else if (key == "reverb_damp") {
      ok = Number(Quoted(key), text, 0.0, 1.0, &v), fx.reverbDamp = static_cast<float>(v);
    } else if (key == "duck_time") {
      ok = Number(Quoted(key), text, 0.01, 2.0, &v), fx.duckTime = static_cast<float>(v);
    } else {
      return Fail(lineNumber_, "unknown effects setting " + Quoted(key));
    }
    if (!ok) return false;
  }
  return true;
}

bool Parser::InstrumentLine(const std::vector<std::string>& words) {
  if (words.size() % 2 != 0) return Fail(lineNumber_, "settings come in pairs: a name and its value");
  for (size_t i = 0; i < words.size(); i += 2) {
    if (!InstrumentSetting(song_.instruments.back(), words[i], words[i + 1])) return false;
  }
  return true;
}

bool Parser::InstrumentSetting(Instrument& instrument, const std::string& key, const std::string& value) {
  for (const FloatSetting& setting : kFloatSettings) {
    if (key != setting.key) continue;
    double v = 0.0;
    if (!Number(Quoted(key), value, setting.min, setting.max, &v)) return false;
    instrument.*setting.field = static_cast<float>(v);
    return true;
  }
  if (key == "wave") {
    static const struct { const char* name; Wave wave; } kWaves[] = {
        {"sine", Wave::Sine}, {"triangle", Wave::Triangle}, {"saw", Wave::Saw},
        {"square", Wave::Square}, {"noise", Wave::Noise}};
    for (const auto& w : kWaves) {
      if (value == w.name) return instrument.wave = w.wave, true;
    }
    return Fail(lineNumber_, "\"wave\" is " + Quoted(value) + "; it is one of sine, triangle, saw, square, noise");
  }
  if (key == "filter") {
    static const struct { const char* name; FilterMode mode; } kModes[] = {
        {"off", FilterMode::Off}, {"lowpass", FilterMode::LowPass},
        {"highpass", FilterMode::HighPass}, {"bandpass", FilterMode::BandPass}};
    for (const auto& m : kModes) {
      if (value == m.name) return instrument.filter = m.mode, true;
    }
    return Fail(lineNumber_, "\"filter\" is " + Quoted(value) + "; it is one of off, lowpass, highpass, bandpass");
  }
  if (key == "unison") return Whole(Quoted(key), value, 1, 8, &instrument.unison);
  if (key == "bursts") return Whole(Quoted(key), value, 1, 8, &instrument.bursts);
  if (key == "octave") return Whole(Quoted(key), value, -4, 4, &instrument.octave);
  if (key == "sidechain") {
    if (value != "yes" && value != "no") return Fail(lineNumber_, "\"sidechain\" is yes or no, not " + Quoted(value));
    instrument.sidechain = value == "yes";
    return true;
  }
  if (key == "note") {
    int note = ParseNoteName(value);
    if (note < 0) return Fail(lineNumber_, "\"note\" is " + Quoted(value) + ", not a note name such as C4 or F#2");
    instrument.note = note;
    return true;
  }
  return Fail(lineNumber_, "unknown instrument setting " + Quoted(key));
}

bool Parser::PatternLine(const std::vector<std::string>& words) {
  Pattern& pattern = song_.patterns.back();
  size_t before = pattern.steps.size();
  for (const std::string& word : words) {
    if (word == "|") continue;  // a visual beat divider
    Step step;
    if (!ParseStep(word, &step)) return false;
    pattern.steps.push_back(step);
  }
  size_t count = pattern.steps.size() - before;
  if (count != kStepsPerBar) {
    pattern.steps.resize(before);
    return Fail(lineNumber_, "a bar of pattern " + Quoted(pattern.name) + " has " + std::to_string(count) +
                                 " steps, not " + std::to_string(kStepsPerBar) + " (one line is one bar)");
  }
  return true;
}

bool Parser::ParseStep(const std::string& word, Step* step) {
  if (word == ".") return step->kind = Step::Rest, true;
  if (word == "-") return step->kind = Step::Hold, true;
  step->kind = Step::Play;
  if (word == "x" || word == "X" || word == "o") {
    step->count = 1;
    step->notes[0] = kHitNote;
    step->velocity = word == "X" ? 1.0f : word == "x" ? 0.8f : 0.45f;
    return true;
  }
  size_t start = 0;
  while (start <= word.size()) {
    size_t plus = word.find('+', start);
    std::string name = word.substr(start, plus == std::string::npos ? std::string::npos : plus - start);
    int note = ParseNoteName(name);
    if (note < 0) {
      return Fail(lineNumber_, Quoted(word) + " is not a step; a step is a note such as A3 or C#4, a chord such "
                                              "as A3+C4+E4, x X o (hits), - (hold) or . (rest)");
    }
    if (step->count == kMaxChordNotes) {
      return Fail(lineNumber_, Quoted(word) + " has more than " + std::to_string(kMaxChordNotes) + " notes");
    }
    step->notes[step->count++] = static_cast<int16_t>(note);
    if (plus == std::string::npos) break;
    start = plus + 1;
  }
  return true;
}

bool Parser::SectionLine(const std::vector<std::string>& words) {
  const int section = static_cast<int>(song_.sections.size()) - 1;
  if (words[0] == "ramp") {
    if (words.size() != 5) return Fail(lineNumber_, "a ramp reads \"ramp INSTRUMENT cutoff|volume FROM TO\"");
    PendingRamp ramp{section, lineNumber_, words[1], RampParam::Cutoff, 0.0f, 0.0f};
    double from = 0.0, to = 0.0, min = 20.0, max = 20000.0;
    if (words[2] == "volume") {
      ramp.param = RampParam::Volume;
      min = 0.0;
      max = 2.0;
    } else if (words[2] != "cutoff") {
      return Fail(lineNumber_, "a ramp moves \"cutoff\" or \"volume\", not " + Quoted(words[2]));
    }
    if (!Number("the ramp's start", words[3], min, max, &from) || !Number("the ramp's end", words[4], min, max, &to)) {
      return false;
    }
    ramp.from = static_cast<float>(from);
    ramp.to = static_cast<float>(to);
    ramps_.push_back(ramp);
    return true;
  }
  if (words.size() < 2) return Fail(lineNumber_, "instrument " + Quoted(words[0]) + " is given no pattern to play");
  for (const PendingPart& other : parts_) {
    if (other.section == section && other.instrument == words[0]) {
      return Fail(lineNumber_, "instrument " + Quoted(words[0]) + " already plays in this section (line " +
                                   std::to_string(other.line) + ")");
    }
  }
  parts_.push_back(PendingPart{section, lineNumber_, words[0], std::vector<std::string>(words.begin() + 1, words.end())});
  return true;
}

bool Parser::Resolve() {
  for (const Pattern& pattern : song_.patterns) {
    if (pattern.steps.empty()) return Fail(pattern.line, "pattern " + Quoted(pattern.name) + " has no bars");
  }
  for (const Instrument& instrument : song_.instruments) {
    if (instrument.filter == FilterMode::Off && instrument.filterEnv != 0.0f) {
      return Fail(instrument.line, "instrument " + Quoted(instrument.name) + " has a \"filter_env\" but no filter");
    }
  }
  for (const PendingPart& pending : parts_) {
    Part part;
    part.line = pending.line;
    part.instrument = FindInstrument(pending.instrument);
    if (part.instrument < 0) return Fail(pending.line, "no instrument is called " + Quoted(pending.instrument));
    for (const std::string& use : pending.patterns) {
      PatternUse pu;
      size_t colon = use.find(':');
      std::string name = use.substr(0, colon);
      lineNumber_ = pending.line;
      if (colon != std::string::npos &&
          !Whole("the transposition of " + Quoted(name), use.substr(colon + 1), -48, 48, &pu.transpose)) {
        return false;
      }
      pu.pattern = FindPattern(name);
      if (pu.pattern < 0) return Fail(pending.line, "no pattern is called " + Quoted(name));
      part.patterns.push_back(pu);
    }
    song_.sections[pending.section].parts.push_back(part);
  }
  for (const PendingRamp& pending : ramps_) {
    Ramp ramp{FindInstrument(pending.instrument), pending.param, pending.from, pending.to};
    if (ramp.instrument < 0) return Fail(pending.line, "no instrument is called " + Quoted(pending.instrument));
    song_.sections[pending.section].ramps.push_back(ramp);
  }
  if (song_.sections.empty()) return Fail(0, "the song has no sections");
  int bars = 0;
  for (const Section& section : song_.sections) bars += section.bars;
  if (bars > kMaxBars) {
    return Fail(0, "the sections add up to " + std::to_string(bars) + " bars, more than " + std::to_string(kMaxBars));
  }
  return true;
}

int Parser::FindInstrument(const std::string& name) const {
  for (size_t i = 0; i < song_.instruments.size(); ++i) {
    if (song_.instruments[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

int Parser::FindPattern(const std::string& name) const {
  for (size_t i = 0; i < song_.patterns.size(); ++i) {
    if (song_.patterns[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

int ParseNoteName(const std::string& name) {
  static const int kSemitones[] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
  if (name.size() < 2 || name.size() > 3) return -1;
  char letter = name[0];
  if (letter < 'A' || letter > 'G') return -1;
  int semitone = kSemitones[letter - 'A'];
  size_t i = 1;
  if (name[i] == '#') ++semitone, ++i;
  else if (name[i] == 'b') --semitone, ++i;
  if (i + 1 != name.size() || name[i] < '0' || name[i] > '8') return -1;
  int note = (name[i] - '0' + 1) * 12 + semitone;
  return note >= 0 && note <= 127 ? note : -1;
}

std::vector<std::string> SongWarnings(const Song& song, const std::string& fileName) {
  std::vector<std::string> warnings;
  for (const Section& section : song.sections) {
    for (const Part& part : section.parts) {
      size_t steps = 0;
      for (const PatternUse& use : part.patterns) steps += song.patterns[use.pattern].steps.size();
      const size_t round = steps / kStepsPerBar;
      if (round == 0 || section.bars % round == 0) continue;
      warnings.push_back(fileName + " line " + std::to_string(part.line) + ": the patterns of " +
                         Quoted(song.instruments[part.instrument].name) + " last " + std::to_string(round) +
                         " bars, which do not fill the " + std::to_string(section.bars) + " bars of section " +
                         Quoted(section.name) + " evenly; the last round is cut short");
    }
  }
  return warnings;
}

int Song::TotalSixteenths() const { return SectionStart(sections.size()); }

int Song::SectionStart(size_t index) const {
  int start = 0;
  for (size_t i = 0; i < index && i < sections.size(); ++i) start += sections[i].bars * kStepsPerBar;
  return start;
}

bool ParseSong(const std::string& text, const std::string& fileName, Song* song, std::string* error) {
  Parser parser(fileName, error);
  return parser.Run(text, song);
}

bool LoadSong(const std::string& path, Song* song, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = path + ": cannot open the song file";
    return false;
  }
  in.seekg(0, std::ios::end);
  if (in.tellg() > static_cast<std::streamoff>(kMaxSongBytes)) {
    *error = path + ": the song file is larger than " + std::to_string(kMaxSongBytes >> 20) + " MB";
    return false;
  }
  in.seekg(0, std::ios::beg);
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) {
    *error = path + ": cannot read the song file";
    return false;
  }
  return ParseSong(text.str(), path, song, error);
}

}  // namespace synth
