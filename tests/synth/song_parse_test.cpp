// song_parse_test.cpp -- the song text: note names, steps, sections, and every refusal with its line
#include <gtest/gtest.h>

#include <string>

#include "tools/synth/song.h"

namespace {

using synth::Song;
using synth::Step;

// A small song every refusal below is a variation of.
const char kValid[] =
    "effects\n"
    "  delay_steps 6  reverb_size 0.5\n"
    "instrument lead\n"
    "  wave square  unison 3 detune 10\n"
    "  filter lowpass cutoff 900  # a comment\n"
    "instrument kick\n"
    "  wave sine note G1 sidechain yes\n"
    "pattern tune\n"
    "  A3 - . C#4 | Db4+F4 - - - | . . . . | . . . -\n"
    "pattern beat\n"
    "  x . X . | o . . . | x . . . | x . . .\n"
    "  x . . . | x . . . | x . . . | x . . .\n"
    "section intro 2\n"
    "  lead tune tune:+12\n"
    "  ramp lead cutoff 200 4000\n"
    "section drop 3\n"
    "  kick beat\n"
    "  lead tune:-5\n";

bool Parse(const std::string& text, Song* song, std::string* error) {
  return synth::ParseSong(text, "song.txt", song, error);
}

TEST(NoteNames, GiveMidiNumbers) {
  struct Case {
    const char* name;
    int midi;
  } cases[] = {
      {"A4", 69}, {"C4", 60}, {"C#3", 49}, {"Db3", 49}, {"B3", 59}, {"Cb4", 59}, {"E#4", 65},
      {"C0", 12}, {"G8", 115}, {"H4", -1}, {"A", -1}, {"C9", -1}, {"a4", -1}, {"C#", -1},
      {"C##4", -1}, {"", -1}, {"A4x", -1},
  };
  for (const Case& c : cases) EXPECT_EQ(synth::ParseNoteName(c.name), c.midi) << c.name;
}

TEST(SongParse, ReadsBlocksStepsAndSections) {
  Song song;
  std::string error;
  ASSERT_TRUE(Parse(kValid, &song, &error)) << error;
  EXPECT_EQ(song.effects.delaySteps, 6);
  EXPECT_FLOAT_EQ(song.effects.reverbSize, 0.5f);
  ASSERT_EQ(song.instruments.size(), 2u);
  EXPECT_EQ(song.instruments[0].unison, 3);
  EXPECT_EQ(song.instruments[0].filter, synth::FilterMode::LowPass);
  EXPECT_FLOAT_EQ(song.instruments[0].cutoff, 900.0f);
  EXPECT_EQ(song.instruments[1].note, 31);
  EXPECT_TRUE(song.instruments[1].sidechain);

  const std::vector<Step>& tune = song.patterns[0].steps;
  ASSERT_EQ(tune.size(), 16u);  // the "|" dividers are not steps
  EXPECT_EQ(tune[0].kind, Step::Play);
  EXPECT_EQ(tune[0].notes[0], 57);
  EXPECT_EQ(tune[1].kind, Step::Hold);
  EXPECT_EQ(tune[2].kind, Step::Rest);
  ASSERT_EQ(tune[4].count, 2);
  EXPECT_EQ(tune[4].notes[0], 61);
  EXPECT_EQ(tune[4].notes[1], 65);
  const std::vector<Step>& beat = song.patterns[1].steps;
  ASSERT_EQ(beat.size(), 32u);
  EXPECT_EQ(beat[0].notes[0], synth::kHitNote);
  EXPECT_FLOAT_EQ(beat[0].velocity, 0.8f);
  EXPECT_FLOAT_EQ(beat[2].velocity, 1.0f);
  EXPECT_FLOAT_EQ(beat[4].velocity, 0.45f);

  ASSERT_EQ(song.sections.size(), 2u);
  EXPECT_EQ(song.SectionStart(0), 0);
  EXPECT_EQ(song.SectionStart(1), 32);
  EXPECT_EQ(song.TotalSixteenths(), 80);
  const synth::Section& intro = song.sections[0];
  ASSERT_EQ(intro.parts.size(), 1u);
  ASSERT_EQ(intro.parts[0].patterns.size(), 2u);
  EXPECT_EQ(intro.parts[0].patterns[1].transpose, 12);
  ASSERT_EQ(intro.ramps.size(), 1u);
  EXPECT_FLOAT_EQ(intro.ramps[0].to, 4000.0f);
  EXPECT_EQ(song.sections[1].parts[1].patterns[0].transpose, -5);
}

// Replaces the first occurrence of from in kValid.
std::string Variant(const std::string& from, const std::string& to) {
  std::string text = kValid;
  size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

TEST(SongParse, RefusesMistakesNamingFileAndLine) {
  struct Case {
    std::string text;
    const char* message;
  } cases[] = {
      {"wave saw\n" + std::string(kValid), "song.txt line 1: expected \"instrument\", \"pattern\", \"section\" or \"effects\", not \"wave\""},
      {Variant("unison 3", "unisn 3"), "song.txt line 4: unknown instrument setting \"unisn\""},
      {Variant("unison 3 detune 10", "unison 3 detune"), "song.txt line 4: settings come in pairs"},
      {Variant("cutoff 900", "cutoff 9OO"), "song.txt line 5: \"cutoff\" is \"9OO\", not a number"},
      {Variant("cutoff 900", "cutoff 50000"), "song.txt line 5: \"cutoff\" is 50000, outside 20 to 20000"},
      {Variant("unison 3", "unison 2.5"), "song.txt line 4: \"unison\" is 2.5, not a whole number"},
      {Variant("wave square", "wave sqare"), "song.txt line 4: \"wave\" is \"sqare\""},
      {Variant("note G1", "note G"), "song.txt line 7: \"note\" is \"G\", not a note name"},
      {Variant("sidechain yes", "sidechain 1"), "song.txt line 7: \"sidechain\" is yes or no"},
      {Variant("delay_steps 6", "delay_step 6"), "song.txt line 2: unknown effects setting \"delay_step\""},
      {Variant(" . . . -\n", " . . -\n"), "song.txt line 9: a bar of pattern \"tune\" has 15 steps, not 16"},
      {Variant("A3 - .", "H3 - ."), "song.txt line 9: \"H3\" is not a step"},
      {Variant("Db4+F4", "C4+D4+E4+F4+G4+A4+B4"), "song.txt line 9: \"C4+D4+E4+F4+G4+A4+B4\" has more than 6 notes"},
      {Variant("section intro 2", "section intro 0"), "song.txt line 13: bars of section \"intro\" is 0, outside 1 to 512"},
      {Variant("section intro 2", "section intro"), "song.txt line 13: a section line reads \"section NAME BARS\""},
      {Variant("lead tune tune:+12", "lead tune tunes"), "song.txt line 14: no pattern is called \"tunes\""},
      {Variant("lead tune tune:+12", "lead tune tune:up"), "song.txt line 14: the transposition of \"tune\" is \"up\""},
      {Variant("lead tune tune:+12", "lead"), "song.txt line 14: instrument \"lead\" is given no pattern"},
      {Variant("kick beat", "drum beat"), "song.txt line 17: no instrument is called \"drum\""},
      {Variant("lead tune:-5", "kick tune"), "song.txt line 18: instrument \"kick\" already plays in this section (line 17)"},
      {Variant("ramp lead cutoff", "ramp lead pitch"), "song.txt line 15: a ramp moves \"cutoff\" or \"volume\", not \"pitch\""},
      {Variant("ramp lead cutoff 200 4000", "ramp lead volume 0 3"), "song.txt line 15: the ramp's end is 3, outside 0 to 2"},
      {Variant("instrument kick", "instrument lead"), "song.txt line 6: instrument \"lead\" is already defined on line 3"},
      {Variant("pattern beat", "pattern tune"), "song.txt line 10: pattern \"tune\" is already defined on line 8"},
      {Variant("pattern beat\n  x . X . | o . . . | x . . . | x . . .\n  x . . . | x . . . | x . . . | x . . .\n",
               "pattern beat\n"),
       "song.txt line 10: pattern \"beat\" has no bars"},
      {Variant("filter lowpass cutoff 900", "filter_env 2"), "song.txt line 3: instrument \"lead\" has a \"filter_env\" but no filter"},
      {std::string(kValid).substr(0, std::string(kValid).find("section")), "song.txt: the song has no sections"},
      {"section long 512\nsection longer 512\nsection longest 512\nsection too 512\n",
       "song.txt: the sections add up to 2048 bars, more than 2000"},
  };
  for (const Case& c : cases) {
    Song song;
    song.instruments.resize(1);  // a failed parse leaves the song as it was
    std::string error;
    EXPECT_FALSE(Parse(c.text, &song, &error)) << c.message;
    EXPECT_EQ(error.compare(0, std::string(c.message).size(), c.message), 0)
        << "expected: " << c.message << "\n     got: " << error;
    EXPECT_EQ(song.instruments.size(), 1u) << c.message;
  }
}

TEST(SongWarnings, NameAPartThatDoesNotFillItsSectionEvenly) {
  const std::string head =
      "instrument a\npattern one\n  x . . . | . . . . | . . . . | . . . .\n"
      "pattern two\n  x . . . | . . . . | . . . . | . . . .\n  x . . . | . . . . | . . . . | . . . .\n";
  struct Case {
    const char* sections;
    const char* warning;  // nullptr: none
  } cases[] = {
      {"section s 8\n  a one one one one two\n", "song.txt line 8: the patterns of \"a\" last 6 bars, which do not fill the 8 bars of section \"s\" evenly"},
      {"section s 8\n  a one one two\n", nullptr},
      {"section s 4\n  a two one\n", "song.txt line 8: the patterns of \"a\" last 3 bars"},
      {"section s 3\n  a one\n", nullptr},
      {"section s 1\n  a two\n", "song.txt line 8: the patterns of \"a\" last 2 bars, which do not fill the 1 bars"},
  };
  for (const Case& c : cases) {
    Song song;
    std::string error;
    ASSERT_TRUE(Parse(head + c.sections, &song, &error)) << error;
    std::vector<std::string> warnings = synth::SongWarnings(song, "song.txt");
    if (!c.warning) {
      EXPECT_TRUE(warnings.empty()) << c.sections << warnings.front();
      continue;
    }
    ASSERT_EQ(warnings.size(), 1u) << c.sections;
    EXPECT_EQ(warnings[0].compare(0, std::string(c.warning).size(), c.warning), 0) << warnings[0];
  }
}

TEST(SongParse, LoadRefusesAMissingFile) {
  Song song;
  std::string error;
  EXPECT_FALSE(synth::LoadSong("no/such/song.txt", &song, &error));
  EXPECT_EQ(error, "no/such/song.txt: cannot open the song file");
}

// The shipped song: sections in whole bars, named, and 2 to 3 minutes at the demo's 120 bpm.
TEST(ShippedSong, HasItsSectionsOnBarLines) {
  Song song;
  std::string error;
  ASSERT_TRUE(synth::LoadSong(QOLA_SOURCE_DIR "/tools/synth/song.txt", &song, &error)) << error;
  ASSERT_GE(song.sections.size(), 5u);
  for (size_t i = 0; i < song.sections.size(); ++i) {
    EXPECT_EQ(song.SectionStart(i) % synth::kStepsPerBar, 0) << song.sections[i].name;
    EXPECT_FALSE(song.sections[i].parts.empty()) << song.sections[i].name;
  }
  EXPECT_EQ(song.sections.front().name, "intro");
  EXPECT_EQ(song.sections.back().name, "outro");
  for (const std::string& warning : synth::SongWarnings(song, "song.txt")) ADD_FAILURE() << warning;
  const int bars = song.TotalSixteenths() / synth::kStepsPerBar;  // 2 s each at 120 bpm
  EXPECT_GE(bars, 60);
  EXPECT_LE(bars, 90);
}

}  // namespace
