// timeline_serialize.cpp -- the "timeline" element of the demo script: reading and writing
//
//   <timeline num_layers="2">
//     <layer> <event start="0" duration="16" param0="1" param1="0" param2="0"/> ... </layer>
//     <layer/>
//   </timeline>
// The n-th "layer" element fills layer n; other children, text and comments are skipped.
#include <tinyxml.h>

#include <cstdint>
#include <string>

#include "src/timeline/timeline.h"

namespace {

std::string Line(const TiXmlNode* node) { return "line " + std::to_string(node->Row()) + ": "; }

const char* const kOrdinals[] = {"first", "second", "third", "fourth", "fifth",
                                 "sixth", "seventh", "eighth", "ninth", "tenth"};

// `"num_layers" is 1 but a second "layer" follows`
std::string TooManyLayers(const char* numLayersText, int64_t numLayers) {
  std::string said = numLayersText ? "\"num_layers\" is " + std::string(numLayersText)
                                   : "\"timeline\" has no \"num_layers\" (so 0 layers)";
  uint64_t extra = static_cast<uint64_t>(numLayers) + 1;
  if (extra >= 2 && extra <= 10) return said + " but a " + kOrdinals[extra - 1] + " \"layer\" follows";
  if (numLayers == 0) return said + " but a \"layer\" follows";
  return said + " but \"layer\" number " + std::to_string(extra) + " follows";
}

void SetProblem(std::string* problem, const std::string& text) {
  if (problem) *problem = text;
}

}  // namespace

bool Timeline::Serialize(TiXmlElement* element, bool save, const TimelineEvent* prototype, std::string* problem) {
  if (!element) {
    SetProblem(problem, "no element to read the timeline from");
    return false;
  }
  if (save) {
    Write(element);
    return true;
  }
  return Read(element, prototype, problem);
}

bool Timeline::Read(TiXmlElement* element, const TimelineEvent* prototype, std::string* problem) {
  TiXmlElement* timeline = element->FirstChildElement("timeline");
  if (!timeline) {
    SetProblem(problem, Line(element) + "\"" + element->ValueStr() + "\" has no \"timeline\" element");
    return false;
  }
  // Every check comes before SetLayerCount, so a refused timeline keeps its old events.
  const char* numLayersText = timeline->Attribute("num_layers");
  bool digits = false;
  int64_t numLayers = timeline_text::ReadInt64(numLayersText, &digits);
  if (numLayers < 0) {
    SetProblem(problem, Line(timeline) + "\"num_layers\" is " + numLayersText + "; a timeline has 0 or more layers");
    return false;
  }
  if (numLayers > kMaxLayers) {
    // Quoted as written: a value past 64 bits was clamped by the reading.
    SetProblem(problem, Line(timeline) + "\"num_layers\" is " + numLayersText + ", more than the " +
                            std::to_string(kMaxLayers) + " layers a timeline can hold");
    return false;
  }
  int64_t layerElements = 0;
  for (TiXmlElement* layer = timeline->FirstChildElement("layer"); layer;
       layer = layer->NextSiblingElement("layer")) {
    if (++layerElements > numLayers) {
      SetProblem(problem, Line(layer) + TooManyLayers(numLayersText, numLayers));
      return false;
    }
    if (!prototype && layer->FirstChildElement("event")) {
      SetProblem(problem, Line(layer) + "no event prototype to make the events with");
      return false;
    }
  }
  if (!SetLayerCount(static_cast<uint32_t>(numLayers))) {
    SetProblem(problem, Line(timeline) + "no memory for " + std::to_string(numLayers) + " layers");
    return false;
  }
  uint32_t index = 0;
  for (TiXmlElement* layer = timeline->FirstChildElement("layer"); layer;
       layer = layer->NextSiblingElement("layer"), ++index) {
    for (TiXmlElement* eventElement = layer->FirstChildElement("event"); eventElement;
         eventElement = eventElement->NextSiblingElement("event")) {
      TimelineEvent* event = prototype->Create();
      event->Serialize(eventElement, false);
      if (layers[index].Append(event) < 0) {
        delete event;
        Clear();
        SetProblem(problem, Line(eventElement) + "no memory for another event");
        return false;
      }
    }
  }
  return true;
}

void Timeline::Write(TiXmlElement* element) const {
  TiXmlElement timeline("timeline");
  timeline.SetAttribute("num_layers", static_cast<int>(numLayers));  // at most kMaxLayers when read
  for (uint32_t i = 0; i < LiveLayers(); ++i) {
    TiXmlElement layer("layer");
    for (TimelineEvent* event : layers[i]) {
      TiXmlElement eventElement("event");
      event->Serialize(&eventElement, true);
      layer.InsertEndChild(eventElement);
    }
    timeline.InsertEndChild(layer);
  }
  element->InsertEndChild(timeline);
}
