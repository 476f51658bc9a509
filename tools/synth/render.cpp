// render.cpp -- the sequencer (patterns laid out per instrument) and the mixer (voices, sends, master)
//
// Work goes step by step: at each sixteenth every instrument's step starts or ends notes, then the
// frames up to the next sixteenth are rendered in short blocks. A block is where ramps, the
// sidechain and the effects advance, so nothing depends on how long a render has run.
#include "tools/synth/render.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include "tools/synth/dsp.h"
#include "tools/synth/effects.h"
#include "tools/synth/master.h"
#include "tools/synth/voice.h"

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

namespace synth {

namespace {

constexpr int kBlockFrames = 64;
constexpr int kPolyphony = 8;
constexpr int kDuckAttackFrames = 88;    // 2 ms: a sudden drop would click

// Every instrument's steps across the whole song, with hits, octaves and transpositions resolved
// to MIDI notes. Where an instrument has no part its track rests.
std::vector<std::vector<Step>> LayOutTracks(const Song& song) {
  const int total = song.TotalSixteenths();
  std::vector<std::vector<Step>> tracks(song.instruments.size(), std::vector<Step>(total));
  for (size_t s = 0; s < song.sections.size(); ++s) {
    const Section& section = song.sections[s];
    const int start = song.SectionStart(s);
    const int length = section.bars * kStepsPerBar;
    for (const Part& part : section.parts) {
      const Instrument& instrument = song.instruments[part.instrument];
      std::vector<Step>& track = tracks[part.instrument];
      int at = 0;
      for (size_t use = 0; at < length; use = (use + 1) % part.patterns.size()) {
        const PatternUse& pu = part.patterns[use];
        for (const Step& source : song.patterns[pu.pattern].steps) {
          if (at == length) break;
          Step step = source;
          for (int n = 0; n < step.count; ++n) {
            int note = step.notes[n] == kHitNote ? instrument.note : step.notes[n];
            note += instrument.octave * 12 + pu.transpose;
            step.notes[n] = static_cast<int16_t>(std::clamp(note, 0, 127));
          }
          track[start + at++] = step;
        }
      }
    }
  }
  return tracks;
}

// Keeps the denormal flush on while a render runs: decaying feedback loops otherwise slow down
// by orders of magnitude on their way to zero.
class FlushDenormals {
 public:
#if defined(__SSE__)
  FlushDenormals() : saved_(_mm_getcsr()) { _mm_setcsr(saved_ | 0x8040); }
  ~FlushDenormals() { _mm_setcsr(saved_); }

 private:
  unsigned saved_;
#endif
};

class Mixer {
 public:
  Mixer(const Song& song, double bpm);
  std::vector<float> Run();

 private:
  void PlayStep(int step);
  void StartNote(int instrument, int note, float velocity);
  void UpdateRamps(int section, int64_t frame);
  void RenderBlock(int frames, float* out);

  const Song& song_;
  const double bpm_;
  std::vector<std::vector<Step>> tracks_;
  std::vector<Voice> voices_;  // kPolyphony per instrument
  std::vector<float> cutoff_, volume_;
  PingPongDelay delay_;
  Reverb reverb_;
  uint64_t notesStarted_ = 0;
  int64_t duckFrames_ = -1;  // frames since the last sidechain hit; -1 before the first
  int64_t sectionStart_ = 0, sectionEnd_ = 1;
};

Mixer::Mixer(const Song& song, double bpm)
    : song_(song),
      bpm_(bpm),
      tracks_(LayOutTracks(song)),
      voices_(song.instruments.size() * kPolyphony),
      cutoff_(song.instruments.size()),
      volume_(song.instruments.size()),
      delay_(static_cast<int>(StepFrame(song.effects.delaySteps, bpm)), song.effects.delayFeedback,
             song.effects.delayTone),
      reverb_(song.effects.reverbSize, song.effects.reverbDamp) {}

void Mixer::StartNote(int instrument, int note, float velocity) {
  Voice* pool = &voices_[static_cast<size_t>(instrument) * kPolyphony];
  Voice* chosen = nullptr;
  for (int i = 0; i < kPolyphony && !chosen; ++i) {
    if (!pool[i].Active()) chosen = &pool[i];
  }
  if (!chosen) {  // every voice sounds: the oldest makes way
    chosen = &pool[0];
    for (int i = 1; i < kPolyphony; ++i) {
      if (pool[i].order < chosen->order) chosen = &pool[i];
    }
  }
  chosen->Start(song_.instruments[instrument], note, velocity, static_cast<uint32_t>(notesStarted_));
  chosen->order = notesStarted_++;
}

void Mixer::PlayStep(int step) {
  for (size_t i = 0; i < tracks_.size(); ++i) {
    const Step& s = tracks_[i][step];
    if (s.kind == Step::Hold) continue;
    Voice* pool = &voices_[i * kPolyphony];
    for (int v = 0; v < kPolyphony; ++v) {
      if (pool[v].held) pool[v].Release();
    }
    if (s.kind == Step::Rest) continue;
    for (int n = 0; n < s.count; ++n) StartNote(static_cast<int>(i), s.notes[n], s.velocity);
    if (song_.instruments[i].sidechain) duckFrames_ = 0;
  }
}

void Mixer::UpdateRamps(int section, int64_t frame) {
  for (size_t i = 0; i < song_.instruments.size(); ++i) {
    cutoff_[i] = song_.instruments[i].cutoff;
    volume_[i] = song_.instruments[i].volume;
  }
  const float t = static_cast<float>(frame - sectionStart_) / static_cast<float>(sectionEnd_ - sectionStart_);
  for (const Ramp& ramp : song_.sections[section].ramps) {
    if (ramp.param == RampParam::Cutoff) {
      // Cutoffs move in equal steps of pitch, as the ear hears a sweep.
      cutoff_[ramp.instrument] = ramp.from * std::pow(ramp.to / ramp.from, t);
    } else {
      volume_[ramp.instrument] = ramp.from + (ramp.to - ramp.from) * t;
    }
  }
}

void Mixer::RenderBlock(int frames, float* out) {
  float duckShape[kBlockFrames];
  const float duckLength = song_.effects.duckTime * kSampleRate;
  for (int f = 0; f < frames; ++f) {
    float shape = 0.0f;
    if (duckFrames_ >= 0) {
      float since = static_cast<float>(duckFrames_++);
      float recover = std::max(0.0f, 1.0f - since / duckLength);
      shape = std::min(1.0f, since / kDuckAttackFrames) * recover * recover;
    }
    duckShape[f] = shape;
  }
  float left[kBlockFrames], right[kBlockFrames];
  float mixLeft[kBlockFrames] = {}, mixRight[kBlockFrames] = {};
  float delaySend[kBlockFrames] = {}, reverbSend[kBlockFrames] = {};
  for (size_t i = 0; i < song_.instruments.size(); ++i) {
    const Instrument& instrument = song_.instruments[i];
    std::fill(left, left + frames, 0.0f);
    std::fill(right, right + frames, 0.0f);
    bool sounding = false;
    for (int v = 0; v < kPolyphony; ++v) {
      Voice& voice = voices_[i * kPolyphony + v];
      if (!voice.Active()) continue;
      voice.Render(instrument, cutoff_[i], left, right, frames);
      sounding = true;
    }
    if (!sounding) continue;
    const float panLeft = std::min(1.0f, 1.0f - instrument.pan);
    const float panRight = std::min(1.0f, 1.0f + instrument.pan);
    for (int f = 0; f < frames; ++f) {
      float gain = volume_[i] * (1.0f - instrument.duck * duckShape[f]);
      float l = left[f] * gain * panLeft;
      float r = right[f] * gain * panRight;
      mixLeft[f] += l;
      mixRight[f] += r;
      delaySend[f] += (l + r) * 0.5f * instrument.delay;
      reverbSend[f] += (l + r) * 0.5f * instrument.reverb;
    }
  }
  delay_.Process(delaySend, mixLeft, mixRight, frames);
  reverb_.Process(reverbSend, mixLeft, mixRight, frames);
  for (int f = 0; f < frames; ++f) {
    out[2 * f] = mixLeft[f];
    out[2 * f + 1] = mixRight[f];
  }
}

std::vector<float> Mixer::Run() {
  const int total = song_.TotalSixteenths();
  const int64_t totalFrames = StepFrame(total, bpm_);
  std::vector<float> out(static_cast<size_t>(totalFrames) * 2, 0.0f);
  size_t section = 0;
  for (int step = 0; step < total; ++step) {
    while (section + 1 < song_.sections.size() && step >= song_.SectionStart(section + 1)) ++section;
    sectionStart_ = StepFrame(song_.SectionStart(section), bpm_);
    sectionEnd_ = StepFrame(song_.SectionStart(section + 1), bpm_);
    PlayStep(step);
    const int64_t end = StepFrame(step + 1, bpm_);
    for (int64_t frame = StepFrame(step, bpm_); frame < end; frame += kBlockFrames) {
      int frames = static_cast<int>(std::min<int64_t>(kBlockFrames, end - frame));
      UpdateRamps(static_cast<int>(section), frame);
      RenderBlock(frames, &out[static_cast<size_t>(frame) * 2]);
    }
  }
  return out;
}

}  // namespace

int64_t StepFrame(int64_t step, double bpm) {
  return static_cast<int64_t>(std::floor(static_cast<double>(step) * kSampleRate * 15.0 / bpm + 0.5));
}

bool SongFits(const Song& song, double bpm, std::string* error) {
  const double seconds = static_cast<double>(StepFrame(song.TotalSixteenths(), bpm)) / kSampleRate;
  if (seconds <= kMaxSongSeconds) return true;
  char text[160];
  std::snprintf(text, sizeof text, "the song lasts %.0f minutes at %g bpm; qolasynth renders at most %.0f",
                seconds / 60.0, bpm, kMaxSongSeconds / 60.0);
  *error = text;
  return false;
}

float Peak(const std::vector<float>& samples) {
  float peak = 0.0f;
  for (float s : samples) peak = std::max(peak, std::fabs(s));
  return peak;
}

std::vector<float> RenderSong(const Song& song, double bpm) {
  FlushDenormals flush;
  auto mixer = std::make_unique<Mixer>(song, std::clamp(bpm, kMinBpm, kMaxBpm));
  std::vector<float> samples = mixer->Run();
  MasterBus(samples, kPeakDbfs);
  return samples;
}

}  // namespace synth
