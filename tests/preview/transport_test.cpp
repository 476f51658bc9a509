// transport_test.cpp -- the preview's transport on a clock the test moves: the steps land on the
// script's grid, seeks clamp and say so, sections, pause, and a loop that wraps and refuses what
// cannot play; each action's line as scripts read it
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tools/preview/music_clock.h"
#include "tools/preview/transport.h"

namespace {

using preview::Grid;
using preview::Section;
using preview::SilentClock;
using preview::Transport;

// A steady clock the test sets by hand, read by SilentClock as the monotonic clock.
std::chrono::steady_clock::time_point fakeNow;
std::chrono::steady_clock::time_point FakeNow() { return fakeNow; }
void Advance(int ms) { fakeNow += std::chrono::milliseconds(ms); }

// The lines the transport printed since the last call.
class Lines {
 public:
  Lines() : file_(std::tmpfile()) {}
  ~Lines() { std::fclose(file_); }
  FILE* File() { return file_; }
  std::vector<std::string> Take() {
    std::vector<std::string> lines;
    std::fseek(file_, read_, SEEK_SET);
    char line[256];
    while (std::fgets(line, sizeof line, file_)) {
      std::string s(line);
      if (!s.empty() && s.back() == '\n') s.pop_back();
      lines.push_back(s);
    }
    read_ = std::ftell(file_);
    return lines;
  }

 private:
  FILE* file_;
  long read_ = 0;
};

using Want = std::vector<std::string>;

struct Rig {
  Rig(std::vector<Section> sections = {{0, "intro"}, {16000, "-"}, {32000, "drop"}})
      : clock(144000, &FakeNow), transport(&clock, Grid(120.0f), sections, lines.File()) {}
  Lines lines;
  SilentClock clock;
  Transport transport;
};

TEST(PreviewTransport, StepsLandOnTheGridAndSeeksClamp) {
  Rig rig;
  rig.clock.Seek(30000);
  Advance(230);
  EXPECT_EQ(rig.transport.Tick(), 30230u);
  rig.transport.StepBeats(1);  // 120 bpm: beats every 500 ms, bars every 2000 ms
  rig.transport.StepBeats(-1);
  rig.transport.StepBeats(-1);  // from a beat line: the one before
  rig.transport.StepBars(1);
  rig.transport.StepBars(-2);
  rig.transport.StepMs(10000);
  rig.transport.StepMs(-10000);
  EXPECT_EQ(rig.lines.Take(), (Want{"at 30230: seek 30500", "at 30500: seek 30000", "at 30000: seek 29500",
                                    "at 29500: seek 30000", "at 30000: seek 26000", "at 26000: seek 36000",
                                    "at 36000: seek 26000"}));
  rig.transport.Seek(150000);
  EXPECT_EQ(rig.transport.Tick(), 144000u) << "past the end: the end";
  rig.transport.StepMs(-200000);
  rig.transport.Home();
  EXPECT_EQ(rig.lines.Take(), (Want{"at 26000: seek 144000 (clamped from 150000)", "at 144000: seek 0 (clamped from -56000)",
                                    "at 0: seek 0"}));
  // At 133 bpm a beat is no whole number of milliseconds: every step still lands on a beat line.
  Grid odd(133.0f);
  for (uint32_t ms : {0u, 1u, 450u, 451u, 15000u, 99999u}) {
    uint32_t next = odd.NextLine(ms, 4);
    EXPECT_GT(next, ms);
    EXPECT_EQ(odd.SixteenthsAt(next) % 4, 0u) << ms;
    EXPECT_LT(odd.PreviousLine(ms, 4), ms == 0 ? 1u : ms);
  }
}

TEST(PreviewTransport, SectionsAndPause) {
  Rig rig;
  rig.transport.JumpToSection(3);
  rig.transport.JumpToSection(2);
  rig.transport.JumpToSection(4);  // no fourth section: nothing
  rig.transport.JumpToSection(0);
  Advance(1000);
  EXPECT_EQ(rig.transport.Tick(), 17000u);
  rig.transport.TogglePause();
  Advance(5000);
  EXPECT_EQ(rig.transport.Tick(), 17000u) << "paused: the picture holds";
  rig.transport.StepBeats(1);
  Advance(5000);
  EXPECT_EQ(rig.transport.Tick(), 17500u) << "a seek while paused shows the new time and stays paused";
  rig.transport.TogglePause();
  Advance(250);
  EXPECT_EQ(rig.transport.Tick(), 17750u) << "resumed from where it stood";
  EXPECT_EQ(rig.lines.Take(), (Want{"at 0: section 3 drop", "at 0: seek 32000", "at 32000: section 2 -",
                                    "at 32000: seek 16000", "at 17000: pause", "at 17000: seek 17500", "at 17500: play"}));
  // A script without layer 1: the number keys do nothing.
  Rig none(std::vector<Section>{});
  none.transport.JumpToSection(1);
  EXPECT_TRUE(none.lines.Take().empty());
}

TEST(PreviewTransport, TheLoopWrapsAndRefusesWhatCannotPlay) {
  Rig rig;
  rig.clock.Seek(10000);
  rig.transport.Tick();
  rig.transport.MarkLoopStart();
  Advance(1000);
  rig.transport.Tick();
  rig.transport.MarkLoopEnd();  // marks alone: no loop plays yet
  Advance(200);
  EXPECT_EQ(rig.transport.Tick(), 11200u);
  rig.transport.ToggleLoop();  // past the end: the loop starts at once
  EXPECT_EQ(rig.transport.Tick(), 10000u);
  Advance(999);
  EXPECT_EQ(rig.transport.Tick(), 10999u);
  Advance(2);
  EXPECT_EQ(rig.transport.Tick(), 10001u);
  Advance(600);
  rig.transport.Tick();
  Advance(400);
  EXPECT_EQ(rig.transport.Tick(), 10001u) << "once more round";
  EXPECT_EQ(rig.lines.Take(), (Want{"at 10000: loop 10000 0 off", "at 11000: loop 10000 11000 off",
                                    "at 11200: loop 10000 11000 on", "at 11200: wrap 10000", "at 11000: wrap 10000",
                                    "at 11000: wrap 10000"}));
  EXPECT_TRUE(rig.transport.Message().empty());
  // Shorter than one frame: refused, said, the loop off; the music plays on.
  rig.transport.SetLoop(20000, 20010, true);
  EXPECT_FALSE(rig.transport.LoopOn());
  EXPECT_EQ(rig.transport.Message(), "loop 20000 20010 refused: it is shorter than one frame (17 ms)");
  rig.transport.SetLoop(20000, 19000, true);
  EXPECT_EQ(rig.transport.Message(), "loop 20000 19000 refused: its end is not after its start");
  rig.transport.SetLoop(140000, 150000, true);
  EXPECT_EQ(rig.transport.Message(), "loop 140000 150000 refused: it ends after the music (144000 ms)");
  Advance(3000);
  EXPECT_EQ(rig.transport.Tick(), 13001u) << "no loop plays: the time goes on";
  rig.transport.StepBeats(1);
  EXPECT_TRUE(rig.transport.Message().empty()) << "the next action clears the message";
}

}  // namespace
