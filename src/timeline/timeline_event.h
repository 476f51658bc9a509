// timeline_event.h -- TimelineEvent and GenericTimelineEvent: the entries of a timeline layer
//
// Start and duration count sixteenth notes of the music. Events are made while the script is
// read: a prototype's Create makes every event of the file, and each event reads its own
// attributes, so the file never names a class.
#pragma once

#include <cstdint>

class TiXmlElement;

class TimelineEvent {
 public:
  TimelineEvent(uint32_t start, uint32_t duration) : start(start), duration(duration) {}
  virtual ~TimelineEvent() = default;

  virtual const char* TypeName() const = 0;
  // A new event of the same class, start 0 and duration 0, owned by the caller.
  virtual TimelineEvent* Create() const = 0;
  // Reads (save false) or writes (save true) "start" and "duration".
  virtual bool Serialize(TiXmlElement* element, bool save);

  uint32_t start;     // sixteenth notes from the start of the music
  uint32_t duration;  // sixteenth notes
};

class GenericTimelineEvent : public TimelineEvent {
 public:
  GenericTimelineEvent() : TimelineEvent(0, 0) {}
  GenericTimelineEvent(uint32_t start, uint32_t duration) : TimelineEvent(start, duration) {}

  const char* TypeName() const override { return "GenericTimelineEvent"; }
  TimelineEvent* Create() const override { return new GenericTimelineEvent(); }
  // The base attributes, then "param0", "param1", "param2".
  bool Serialize(TiXmlElement* element, bool save) override;

  int32_t param0 = 0;  // what the frame handler draws
  int32_t param1 = 0;  // first argument of that drawing
  int32_t param2 = 0;  // second argument
};

// How every integer attribute of the script reads: leading white space, an optional sign, then
// decimal digits up to the first other character; no digits (or no attribute) gives 0. A value
// too large for its destination saturates instead of wrapping.
namespace timeline_text {

// The value as a 32-bit word: exact from -2^31 to 2^32 - 1 (so a negative text gives a very
// large unsigned count), saturated beyond.
uint32_t ReadWord(const char* text);
// The value clamped to the signed 32-bit range.
int32_t ReadInt32(const char* text);
// The value clamped to [INT64_MIN, INT64_MAX]; *hasDigits tells whether any digit was read.
int64_t ReadInt64(const char* text, bool* hasDigits);

}  // namespace timeline_text
