// timeline.h -- Timeline: layers of timed events, each layer's active event at a music time
//
// Event positions count sixteenth notes; one lasts 60000 / (bpm x 4) ms. Every frame Update
// finds, per layer, the first event in file order whose half-open span [start, end) holds the
// music time, then RunHandler lets the installed FrameHandler draw from those states.
#pragma once

#include <cstdint>
#include <string>

#include "src/common/grow_array.h"
#include "src/timeline/frame_handler.h"
#include "src/timeline/timeline_event.h"

class TiXmlElement;

// The events of one layer in file order, which is also the search order. Owns its events.
typedef GrowArray<TimelineEvent*> TimelineLayer;

struct LayerState {
  TimelineEvent* event = nullptr;  // the active event, not owned; null when none is active
  uint32_t elapsedMs = 0;          // since the active event's start
  float fraction = 0.0f;           // elapsedMs / the event's length in ms, in [0, 1)
};

class Timeline {
 public:
  // The most layers a script may ask for; more is refused rather than allocated.
  static constexpr uint32_t kMaxLayers = 65536;

  explicit Timeline(uint32_t layerCount);
  ~Timeline();
  Timeline(const Timeline&) = delete;
  Timeline& operator=(const Timeline&) = delete;

  // Clear, then count new empty layers with empty states. False (and nothing changed) for a
  // count above kMaxLayers or when the memory is not there.
  bool SetLayerCount(uint32_t count);
  // Deletes every event and frees the layers and states; numLayers is kept, but a cleared
  // timeline has no layers to update until SetLayerCount is called again.
  void Clear();
  // Clear, then delete the handler.
  void Destroy();

  void SetBpm(float tempo) { bpm = tempo; }
  // count sixteenths in whole milliseconds (the unit kept at double precision).
  uint32_t SixteenthsToMs(uint32_t count) const;
  // A copy of one layer's state; an index past the layers gives a state without an event.
  LayerState GetLayerState(uint32_t index) const;

  void Update(uint32_t timeMs);
  bool RunHandler();
  // Deletes the handler already held, then owns this one.
  void SetHandler(FrameHandler* newHandler);

  // Reads (save false) or writes (save true) the "timeline" child of element. Reading makes
  // every event with prototype->Create. A timeline that cannot be read is refused: false,
  // *problem says why ("line 12: ..."), and the timeline is left as it was.
  bool Serialize(TiXmlElement* element, bool save, const TimelineEvent* prototype,
                 std::string* problem = nullptr);

  uint32_t numLayers = 0;
  float bpm = 120.0f;
  TimelineLayer* layers = nullptr;
  LayerState* states = nullptr;
  FrameHandler* handler = nullptr;

 private:
  uint32_t LiveLayers() const { return layers && states ? numLayers : 0; }
  bool Read(TiXmlElement* element, const TimelineEvent* prototype, std::string* problem);
  void Write(TiXmlElement* element) const;
};

// Conversions of time products to unsigned 32-bit milliseconds: truncated toward zero and
// saturated (NaN and negatives give 0, anything from 2^32 up gives 2^32 - 1).
namespace timeline_math {

uint32_t SaturatingMs(double ms);
// 60000 / (bpm x 4) rounded to single precision; infinite when that does not fit a float.
float SixteenthUnit(float bpm);

}  // namespace timeline_math
