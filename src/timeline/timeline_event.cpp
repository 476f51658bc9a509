// timeline_event.cpp -- reading and writing the attributes of timeline events
#include "src/timeline/timeline_event.h"

#include <tinyxml.h>

#include <algorithm>
#include <limits>

namespace timeline_text {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

}  // namespace

int64_t ReadInt64(const char* text, bool* hasDigits) {
  *hasDigits = false;
  if (!text) return 0;
  while (IsSpace(*text)) ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') negative = *text++ == '-';
  // Accumulate the magnitude as a negative number: its range reaches INT64_MIN exactly.
  constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
  int64_t value = 0;
  bool saturated = false;
  for (; *text >= '0' && *text <= '9'; ++text) {
    *hasDigits = true;
    int digit = *text - '0';
    if (saturated || value < (kMin + digit) / 10) {
      saturated = true;
      continue;
    }
    value = value * 10 - digit;
  }
  if (saturated) return negative ? kMin : std::numeric_limits<int64_t>::max();
  if (negative) return value;
  return value == kMin ? std::numeric_limits<int64_t>::max() : -value;
}

uint32_t ReadWord(const char* text) {
  bool digits = false;
  int64_t v = ReadInt64(text, &digits);
  v = std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<uint32_t>::max());
  return static_cast<uint32_t>(v);  // modulo 2^32: a negative value keeps its two's-complement word
}

int32_t ReadInt32(const char* text) {
  bool digits = false;
  int64_t v = ReadInt64(text, &digits);
  return static_cast<int32_t>(
      std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

}  // namespace timeline_text

bool TimelineEvent::Serialize(TiXmlElement* element, bool save) {
  if (!element) return false;
  if (save) {
    // "%d" form: the unsigned counts are written as the signed words they are stored in.
    element->SetAttribute("start", static_cast<int>(static_cast<int32_t>(start)));
    element->SetAttribute("duration", static_cast<int>(static_cast<int32_t>(duration)));
  } else {
    start = timeline_text::ReadWord(element->Attribute("start"));
    duration = timeline_text::ReadWord(element->Attribute("duration"));
  }
  return true;
}

bool GenericTimelineEvent::Serialize(TiXmlElement* element, bool save) {
  if (!TimelineEvent::Serialize(element, save)) return false;
  if (save) {
    element->SetAttribute("param0", param0);
    element->SetAttribute("param1", param1);
    element->SetAttribute("param2", param2);
  } else {
    param0 = timeline_text::ReadInt32(element->Attribute("param0"));
    param1 = timeline_text::ReadInt32(element->Attribute("param1"));
    param2 = timeline_text::ReadInt32(element->Attribute("param2"));
  }
  return true;
}
