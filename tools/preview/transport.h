// transport.h -- the preview's transport: play and pause, seek, beats and bars, sections, the loop
//
// The transport owns the preview's idea of time. Every frame Tick gives the time to draw: the
// music's heard position while it plays, the held time while paused. Every action the demo maker
// takes (a key, a click) is one call here, and each prints one line on the action stream,
// "at MS: ..." with MS the music time when it happened, so that scripts and tests can follow.
// Steps snap to the script's grid: Right goes to the next beat, Shift+Right to the next bar.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/preview/music_clock.h"

namespace preview {

// The start of a section (an event of layer 1) and its name, "-" when it has none.
struct Section {
  uint32_t startMs;
  std::string name;
};

// The musical grid: a sixteenth of the script's tempo in ms, whole beats exact as the timeline
// counts them.
class Grid {
 public:
  explicit Grid(float bpm);
  uint32_t SixteenthsToMs(uint64_t count) const;
  // The position of ms on the grid: whole sixteenths since the start.
  uint64_t SixteenthsAt(uint32_t ms) const;
  // The first line of `step` sixteenths after ms, and the last one before it.
  uint32_t NextLine(uint32_t ms, uint32_t step) const;
  uint32_t PreviousLine(uint32_t ms, uint32_t step) const;
  double SixteenthMs() const { return sixteenthMs_; }

 private:
  double sixteenthMs_;
  double quarterBpm_;  // bpm x 4: sixteenths per minute
};

class Transport {
 public:
  // The loop's shortest range: one frame at 60 frames per second.
  static constexpr uint32_t kMinLoopMs = 17;

  Transport(MusicClock* clock, const Grid& grid, std::vector<Section> sections, FILE* actions);

  // Once per frame, before it is drawn: the frame's music time. While the loop plays, each jump
  // back from its end prints "wrap".
  uint32_t Tick();
  uint32_t Time() const { return time_; }
  uint32_t LengthMs() const { return clock_->LengthMs(); }

  void TogglePause();
  bool Paused() const { return paused_; }
  // To ms, clamped to the music's length ("seek LEN (clamped from MS)").
  void Seek(int64_t ms);
  void StepBeats(int beats);  // to the beat lines before or after the time, |beats| of them
  void StepBars(int bars);
  void StepMs(int64_t ms);
  void Home() { Seek(0); }
  // Section n, counted from 1; nothing happens for a number without a section.
  void JumpToSection(int n);
  const std::vector<Section>& Sections() const { return sections_; }

  // The loop's ends at the playhead, or both at once; ToggleLoop turns it on and off. A range
  // shorter than kMinLoopMs (or reversed) does not play: the refusal is Message() and goes to
  // standard error.
  void MarkLoopStart();
  void MarkLoopEnd();
  void SetLoop(uint32_t startMs, uint32_t endMs, bool on);
  void ToggleLoop();
  bool LoopOn() const { return loopOn_; }
  uint32_t LoopStart() const { return loopStart_; }
  uint32_t LoopEnd() const { return loopEnd_; }
  bool HasLoopRange() const { return loopEnd_ > loopStart_; }

  // The script changed: its grid and its sections from here on.
  void SetScript(const Grid& grid, std::vector<Section> sections);
  // The music changed under the clock (a new stream): its position, pause and loop set again.
  void Reapply();
  // One line of its own on the action stream, "at MS: " and the text.
  void Print(const char* format, ...) __attribute__((format(printf, 2, 3)));

  // The last refusal, until the next action; empty when the last action was taken.
  const std::string& Message() const { return message_; }

 private:
  void Say(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void ApplyLoop();
  bool LoopPlayable(std::string* why) const;
  void SayLoop();

  MusicClock* clock_;
  Grid grid_;
  std::vector<Section> sections_;
  FILE* actions_;
  uint32_t time_ = 0;
  bool paused_ = false;
  bool justSought_ = true;  // the next Tick's time is no wrap
  bool loopOn_ = false;
  bool clockLooping_ = false;  // what the clock was last told
  uint32_t loopStart_ = 0, loopEnd_ = 0;
  std::string message_;
};

}  // namespace preview
