// script_fuzz.cpp -- libFuzzer target: a demo script's bytes through the document checks,
// TinyXML and the timeline reader
#include <tinyxml.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "src/script/script_document.h"
#include "src/timeline/timeline.h"
#include "src/timeline/timeline_event.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string raw(reinterpret_cast<const char*>(data), size);
  TiXmlDocument doc;
  std::string problem;
  if (!script_document::Parse(raw, &doc, &problem)) {
    if (problem.empty()) std::abort();  // a refusal always says why
    return 0;
  }
  TiXmlElement* demo = doc.FirstChildElement("demo");
  if (!demo) return 0;
  Timeline timeline(0);
  GenericTimelineEvent prototype;
  if (!timeline.Serialize(demo, false, &prototype, &problem) && problem.empty()) std::abort();
  return 0;
}
