// timeline.cpp -- the timeline's layers and the per-frame search for each layer's active event
#include "src/timeline/timeline.h"

#include <cfloat>
#include <cmath>
#include <limits>
#include <new>

namespace timeline_math {

uint32_t SaturatingMs(double ms) {
  if (!(ms > 0.0)) return 0;  // also NaN
  if (ms >= 4294967296.0) return std::numeric_limits<uint32_t>::max();
  return static_cast<uint32_t>(ms);
}

float SixteenthUnit(float bpm) {
  double unit = 60000.0 / (static_cast<double>(bpm) * 4.0);
  if (std::isnan(unit)) return std::numeric_limits<float>::quiet_NaN();
  if (unit > FLT_MAX) return std::numeric_limits<float>::infinity();
  if (unit < -FLT_MAX) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(unit);
}

}  // namespace timeline_math

Timeline::Timeline(uint32_t layerCount) { SetLayerCount(layerCount); }

Timeline::~Timeline() { Destroy(); }

bool Timeline::SetLayerCount(uint32_t count) {
  if (count > kMaxLayers) return false;
  TimelineLayer* newLayers = new (std::nothrow) TimelineLayer[count];
  LayerState* newStates = new (std::nothrow) LayerState[count];
  if (!newLayers || !newStates) {
    delete[] newLayers;
    delete[] newStates;
    return false;
  }
  Clear();
  numLayers = count;
  layers = newLayers;
  states = newStates;
  return true;
}

void Timeline::Clear() {
  if (!layers && !states) return;
  delete[] states;
  states = nullptr;
  if (layers) {
    for (uint32_t i = 0; i < numLayers; ++i) {
      for (TimelineEvent* event : layers[i]) delete event;
    }
    delete[] layers;
    layers = nullptr;
  }
}

void Timeline::Destroy() {
  Clear();
  delete handler;
  handler = nullptr;
}

uint32_t Timeline::SixteenthsToMs(uint32_t count) const {
  // The quotient last, so whole beats come out exact (133 sixteenths at 133 bpm are 15000 ms).
  return timeline_math::SaturatingMs(static_cast<double>(count) * 60000.0 / (static_cast<double>(bpm) * 4.0));
}

LayerState Timeline::GetLayerState(uint32_t index) const {
  if (index >= LiveLayers()) return LayerState();
  return states[index];
}

void Timeline::Update(uint32_t timeMs) {
  // The unit is rounded to single precision before it multiplies, so positions land where the
  // demo has always put them (an event at 133 sixteenths and 133 bpm starts at 14999 ms).
  const double unit = timeline_math::SixteenthUnit(bpm);
  for (uint32_t i = 0; i < LiveLayers(); ++i) {
    LayerState& state = states[i];
    state.event = nullptr;
    for (TimelineEvent* event : layers[i]) {
      uint32_t startMs = timeline_math::SaturatingMs(static_cast<double>(event->start) * unit);
      // start + duration saturates: a huge duration (a negative text) is a very long event.
      uint64_t end = static_cast<uint64_t>(event->start) + event->duration;
      if (end > std::numeric_limits<uint32_t>::max()) end = std::numeric_limits<uint32_t>::max();
      uint32_t endMs = timeline_math::SaturatingMs(static_cast<double>(end) * unit);
      if (startMs <= timeMs && timeMs < endMs) {
        state.event = event;
        state.elapsedMs = timeMs - startMs;
        float fraction = static_cast<float>(static_cast<double>(state.elapsedMs) / static_cast<double>(endMs - startMs));
        // Rounding to a float can reach 1 on spans of billions of ms; the fraction stays below it.
        state.fraction = fraction < 1.0f ? fraction : std::nextafter(1.0f, 0.0f);
        break;
      }
    }
  }
}

bool Timeline::RunHandler() { return handler ? handler->Run(this) : false; }

void Timeline::SetHandler(FrameHandler* newHandler) {
  if (handler == newHandler) return;
  delete handler;
  handler = newHandler;
}
