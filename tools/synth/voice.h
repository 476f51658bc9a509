// voice.h -- Voice: one sounding note of an instrument, from its start to the end of its release
#pragma once

#include <cstdint>

#include "tools/synth/dsp.h"
#include "tools/synth/song.h"

namespace synth {

constexpr int kMaxUnison = 8;

class Voice {
 public:
  // Starts note (MIDI) at velocity 0..1; seed picks this voice's noise.
  void Start(const Instrument& instrument, int note, float velocity, uint32_t seed);
  // The note ends: the envelope goes into its release.
  void Release() { amp_.Stop(); held = false; }
  bool Active() const { return amp_.stage != Envelope::Idle; }

  // Adds frames samples of the voice to left and right. cutoff is the instrument's cutoff now,
  // which a section's ramp may move.
  void Render(const Instrument& instrument, float cutoff, float* left, float* right, int frames);

  bool held = false;       // the pattern still holds the note
  uint64_t order = 0;      // when it started, for stealing the oldest voice

 private:
  void UpdateFilter(const Instrument& instrument, float cutoff);
  template <Wave kWave>
  void RenderWave(const Instrument& instrument, float cutoff, float* left, float* right, int frames);
  template <Wave kWave>
  float Oscillator(int copy, float pitchRatio);

  int unison_ = 1;
  float phase_[kMaxUnison] = {};
  float increment_[kMaxUnison] = {};
  float gainLeft_[kMaxUnison] = {};
  float gainRight_[kMaxUnison] = {};
  float velocity_ = 1.0f;
  Envelope amp_;
  float pitchLevel_ = 0.0f, pitchFactor_ = 0.0f;
  float filterLevel_ = 0.0f, filterFactor_ = 0.0f;
  int filterCountdown_ = 0;
  Svf filterLeft_, filterRight_;
  Noise noise_;
  int burstsLeft_ = 0;
  int burstCountdown_ = 0;
};

}  // namespace synth
