// script_tempo.cpp -- reading and checking the "bpm" attribute of a demo script
#include "src/script/script_tempo.h"

#include <tinyxml.h>

#include <cfloat>

namespace script_tempo {

bool Read(const TiXmlElement* demo, double* tempo, std::string* why) {
  const std::string line = "line " + std::to_string(demo->Row()) + ": ";
  const char* text = demo->Attribute("bpm");
  double value = 0.0;  // an absent "bpm" reads as 0, which is refused below
  if (demo->QueryDoubleAttribute("bpm", &value) == TIXML_WRONG_TYPE) {
    *why = line + "\"bpm\" is \"" + text + "\", not a number";
    return false;
  }
  if (!(value > 0.0) || value > FLT_MAX) {
    const std::string said = text ? "\"bpm\" is " + std::string(text) : "\"demo\" has no \"bpm\"";
    *why = line + said + "; the tempo must be a number of beats per minute above 0";
    return false;
  }
  const double sixteenthMs = 15000.0 / value;
  if (value < kMinBpm || value > kMaxBpm) {
    *why = line + "\"bpm\" is " + text + "; a sixteenth note would last " +
           (sixteenthMs < 1.0 ? "less than 1 ms" : "more than a minute") +
           " (the tempo may be 0.25 to 15000 beats per minute)";
    return false;
  }
  *tempo = value;
  return true;
}

}  // namespace script_tempo
