// effects.cpp -- ping-pong echo and comb/all-pass reverb
#include "tools/synth/effects.h"

#include <cmath>

#include "tools/synth/dsp.h"

namespace synth {

PingPongDelay::PingPongDelay(int delayFrames, float feedback, float toneHz)
    : lineLeft_(delayFrames > 0 ? delayFrames : 1, 0.0f),
      lineRight_(delayFrames > 0 ? delayFrames : 1, 0.0f),
      feedback_(feedback),
      toneCoefficient_(1.0f - std::exp(-2.0f * kPi * toneHz / kSampleRate)) {}

void PingPongDelay::Process(const float* in, float* left, float* right, int frames) {
  for (int f = 0; f < frames; ++f) {
    float outLeft = lineLeft_[position_];
    float outRight = lineRight_[position_];
    toneLeft_ += toneCoefficient_ * (outLeft - toneLeft_);
    toneRight_ += toneCoefficient_ * (outRight - toneRight_);
    lineLeft_[position_] = in[f] + feedback_ * toneRight_;
    lineRight_[position_] = feedback_ * toneLeft_;
    left[f] += outLeft;
    right[f] += outRight;
    if (++position_ == lineLeft_.size()) position_ = 0;
  }
}

namespace {

// Delay lengths in samples at 44.1 kHz: mutually prime-ish, so the combs' echoes do not line up.
const int kCombLengths[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
const int kAllPassLengths[4] = {556, 441, 341, 225};
constexpr int kStereoSpread = 23;
constexpr float kInputGain = 0.015f;

}  // namespace

Reverb::Reverb(float size, float damp) : feedback_(0.7f + 0.28f * size), damp_(0.4f * damp) {
  for (int side = 0; side < 2; ++side) {
    for (int i = 0; i < 8; ++i) combs_[side][i].buffer.assign(kCombLengths[i] + side * kStereoSpread, 0.0f);
    for (int i = 0; i < 4; ++i) allPasses_[side][i].buffer.assign(kAllPassLengths[i] + side * kStereoSpread, 0.0f);
  }
}

float Reverb::TickComb(Comb& comb, float in, float feedback, float damp) {
  float out = comb.buffer[comb.position];
  comb.store = out * (1.0f - damp) + comb.store * damp;
  comb.buffer[comb.position] = in + comb.store * feedback;
  if (++comb.position == comb.buffer.size()) comb.position = 0;
  return out;
}

float Reverb::TickAllPass(AllPass& allPass, float in) {
  float delayed = allPass.buffer[allPass.position];
  allPass.buffer[allPass.position] = in + delayed * 0.5f;
  if (++allPass.position == allPass.buffer.size()) allPass.position = 0;
  return delayed - in;
}

void Reverb::Process(const float* in, float* left, float* right, int frames) {
  for (int f = 0; f < frames; ++f) {
    float input = in[f] * kInputGain;
    float out[2];
    for (int side = 0; side < 2; ++side) {
      float sum = 0.0f;
      for (Comb& comb : combs_[side]) sum += TickComb(comb, input, feedback_, damp_);
      for (AllPass& allPass : allPasses_[side]) sum = TickAllPass(allPass, sum);
      out[side] = sum;
    }
    left[f] += out[0];
    right[f] += out[1];
  }
}

}  // namespace synth
