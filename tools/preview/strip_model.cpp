// strip_model.cpp -- the strip's events, sections and labels from the script's timeline
#include "tools/preview/strip_model.h"

#include <algorithm>
#include <cstdio>

#include "src/timeline/timeline.h"

namespace preview {

namespace {

uint32_t EndMs(const Timeline& timeline, const TimelineEvent& event) {
  uint64_t end = static_cast<uint64_t>(event.start) + event.duration;
  return timeline.SixteenthsToMs(static_cast<uint32_t>(std::min<uint64_t>(end, 0xFFFFFFFFu)));
}

}  // namespace

StripModel ModelOfTimeline(const Timeline& timeline, const EventNames& names, uint32_t lengthMs) {
  StripModel model;
  model.bpm = timeline.bpm;
  uint32_t lastEnd = 0;
  uint32_t layers = timeline.layers ? timeline.numLayers : 0;
  for (uint32_t l = 0; l < layers; ++l) {
    const TimelineLayer& layer = timeline.layers[l];
    for (uint32_t i = 0; i < layer.count; ++i) {
      const TimelineEvent* event = layer[i];
      uint32_t start = timeline.SixteenthsToMs(event->start);
      uint32_t end = EndMs(timeline, *event);
      lastEnd = std::max(lastEnd, end);
      if (l == 0) {
        const auto* generic = dynamic_cast<const GenericTimelineEvent*>(event);
        model.events.push_back(PictureEvent{i, start, end, generic ? generic->param0 : -1,
                                            generic ? generic->param1 : 0, generic ? generic->param2 : 0});
      } else if (l == 1) {
        std::string name = l < names.size() && i < names[l].size() ? names[l][i] : std::string();
        model.sections.push_back(Section{start, name.empty() ? "-" : name});
      }
    }
  }
  model.lengthMs = lengthMs ? lengthMs : lastEnd;
  return model;
}

const char* PictureTypeName(int32_t type) {
  switch (type) {
    case 0: return "flipbook";
    case 1: return "still";
    case 2: return "scene shot";
    case 3: return "sphere";
    default: return nullptr;
  }
}

void EventLabel(const PictureEvent& e, int detail, char* out, size_t size) {
  if (size == 0) return;
  const int a = e.param1, b = e.param2;
  switch (e.type) {
    case 0:
      if (detail == 0) std::snprintf(out, size, "flipbook %d zoom %d", a, b);
      else if (detail == 1) std::snprintf(out, size, "%d z%d", a, b);
      else std::snprintf(out, size, "%d", a);
      break;
    case 1:
      if (detail == 0) std::snprintf(out, size, "still %d", a);
      else std::snprintf(out, size, "%d", a);
      break;
    case 2:
      if (detail == 0) std::snprintf(out, size, "scene cam %d %+d", a, b);
      else if (detail == 1) std::snprintf(out, size, "cam %d", a);
      else std::snprintf(out, size, "%d", a);
      break;
    case 3:
      if (detail == 0) std::snprintf(out, size, "sphere %+d", a);
      else if (detail == 1) std::snprintf(out, size, "sph");
      else std::snprintf(out, size, "s");
      break;
    default:
      std::snprintf(out, size, detail == 0 ? "type %d" : "%d", e.type);
      break;
  }
}

}  // namespace preview
