// strip_model.h -- what the timeline strip shows, read once from the script
//
// Layer 0's events (the pictures), layer 1's events (the sections, with their names), the tempo
// and the music's length. The strip's picture and its labels are made from this alone, so the
// strip can be drawn and tested without a device.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "src/script/event_names.h"
#include "tools/preview/transport.h"

class Timeline;

namespace preview {

struct PictureEvent {
  uint32_t index;  // in layer 0
  uint32_t startMs, endMs;
  int32_t type, param1, param2;
};

struct StripModel {
  uint32_t lengthMs = 0;  // the music's, or the script's last event end without music
  float bpm = 120.0f;
  std::vector<PictureEvent> events;
  std::vector<Section> sections;
};

// The model of a script's timeline; lengthMs 0 takes the end of its last event.
StripModel ModelOfTimeline(const Timeline& timeline, const EventNames& names, uint32_t lengthMs);

// "flipbook", "still", "scene shot", "sphere", or "type N" for one the demo does not draw.
const char* PictureTypeName(int32_t type);
// The event's arguments at one of three lengths, longest first (detail 0), into out:
// "flipbook 1 zoom 2" / "1 z2" / "1"; "scene cam 2 +12000" / "cam 2" / "2"; ...
void EventLabel(const PictureEvent& event, int detail, char* out, size_t size);

}  // namespace preview
