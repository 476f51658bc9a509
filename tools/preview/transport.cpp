// transport.cpp -- the preview's time, its actions and their lines
#include "tools/preview/transport.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>

#include "src/timeline/timeline.h"

namespace preview {

namespace {

constexpr uint32_t kBeat = 4;   // sixteenths
constexpr uint32_t kBar = 16;
constexpr double kFallbackSixteenthMs = 125.0;  // 120 bpm, for a tempo that is no number

}  // namespace

Grid::Grid(float bpm) {
  double unit = 60000.0 / (static_cast<double>(bpm) * 4.0);
  bool usable = std::isfinite(unit) && unit > 0.0;
  sixteenthMs_ = usable ? unit : kFallbackSixteenthMs;
  quarterBpm_ = usable ? static_cast<double>(bpm) * 4.0 : 60000.0 / kFallbackSixteenthMs;
}

uint32_t Grid::SixteenthsToMs(uint64_t count) const {
  // As the timeline counts: the quotient last, so whole beats come out exact.
  return timeline_math::SaturatingMs(static_cast<double>(count) * 60000.0 / quarterBpm_);
}

uint64_t Grid::SixteenthsAt(uint32_t ms) const {
  uint64_t n = static_cast<uint64_t>(static_cast<double>(ms) / sixteenthMs_);
  // Whole milliseconds: the line at n is the first n with SixteenthsToMs(n) <= ms.
  while (n > 0 && SixteenthsToMs(n) > ms) --n;
  while (SixteenthsToMs(n + 1) <= ms && SixteenthsToMs(n + 1) != 0xFFFFFFFFu) ++n;
  return n;
}

uint32_t Grid::NextLine(uint32_t ms, uint32_t step) const {
  uint64_t line = SixteenthsAt(ms) / step + 1;
  return SixteenthsToMs(line * step);
}

uint32_t Grid::PreviousLine(uint32_t ms, uint32_t step) const {
  uint64_t line = SixteenthsAt(ms) / step;
  if (SixteenthsToMs(line * step) >= ms && line > 0) --line;
  return SixteenthsToMs(line * step);
}

Transport::Transport(MusicClock* clock, const Grid& grid, std::vector<Section> sections, FILE* actions)
    : clock_(clock), grid_(grid), sections_(std::move(sections)), actions_(actions) {
  time_ = clock_->NowMs();
}

void Transport::Say(const char* format, ...) {
  if (!actions_) return;
  std::fprintf(actions_, "at %u: ", time_);
  va_list args;
  va_start(args, format);
  std::vfprintf(actions_, format, args);
  va_end(args);
  std::fputc('\n', actions_);
  std::fflush(actions_);
}

void Transport::Print(const char* format, ...) {
  if (!actions_) return;
  char text[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  Say("%s", text);
}

void Transport::SetScript(const Grid& grid, std::vector<Section> sections) {
  grid_ = grid;
  sections_ = std::move(sections);
}

void Transport::Reapply() {
  clock_->SetPaused(paused_);
  clockLooping_ = false;
  if (loopOn_) {
    clock_->SetLoop(true, loopStart_, loopEnd_);
    clockLooping_ = true;
  }
  clock_->Seek(std::min(time_, clock_->LengthMs()));
  justSought_ = true;
}

uint32_t Transport::Tick() {
  if (paused_) return time_;
  uint32_t now = clock_->NowMs();
  // The clock went back without a seek: the loop jumped from its end to its start.
  if (!justSought_ && loopOn_ && now < time_) {
    time_ = loopEnd_;
    Say("wrap %u", loopStart_);
  }
  justSought_ = false;
  time_ = now;
  return time_;
}

void Transport::TogglePause() {
  message_.clear();
  if (!paused_) {
    // The picture holds on this time and the music resumes from its very sample.
    time_ = clock_->NowMs();
    clock_->SetPaused(true);
    clock_->Seek(time_);
    paused_ = true;
    Say("pause");
  } else {
    clock_->SetPaused(false);
    paused_ = false;
    justSought_ = true;
    Say("play");
  }
}

void Transport::Seek(int64_t ms) {
  message_.clear();
  uint32_t length = clock_->LengthMs();
  int64_t to = std::clamp<int64_t>(ms, 0, length);
  clock_->Seek(static_cast<uint32_t>(to));
  justSought_ = true;
  if (to != ms) {
    Say("seek %lld (clamped from %lld)", static_cast<long long>(to), static_cast<long long>(ms));
  } else {
    Say("seek %lld", static_cast<long long>(to));
  }
  time_ = static_cast<uint32_t>(to);
}

void Transport::StepBeats(int beats) {
  uint32_t to = time_;
  for (int i = 0; i < std::abs(beats); ++i) to = beats > 0 ? grid_.NextLine(to, kBeat) : grid_.PreviousLine(to, kBeat);
  Seek(to);
}

void Transport::StepBars(int bars) {
  uint32_t to = time_;
  for (int i = 0; i < std::abs(bars); ++i) to = bars > 0 ? grid_.NextLine(to, kBar) : grid_.PreviousLine(to, kBar);
  Seek(to);
}

void Transport::StepMs(int64_t ms) { Seek(static_cast<int64_t>(time_) + ms); }

void Transport::JumpToSection(int n) {
  if (n < 1 || static_cast<size_t>(n) > sections_.size()) return;
  const Section& section = sections_[static_cast<size_t>(n) - 1];
  Say("section %d %s", n, section.name.c_str());
  Seek(section.startMs);
}

bool Transport::LoopPlayable(std::string* why) const {
  if (loopEnd_ <= loopStart_ || loopEnd_ - loopStart_ < kMinLoopMs) {
    char text[160];
    std::snprintf(text, sizeof text, "loop %u %u refused: %s", loopStart_, loopEnd_,
                  loopEnd_ <= loopStart_ ? "its end is not after its start"
                                         : "it is shorter than one frame (17 ms)");
    *why = text;
    return false;
  }
  if (loopEnd_ > clock_->LengthMs()) {
    *why = "loop " + std::to_string(loopStart_) + " " + std::to_string(loopEnd_) + " refused: it ends after the music (" +
           std::to_string(clock_->LengthMs()) + " ms)";
    return false;
  }
  return true;
}

void Transport::ApplyLoop() {
  message_.clear();
  if (loopOn_ && !LoopPlayable(&message_)) {
    loopOn_ = false;
    std::fprintf(stderr, "qolatool preview: %s\n", message_.c_str());
  }
  uint32_t at = paused_ ? time_ : clock_->NowMs();
  // Marks set while no loop plays leave the music alone.
  if (loopOn_ || clockLooping_) clock_->SetLoop(loopOn_, loopStart_, loopEnd_);
  clockLooping_ = loopOn_;
  // Turned on with the playhead outside the range: the loop starts at once.
  if (loopOn_ && (at < loopStart_ || at >= loopEnd_)) {
    clock_->Seek(loopStart_);
    justSought_ = true;
    SayLoop();
    Say("wrap %u", loopStart_);
    time_ = loopStart_;
    return;
  }
  if (paused_) clock_->Seek(time_);
  justSought_ = true;
  SayLoop();
}

void Transport::SayLoop() { Say("loop %u %u %s", loopStart_, loopEnd_, loopOn_ ? "on" : "off"); }

void Transport::MarkLoopStart() {
  loopStart_ = time_;
  ApplyLoop();
}

void Transport::MarkLoopEnd() {
  loopEnd_ = time_;
  ApplyLoop();
}

void Transport::SetLoop(uint32_t startMs, uint32_t endMs, bool on) {
  loopStart_ = startMs;
  loopEnd_ = endMs;
  loopOn_ = on;
  ApplyLoop();
}

void Transport::ToggleLoop() {
  loopOn_ = !loopOn_;
  ApplyLoop();
}

}  // namespace preview
