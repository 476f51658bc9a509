// show_script_test.cpp -- demo/go.xml, the show, against the tune it plays to
//
// go.xml is read with the demo's own reader; the tune's sections come from tools/synth/song.txt
// through the synthesiser's parser, so a song whose sections move makes these checks fail
// until the show follows it.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <tinyxml.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "fmod.h"
#include "src/script/demo_script.h"
#include "src/script/script_document.h"
#include "tools/synth/song.h"

namespace {

constexpr const char* kScript = QOLA_SOURCE_DIR "/demo/go.xml";
constexpr const char* kSong = QOLA_SOURCE_DIR "/tools/synth/song.txt";
constexpr const char* kMusic = QOLA_SOURCE_DIR "/demo/media/music.ogg";
constexpr uint32_t kBar = 16;
constexpr uint32_t kBeat = 4;

enum EffectType { kFlipbook = 0, kStill = 1, kSceneShot = 2, kSphere = 3 };

const GenericTimelineEvent& At(const TimelineLayer& layer, uint32_t i) {
  return *static_cast<const GenericTimelineEvent*>(layer[i]);
}

std::string Describe(const GenericTimelineEvent& e) {
  return "event at " + std::to_string(e.start) + " (" + std::to_string(e.duration) + " long, param0 " +
         std::to_string(e.param0) + " param1 " + std::to_string(e.param1) + " param2 " +
         std::to_string(e.param2) + ")";
}

class ShowScriptTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    FSOUND_SetOutput(FSOUND_OUTPUT_NOSOUND);
    script_ = new DemoScript;
    script_->InitSound();
    script_->Serialize(kScript, false, new GenericTimelineEvent(0, 0));
    song_ = new synth::Song;
    songError_ = new std::string;
    synth::LoadSong(kSong, song_, songError_);
  }
  static void TearDownTestSuite() {
    script_->Close();
    delete script_;
    delete song_;
    delete songError_;
  }

  void SetUp() override {
    ASSERT_TRUE(script_->problem.empty()) << script_->problem;
    ASSERT_TRUE(songError_->empty()) << *songError_;
    ASSERT_EQ(script_->timeline->numLayers, 2u) << "layer 0 draws, layer 1 marks the sections";
    ASSERT_FALSE(song_->sections.empty());
  }

  const TimelineLayer& Layer(uint32_t l) const { return script_->timeline->layers[l]; }
  uint32_t SongEnd() const { return static_cast<uint32_t>(song_->TotalSixteenths()); }

  static DemoScript* script_;
  static synth::Song* song_;
  static std::string* songError_;
};

DemoScript* ShowScriptTest::script_ = nullptr;
synth::Song* ShowScriptTest::song_ = nullptr;
std::string* ShowScriptTest::songError_ = nullptr;

// The music file is the song rendered at go.xml's tempo: the show and the sound end together.
TEST_F(ShowScriptTest, MusicFileLastsAsLongAsTheSong) {
  EXPECT_EQ(script_->bpm, 120.0f);
  SF_INFO info{};
  SNDFILE* file = sf_open(kMusic, SFM_READ, &info);
  ASSERT_NE(file, nullptr) << kMusic << ": " << sf_strerror(nullptr);
  sf_close(file);
  const double musicMs = 1000.0 * static_cast<double>(info.frames) / info.samplerate;
  const double songMs = static_cast<double>(SongEnd()) * script_->timeline->SixteenthsToMs(1);
  EXPECT_NEAR(musicMs, songMs, 1000.0) << "render the music again (./demo.sh music)";
}

// Asked at every sixteenth, as the demo asks every frame, layer 0 is never empty for more than a
// bar before the song ends; the last picture lasts to the end. Events neither overlap (the
// earlier one would hide the later) nor start off the beat.
TEST_F(ShowScriptTest, LayerZeroCoversTheSongOnTheBeat) {
  const TimelineLayer& layer = Layer(0);
  std::vector<std::pair<uint32_t, uint32_t>> spans;
  for (uint32_t i = 0; i < layer.count; ++i) {
    const GenericTimelineEvent& e = At(layer, i);
    EXPECT_EQ(e.start % kBeat, 0u) << Describe(e) << " does not start on a beat";
    EXPECT_GT(e.duration, 0u) << Describe(e) << " is never shown";
    spans.emplace_back(e.start, e.start + e.duration);
  }
  std::sort(spans.begin(), spans.end());
  for (size_t i = 1; i < spans.size(); ++i) {
    EXPECT_LE(spans[i - 1].second, spans[i].first) << "events at " << spans[i - 1].first << " and " << spans[i].first
                                                     << " overlap";
  }
  ASSERT_FALSE(spans.empty());
  EXPECT_EQ(spans.back().second, SongEnd()) << "the last picture should last until the music ends";

  Timeline* timeline = script_->timeline;
  const uint32_t unit = timeline->SixteenthsToMs(1);
  uint32_t blackSince = 0, longestBlack = 0, longestAt = 0;
  for (uint32_t s = 0; s < SongEnd(); ++s) {
    timeline->Update(s * unit + unit / 2);
    if (timeline->GetLayerState(0).event) {
      blackSince = s + 1;
    } else if (s + 1 - blackSince > longestBlack) {
      longestBlack = s + 1 - blackSince;
      longestAt = blackSince;
    }
  }
  EXPECT_LE(longestBlack, kBar) << "layer 0 is empty for " << longestBlack << " sixteenths from " << longestAt;
}

// Every picture the demo can draw is shown: each sprite pair at each zoom, each still, each
// camera from at least two places in its flight, the sphere from at least two times; nothing
// outside the effects' ranges.
TEST_F(ShowScriptTest, ShowsEveryPicture) {
  std::set<std::pair<int, int>> flipbooks;
  std::set<int> stills;
  std::set<std::pair<int, int>> shots;
  std::set<int> spheres;
  const TimelineLayer& layer = Layer(0);
  for (uint32_t i = 0; i < layer.count; ++i) {
    const GenericTimelineEvent& e = At(layer, i);
    switch (e.param0) {
      case kFlipbook:
        EXPECT_TRUE(e.param1 >= 0 && e.param1 <= 5 && e.param2 >= 0 && e.param2 <= 2) << Describe(e);
        flipbooks.insert({e.param1, e.param2});
        break;
      case kStill:
        EXPECT_TRUE(e.param1 >= 0 && e.param1 <= 3) << Describe(e);
        stills.insert(e.param1);
        break;
      case kSceneShot:
        EXPECT_TRUE(e.param1 >= 0 && e.param1 <= 2 && e.param2 >= 0) << Describe(e);
        shots.insert({e.param1, e.param2});
        break;
      case kSphere:
        EXPECT_GE(e.param1, 0) << Describe(e);
        spheres.insert(e.param1);
        break;
      default:
        ADD_FAILURE() << Describe(e) << " draws nothing";
    }
  }
  for (int pair = 0; pair <= 5; ++pair) {
    for (int zoom = 0; zoom <= 2; ++zoom) {
      EXPECT_TRUE(flipbooks.count({pair, zoom})) << "no flipbook of pair " << pair << " at zoom " << zoom;
    }
  }
  for (int still = 0; still <= 3; ++still) EXPECT_TRUE(stills.count(still)) << "no still " << still;
  for (int camera = 0; camera <= 2; ++camera) {
    auto offsets = std::count_if(shots.begin(), shots.end(), [camera](auto& s) { return s.first == camera; });
    EXPECT_GE(offsets, 2) << "camera " << camera << " is not shown from two places in its flight";
  }
  EXPECT_GE(spheres.size(), 2u) << "the sphere is not shown from two times";

  // The show opens with the title and closes with the thanks.
  ASSERT_GT(layer.count, 0u);
  const GenericTimelineEvent* first = &At(layer, 0);
  const GenericTimelineEvent* last = first;
  for (uint32_t i = 0; i < layer.count; ++i) {
    if (At(layer, i).start < first->start) first = &At(layer, i);
    if (At(layer, i).start > last->start) last = &At(layer, i);
  }
  EXPECT_TRUE(first->param0 == kStill && first->param1 == 0) << "first: " << Describe(*first);
  EXPECT_TRUE(last->param0 == kStill && last->param1 == 3) << "last: " << Describe(*last);
}

// Layer 1 holds one event per section of the song, in order, spanning it exactly and named as
// the song names it; the picture cuts where each section starts.
TEST_F(ShowScriptTest, LayerOneMarksTheSongsSections) {
  const TimelineLayer& marks = Layer(1);
  ASSERT_EQ(marks.count, song_->sections.size());

  // The demo's reader keeps no names: read them from the same file, event by event.
  TiXmlDocument doc;
  std::string problem;
  ASSERT_TRUE(script_document::Load(kScript, &doc, &problem)) << problem;
  TiXmlElement* layer = doc.FirstChildElement("demo")->FirstChildElement("timeline")->FirstChildElement("layer");
  ASSERT_NE(layer, nullptr);
  layer = layer->NextSiblingElement("layer");
  ASSERT_NE(layer, nullptr);
  TiXmlElement* element = layer->FirstChildElement("event");

  std::set<uint32_t> cuts;
  for (uint32_t i = 0; i < Layer(0).count; ++i) cuts.insert(At(Layer(0), i).start);
  for (size_t s = 0; s < song_->sections.size(); ++s, element = element->NextSiblingElement("event")) {
    const synth::Section& section = song_->sections[s];
    const GenericTimelineEvent& mark = At(marks, static_cast<uint32_t>(s));
    SCOPED_TRACE("section " + section.name);
    EXPECT_EQ(mark.start, static_cast<uint32_t>(song_->SectionStart(s)));
    EXPECT_EQ(mark.duration, static_cast<uint32_t>(section.bars) * kBar);
    EXPECT_EQ(mark.param0, static_cast<int>(s));
    ASSERT_NE(element, nullptr);
    const char* name = element->Attribute("name");
    EXPECT_EQ(std::string(name ? name : "(none)"), section.name);
    EXPECT_TRUE(cuts.count(mark.start)) << "the picture does not change where the section starts";
  }
}

// The tune's shape in the picture: the break, which has no drums, is long flights of the scene
// and the sphere, not flicker.
TEST_F(ShowScriptTest, CalmSectionsHaveNoFlicker) {
  for (size_t s = 0; s < song_->sections.size(); ++s) {
    if (song_->sections[s].name != "break") continue;
    const uint32_t from = static_cast<uint32_t>(song_->SectionStart(s));
    const uint32_t to = static_cast<uint32_t>(song_->SectionStart(s + 1));
    for (uint32_t i = 0; i < Layer(0).count; ++i) {
      const GenericTimelineEvent& e = At(Layer(0), i);
      if (e.start + e.duration <= from || e.start >= to) continue;
      EXPECT_TRUE(e.param0 == kSceneShot || e.param0 == kSphere) << "in the break: " << Describe(e);
      EXPECT_GE(e.duration, 4 * kBar) << "in the break: " << Describe(e);
    }
    return;
  }
  FAIL() << "the song has no section named break";
}

}  // namespace
