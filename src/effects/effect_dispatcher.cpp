// effect_dispatcher.cpp -- layer 0's event to the effect table's row that draws it
#include "src/effects/effect_dispatcher.h"

#include "src/device/device.h"
#include "src/timeline/timeline.h"
#include "src/timeline/timeline_event.h"


namespace effect_time {

float SceneShotMs(int32_t offset, uint32_t elapsedMs) {
  // Both are taken as unsigned: a negative offset reads as a large count, as the script's words do.
  const uint64_t sum = static_cast<uint64_t>(static_cast<uint32_t>(offset)) + elapsedMs;
  return static_cast<float>(sum);  // round to nearest
}

uint32_t SphereMs(int32_t offset, uint32_t elapsedMs) {
  return static_cast<uint32_t>(offset) + elapsedMs;  // wraps modulo 2^32
}

uint32_t WholeMs(float timeMs) {
  // A float past the 32-bit range (a shot time can reach 2^33) or not a number has no whole
  // count; converting it would be undefined, so it is kept inside the range.
  if (!(timeMs > 0.0f)) return 0;
  if (timeMs >= 4294967296.0f) return UINT32_MAX;
  return static_cast<uint32_t>(timeMs);
}

}  // namespace effect_time

bool EffectDispatcher::Run(Timeline* timeline) {
  Device* device = Device::Instance();
  const LayerState state = timeline->GetLayerState(0);
  // Every event of the script is made by a GenericTimelineEvent prototype; anything else has no
  // parameters and draws nothing.
  const auto* event = dynamic_cast<const GenericTimelineEvent*>(state.event);
  if (!event || !device) return true;
  const EffectEvent effect = {static_cast<uint32_t>(event->param0), event->param1, event->param2, state.elapsedMs};
  DrawEffect(*effects_, device, effect);  // a type without a row draws nothing
  return true;
}
