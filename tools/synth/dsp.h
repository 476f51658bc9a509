// dsp.h -- the small building blocks of qolasynth's sounds: noise, band-limited edges, filter, envelope
#pragma once

#include <cmath>
#include <cstdint>

namespace synth {

constexpr int kSampleRate = 44100;
constexpr float kPi = 3.14159265358979f;

// xorshift32: white noise from a fixed seed, so every render is the same.
struct Noise {
  uint32_t state = 0x9E3779B9u;
  float Next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<float>(static_cast<int32_t>(state)) * (1.0f / 2147483648.0f);
  }
};

// The polynomial band-limited step: subtracted at each jump of a naive saw or square, it removes
// most of the aliasing that a jump between two samples makes. t is the phase in [0, 1), dt the
// phase increment of one sample.
inline float PolyBlep(float t, float dt) {
  if (t < dt) {
    t /= dt;
    return t + t - t * t - 1.0f;
  }
  if (t > 1.0f - dt) {
    t = (t - 1.0f) / dt;
    return t * t + t + t + 1.0f;
  }
  return 0.0f;
}

// Topology-preserving state-variable filter (trapezoidal integration): stable under fast cutoff
// changes, which the filter envelopes and sweeps make all the time.
struct Svf {
  float a1 = 0.0f, a2 = 0.0f, a3 = 0.0f, k = 2.0f;
  float ic1 = 0.0f, ic2 = 0.0f;

  void Set(float cutoffHz, float resonance) {
    float fc = std::fmin(std::fmax(cutoffHz, 20.0f), 0.45f * kSampleRate);
    float g = std::tan(kPi * fc / kSampleRate);
    k = 2.0f - 1.96f * resonance;
    a1 = 1.0f / (1.0f + g * (g + k));
    a2 = g * a1;
    a3 = g * a2;
  }
  // One sample in; low, band and high pass out.
  void Tick(float v0, float* low, float* band, float* high) {
    float v3 = v0 - ic2;
    float v1 = a1 * ic1 + a2 * v3;
    float v2 = ic2 + a2 * ic1 + a3 * v3;
    ic1 = 2.0f * v1 - ic1;
    ic2 = 2.0f * v2 - ic2;
    *low = v2;
    *band = v1;
    *high = v0 - k * v1 - v2;
  }
};

// Per-sample factor that takes a level down by 60 dB in the given number of seconds.
inline float FallFactor(float seconds) { return std::exp(-6.9077553f / (seconds * kSampleRate)); }

// Attack rises in a straight line; decay and release fall exponentially, as struck and plucked
// sounds do.
struct Envelope {
  enum Stage : uint8_t { Idle, Attack, Decay, Release };
  Stage stage = Idle;
  float level = 0.0f;
  float attackStep = 1.0f, decayFactor = 0.0f, releaseFactor = 0.0f, sustain = 0.0f;

  void Start(float attack, float decay, float sustainLevel, float release) {
    attackStep = attack > 0.0f ? 1.0f / (attack * kSampleRate) : 1.0f;
    decayFactor = FallFactor(decay);
    releaseFactor = FallFactor(release);
    sustain = sustainLevel;
    stage = Attack;
  }
  void Stop() {
    if (stage != Idle) stage = Release;
  }
  float Next() {
    switch (stage) {
      case Attack:
        level += attackStep;
        if (level >= 1.0f) level = 1.0f, stage = Decay;
        break;
      case Decay:
        level = sustain + (level - sustain) * decayFactor;
        if (sustain == 0.0f && level < 1e-4f) stage = Idle, level = 0.0f;
        break;
      case Release:
        level *= releaseFactor;
        if (level < 1e-4f) stage = Idle, level = 0.0f;
        break;
      case Idle:
        break;
    }
    return level;
  }
};

}  // namespace synth
