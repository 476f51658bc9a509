// effects.h -- the shared echo (ping-pong, tempo-locked) and reverb that instruments send to
#pragma once

#include <vector>

#include "tools/synth/song.h"

namespace synth {

// A ping-pong echo: the input goes to the left line, every repeat crosses to the other side and
// passes a low-pass, so the echoes darken as they fade.
class PingPongDelay {
 public:
  PingPongDelay(int delayFrames, float feedback, float toneHz);
  // Adds the echo of in (mono) to left and right.
  void Process(const float* in, float* left, float* right, int frames);

 private:
  std::vector<float> lineLeft_, lineRight_;
  size_t position_ = 0;
  float feedback_;
  float toneCoefficient_;
  float toneLeft_ = 0.0f, toneRight_ = 0.0f;
};

// A Schroeder-Moorer reverb of eight damped combs and four all-passes per side, the sides a
// few samples apart so the tail is wide.
class Reverb {
 public:
  Reverb(float size, float damp);
  // Adds the reverb of in (mono) to left and right.
  void Process(const float* in, float* left, float* right, int frames);

 private:
  struct Comb {
    std::vector<float> buffer;
    size_t position = 0;
    float store = 0.0f;
  };
  struct AllPass {
    std::vector<float> buffer;
    size_t position = 0;
  };
  static float TickComb(Comb& comb, float in, float feedback, float damp);
  static float TickAllPass(AllPass& allPass, float in);

  Comb combs_[2][8];
  AllPass allPasses_[2][4];
  float feedback_, damp_;
};

}  // namespace synth
