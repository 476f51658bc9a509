// effect_dispatcher.h -- EffectDispatcher: the frame handler that turns layer 0 into a picture
//
// Every frame the timeline runs it right after its update. Layer 0's active event chooses one
// effect by param0 and hands it the event's other parameters and the time since the event
// started; every other layer is tracked by the timeline but draws nothing.
#pragma once

#include <cstdint>

#include "src/effects/effect_table.h"
#include "src/timeline/frame_handler.h"

class Device;

// The event types of layer 0, by param0 (compared unsigned: negative values draw nothing).
enum EffectType : uint32_t {
  kEffectSpriteFlipbook = 0,  // param1 pair, param2 zoom
  kEffectSpriteImage = 1,     // param1 still image
  kEffectSceneShot = 2,       // param1 camera index, param2 time offset in ms
  kEffectSphere = 3,          // param1 time offset in ms
};

class EffectDispatcher : public FrameHandler {
 public:
  // Draws through the rows of effects, which must outlive the dispatcher.
  explicit EffectDispatcher(const EffectTable& effects = DemoEffects()) : effects_(&effects) {}
  // Draws the effect of layer 0's active event, or nothing. True in every case.
  bool Run(Timeline* timeline) override;

 private:
  const EffectTable* effects_;
};

// The time arithmetic of the dispatcher, apart so that tests can check it without drawing.
namespace effect_time {
// param2 + elapsed as unsigned 32-bit values, summed without overflow, rounded to the nearest
// float: the scene shot's time.
float SceneShotMs(int32_t offset, uint32_t elapsedMs);
// param1 + elapsed modulo 2^32: the sphere's time.
uint32_t SphereMs(int32_t offset, uint32_t elapsedMs);
// A shot time in whole milliseconds, truncated toward zero and kept inside 0 .. 2^32 - 1.
uint32_t WholeMs(float timeMs);
}  // namespace effect_time
