// event_names.cpp -- the events' "name" attributes, read beside the timeline
#include "src/script/event_names.h"

#include <tinyxml.h>

#include "src/script/script_document.h"
#include "src/timeline/timeline.h"

EventNames ReadEventNames(const char* file, const Timeline& timeline) {
  EventNames names(timeline.layers ? timeline.numLayers : 0);
  for (uint32_t l = 0; l < names.size(); ++l) names[l].resize(timeline.layers[l].count);
  TiXmlDocument doc;
  std::string problem;
  if (!script_document::Load(file, &doc, &problem)) return names;  // read once already; no names
  TiXmlElement* demo = doc.FirstChildElement("demo");
  TiXmlElement* timelineElement = demo ? demo->FirstChildElement("timeline") : nullptr;
  if (!timelineElement) return names;
  uint32_t l = 0;
  for (TiXmlElement* layer = timelineElement->FirstChildElement("layer"); layer && l < names.size();
       layer = layer->NextSiblingElement("layer"), ++l) {
    size_t i = 0;
    for (TiXmlElement* event = layer->FirstChildElement("event"); event && i < names[l].size();
         event = event->NextSiblingElement("event"), ++i) {
      if (const char* name = event->Attribute("name")) {
        names[l][i] = name;
        for (char& c : names[l][i]) {
          if (static_cast<unsigned char>(c) < 0x20) c = ' ';
        }
      }
    }
  }
  return names;
}
