// master.cpp -- compressor, end fade and peak normalisation of the finished mix
#include "tools/synth/master.h"

#include <algorithm>
#include <cmath>

#include "tools/synth/dsp.h"
#include "tools/synth/render.h"

namespace synth {

namespace {

constexpr float kThresholdDb = -14.0f;  // below the peak of the raw mix
constexpr float kRatio = 2.0f;
constexpr float kAttackSeconds = 0.01f;
constexpr float kReleaseSeconds = 0.12f;
constexpr int kEndFadeFrames = kSampleRate / 5;
constexpr float kLimiterDriveDb = 4.0f;
constexpr int kLookaheadFrames = kSampleRate / 200;  // 5 ms
constexpr float kLimiterReleaseSeconds = 0.08f;

// A one-pole high-pass at 10 Hz: removes the offset that asymmetric drum hits leave, which
// would only waste headroom.
void BlockDc(std::vector<float>& stereo) {
  const float pole = std::exp(-2.0f * kPi * 10.0f / kSampleRate);
  float inPrev[2] = {0.0f, 0.0f}, outPrev[2] = {0.0f, 0.0f};
  for (size_t i = 0; i + 1 < stereo.size(); i += 2) {
    for (int c = 0; c < 2; ++c) {
      const float in = stereo[i + c];
      outPrev[c] = in - inPrev[c] + pole * outPrev[c];
      inPrev[c] = in;
      stereo[i + c] = outPrev[c];
    }
  }
}

void Scale(std::vector<float>& stereo, float gain) {
  for (float& s : stereo) s *= gain;
}

// A feed-forward compressor on the louder side's level, followed smoothly: quick to catch a
// drum hit, slow to let go, so the drops get louder without the kick poking out alone.
void Compress(std::vector<float>& stereo) {
  const float attack = 1.0f - std::exp(-1.0f / (kAttackSeconds * kSampleRate));
  const float release = 1.0f - std::exp(-1.0f / (kReleaseSeconds * kSampleRate));
  const float slope = 1.0f - 1.0f / kRatio;
  float level = 0.0f;
  for (size_t i = 0; i + 1 < stereo.size(); i += 2) {
    const float in = std::max(std::fabs(stereo[i]), std::fabs(stereo[i + 1]));
    level += (in > level ? attack : release) * (in - level);
    const float levelDb = 20.0f * std::log10(std::max(level, 1e-6f));
    const float over = levelDb - kThresholdDb;
    if (over <= 0.0f) continue;
    const float gain = std::pow(10.0f, -over * slope / 20.0f);
    stereo[i] *= gain;
    stereo[i + 1] *= gain;
  }
}

// A look-ahead peak limiter with a ceiling of 1. Each frame needs a gain of at most
// 1 / |sample|; the gain curve is the minimum of that need over the next kLookaheadFrames,
// averaged over the last kLookaheadFrames: every frame of the average's window sees the frame's
// own need, so no sample passes the ceiling, and the gain glides down before a hit instead of
// jumping. It recovers slowly, as a fast recovery would distort the bass.
void Limit(std::vector<float>& stereo) {
  const size_t frames = stereo.size() / 2;
  std::vector<float> need(frames);
  for (size_t f = 0; f < frames; ++f) {
    const float level = std::max(std::fabs(stereo[2 * f]), std::fabs(stereo[2 * f + 1]));
    need[f] = level > 1.0f ? 1.0f / level : 1.0f;
  }
  // Forward-looking minimum over a window, with a queue of indices of increasing need.
  std::vector<float> least(frames);
  std::vector<size_t> queue(frames);
  size_t head = 0, tail = 0;
  for (size_t k = frames; k-- > 0;) {
    while (tail > head && need[queue[tail - 1]] >= need[k]) --tail;
    queue[tail++] = k;
    if (queue[head] >= k + kLookaheadFrames) ++head;
    least[k] = need[queue[head]];
  }
  const float recover = 1.0f - std::exp(-1.0f / (kLimiterReleaseSeconds * kSampleRate));
  double sum = 0.0;
  float gain = 1.0f;
  for (size_t f = 0; f < frames; ++f) {
    sum += least[f];
    if (f >= static_cast<size_t>(kLookaheadFrames)) sum -= least[f - kLookaheadFrames];
    const size_t span = std::min<size_t>(f + 1, kLookaheadFrames);
    const float smooth = static_cast<float>(sum / static_cast<double>(span));
    gain = std::min(smooth, gain + recover * (1.0f - gain));
    stereo[2 * f] *= gain;
    stereo[2 * f + 1] *= gain;
  }
}

void FadeEnd(std::vector<float>& stereo) {
  const size_t frames = stereo.size() / 2;
  const size_t fade = std::min<size_t>(frames, kEndFadeFrames);
  for (size_t f = frames - fade; f < frames; ++f) {
    const float g = static_cast<float>(frames - f) / static_cast<float>(fade);
    stereo[2 * f] *= g;
    stereo[2 * f + 1] *= g;
  }
}

}  // namespace

void MasterBus(std::vector<float>& stereo, float peakDbfs) {
  BlockDc(stereo);
  float peak = Peak(stereo);
  if (!(peak > 0.0f)) return;  // silence stays silence
  Scale(stereo, 1.0f / peak);
  Compress(stereo);
  peak = Peak(stereo);
  Scale(stereo, std::pow(10.0f, kLimiterDriveDb / 20.0f) / peak);
  Limit(stereo);
  FadeEnd(stereo);
  peak = Peak(stereo);
  if (peak > 0.0f) Scale(stereo, std::pow(10.0f, peakDbfs / 20.0f) / peak);
}

}  // namespace synth
