// sections.cpp -- formats the section list with the timeline's own sixteenth-to-millisecond rule
#include "tools/synth/sections.h"

#include <cinttypes>
#include <cstdio>

namespace synth {

namespace {

// The timeline rounds the length of a sixteenth to a float before it multiplies, and truncates.
uint64_t SixteenthMs(int sixteenths, double bpm) {
  const float unit = static_cast<float>(60000.0 / (bpm * 4.0));
  return static_cast<uint64_t>(static_cast<double>(sixteenths) * static_cast<double>(unit));
}

}  // namespace

std::string FormatSections(const Song& song, double bpm) {
  std::string out;
  char line[256];
  std::snprintf(line, sizeof line, "# %g bpm: a sixteenth is %g ms, a bar of %d sixteenths %g ms\n", bpm,
                60000.0 / (bpm * 4.0), kStepsPerBar, 60000.0 * kStepsPerBar / (bpm * 4.0));
  out += line;
  std::snprintf(line, sizeof line, "%-16s %5s %6s %6s %9s %9s\n", "# section", "bars", "start", "length", "start_ms",
                "end_ms");
  out += line;
  for (size_t i = 0; i < song.sections.size(); ++i) {
    const Section& section = song.sections[i];
    const int start = song.SectionStart(i);
    const int length = section.bars * kStepsPerBar;
    std::snprintf(line, sizeof line, "%-16s %5d %6d %6d %9" PRIu64 " %9" PRIu64 "\n", section.name.c_str(),
                  section.bars, start, length, SixteenthMs(start, bpm), SixteenthMs(start + length, bpm));
    out += line;
  }
  const int total = song.TotalSixteenths();
  std::snprintf(line, sizeof line, "%-16s %5d %6d %6d %9d %9" PRIu64 "\n", "total", total / kStepsPerBar, 0, total,
                0, SixteenthMs(total, bpm));
  out += line;
  return out;
}

}  // namespace synth
