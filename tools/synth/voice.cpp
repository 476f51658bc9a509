// voice.cpp -- one note: unison oscillators and noise, pitch drop, filter with envelope, amplitude envelope
#include "tools/synth/voice.h"

#include <cmath>

namespace synth {

namespace {

constexpr int kFilterUpdateFrames = 16;  // the filter's coefficients follow its envelope this often
constexpr int kBurstFrames = kSampleRate / 100;  // hand-clap repeats, 10 ms apart

float NoteFrequency(int note) { return 440.0f * std::exp2((note - 69) / 12.0f); }

}  // namespace

void Voice::Start(const Instrument& instrument, int note, float velocity, uint32_t seed) {
  unison_ = instrument.unison < 1 ? 1 : instrument.unison > kMaxUnison ? kMaxUnison : instrument.unison;
  const float frequency = NoteFrequency(note);
  const float norm = 1.0f / std::sqrt(static_cast<float>(unison_));
  for (int i = 0; i < unison_; ++i) {
    // Copies spread evenly over the detune range and from left to right; each starts at its own
    // phase so that they do not all hit the same edge at once.
    float spread = unison_ > 1 ? 2.0f * i / (unison_ - 1) - 1.0f : 0.0f;
    float cents = 0.5f * instrument.detune * spread;
    increment_[i] = frequency * std::exp2(cents / 1200.0f) / kSampleRate;
    phase_[i] = unison_ > 1 ? std::fmod(0.61803398f * i, 1.0f) : 0.0f;
    float angle = (spread * 0.8f + 1.0f) * 0.25f * kPi;  // keep every copy a little in both ears
    gainLeft_[i] = std::cos(angle) * norm * 1.41421356f;
    gainRight_[i] = std::sin(angle) * norm * 1.41421356f;
  }
  velocity_ = velocity;
  amp_.level = 0.0f;
  amp_.Start(instrument.attack, instrument.decay, instrument.sustain, instrument.release);
  pitchLevel_ = instrument.pitchEnv;
  pitchFactor_ = FallFactor(instrument.pitchDecay);
  filterLevel_ = instrument.filterEnv;
  filterFactor_ = std::pow(FallFactor(instrument.filterDecay), static_cast<float>(kFilterUpdateFrames));
  filterCountdown_ = 0;
  filterLeft_ = Svf();
  filterRight_ = Svf();
  noise_.state = seed * 2654435761u + 0x6D2B79F5u;
  if (noise_.state == 0) noise_.state = 1;
  burstsLeft_ = instrument.bursts - 1;
  burstCountdown_ = kBurstFrames;
  held = true;
}

void Voice::UpdateFilter(const Instrument& instrument, float cutoff) {
  float hz = cutoff * std::exp2(filterLevel_);
  filterLeft_.Set(hz, instrument.resonance);
  filterRight_.Set(hz, instrument.resonance);
}

template <Wave kWave>
float Voice::Oscillator(int copy, float pitchRatio) {
  float t = phase_[copy];
  float dt = increment_[copy] * pitchRatio;
  float out = 0.0f;
  switch (kWave) {
    case Wave::Sine: out = std::sin(2.0f * kPi * t); break;
    case Wave::Triangle: out = 4.0f * std::fabs(t - 0.5f) - 1.0f; break;
    case Wave::Saw: out = 2.0f * t - 1.0f - PolyBlep(t, dt); break;
    case Wave::Square: {
      float half = t + 0.5f;
      if (half >= 1.0f) half -= 1.0f;
      out = (t < 0.5f ? 1.0f : -1.0f) + PolyBlep(t, dt) - PolyBlep(half, dt);
      break;
    }
    case Wave::Noise: out = noise_.Next(); break;
  }
  t += dt;
  if (t >= 1.0f) t -= std::floor(t);
  phase_[copy] = t;
  return out;
}

void Voice::Render(const Instrument& instrument, float cutoff, float* left, float* right, int frames) {
  // One loop per waveform, so the choice is made once a block instead of once a sample.
  switch (instrument.wave) {
    case Wave::Sine: return RenderWave<Wave::Sine>(instrument, cutoff, left, right, frames);
    case Wave::Triangle: return RenderWave<Wave::Triangle>(instrument, cutoff, left, right, frames);
    case Wave::Saw: return RenderWave<Wave::Saw>(instrument, cutoff, left, right, frames);
    case Wave::Square: return RenderWave<Wave::Square>(instrument, cutoff, left, right, frames);
    case Wave::Noise: return RenderWave<Wave::Noise>(instrument, cutoff, left, right, frames);
  }
}

template <Wave kWave>
void Voice::RenderWave(const Instrument& instrument, float cutoff, float* left, float* right, int frames) {
  const bool filtered = instrument.filter != FilterMode::Off;
  const float toneMix = 1.0f - instrument.noise;
  for (int f = 0; f < frames && Active(); ++f) {
    if (burstsLeft_ > 0 && --burstCountdown_ == 0) {
      amp_.level = 1.0f;  // the clap's next slap
      amp_.stage = Envelope::Decay;
      --burstsLeft_;
      burstCountdown_ = kBurstFrames;
    }
    float pitchRatio = 1.0f;
    if (pitchLevel_ != 0.0f) {
      pitchRatio = std::exp2(pitchLevel_ * (1.0f / 12.0f));
      pitchLevel_ *= pitchFactor_;
      if (std::fabs(pitchLevel_) < 1e-3f) pitchLevel_ = 0.0f;
    }
    float sumLeft = 0.0f, sumRight = 0.0f;
    for (int i = 0; i < unison_; ++i) {
      float s = Oscillator<kWave>(i, pitchRatio);
      sumLeft += s * gainLeft_[i];
      sumRight += s * gainRight_[i];
    }
    if (instrument.noise > 0.0f) {
      float n = noise_.Next() * instrument.noise;
      sumLeft = sumLeft * toneMix + n;
      sumRight = sumRight * toneMix + n;
    }
    if (filtered) {
      if (filterCountdown_-- == 0) {
        UpdateFilter(instrument, cutoff);
        filterLevel_ *= filterFactor_;  // the envelope's fall over one update
        filterCountdown_ = kFilterUpdateFrames - 1;
      }
      float low, band, high;
      filterLeft_.Tick(sumLeft, &low, &band, &high);
      sumLeft = instrument.filter == FilterMode::LowPass ? low : instrument.filter == FilterMode::HighPass ? high : band;
      filterRight_.Tick(sumRight, &low, &band, &high);
      sumRight = instrument.filter == FilterMode::LowPass ? low : instrument.filter == FilterMode::HighPass ? high : band;
    }
    float gain = amp_.Next() * velocity_;
    left[f] += sumLeft * gain;
    right[f] += sumRight * gain;
  }
}

}  // namespace synth
