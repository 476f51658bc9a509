// strip_test.cpp -- the strip painted for the demo's own script and music, checked against the
// script: blocks where layer 0's events stand, in their type's colour; section names where
// layer 1's events stand; a line on every bar and beat of the zoomed band; the waveform louder
// in the drops than in the intro; and nothing of the waveform while the music is not read
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <unistd.h>

#include <cstdlib>
#include <string>

#include "src/script/event_names.h"
#include "src/script/script_document.h"
#include "src/timeline/timeline.h"
#include "tools/media/font.h"
#include "tools/pictures/image.h"
#include "tools/preview/strip_model.h"
#include "tools/preview/strip_painter.h"
#include "tools/preview/waveform.h"

namespace {

using preview::StripLayout;

const std::string kDemo = std::string(QOLA_SOURCE_DIR) + "/demo/";

struct Script {
  Timeline timeline{1};
  preview::StripModel model;
};

// go.xml read as the demo reads its timeline, the music's length from its envelope.
void ReadScript(Script* s, uint32_t lengthMs) {
  TiXmlDocument doc;
  std::string problem;
  ASSERT_TRUE(script_document::Load((kDemo + "go.xml").c_str(), &doc, &problem)) << problem;
  TiXmlElement* demo = doc.FirstChildElement("demo");
  ASSERT_NE(demo, nullptr);
  float bpm = 0;
  demo->QueryFloatAttribute("bpm", &bpm);
  s->timeline.SetBpm(bpm);
  GenericTimelineEvent prototype;
  ASSERT_TRUE(s->timeline.Serialize(demo, false, &prototype, &problem)) << problem;
  s->model = preview::ModelOfTimeline(s->timeline, ReadEventNames((kDemo + "go.xml").c_str(), s->timeline), lengthMs);
}

bool Is(const uint8_t* p, media::Color c) { return p[0] == c.r && p[1] == c.g && p[2] == c.b; }
bool Bright(const uint8_t* p) { return p[2] > 200 && p[1] > 180 && p[0] < 170; }      // the RMS
bool SectionYellow(const uint8_t* p) { return p[0] > 200 && p[1] > 180 && p[2] < 120; }

// The mean height of the bright RMS bars over the whole song's columns of [fromMs, toMs).
double MeanRms(const pictures::Image& strip, const StripLayout& layout, uint32_t fromMs, uint32_t toMs) {
  const preview::Band& b = StripLayout::kWhole;
  int x0 = layout.WholeX(fromMs), x1 = layout.WholeX(toMs);
  long lit = 0;
  for (int x = x0; x < x1; ++x)
    for (int y = b.wave; y < b.wave + b.waveHeight; ++y) lit += Bright(strip.at(x, y)) ? 1 : 0;
  return static_cast<double>(lit) / std::max(x1 - x0, 1);
}

TEST(PreviewStrip, ShowsTheScriptAndTheMusic) {
  preview::Envelope envelope;
  std::string problem;
  ASSERT_TRUE(preview::ComputeEnvelope(kDemo + "media/music.ogg", &envelope, &problem)) << problem;
  EXPECT_NEAR(envelope.LengthMs(), 144000.0, 100.0);
  Script script;
  ReadScript(&script, envelope.LengthMs());
  ASSERT_GT(script.model.events.size(), 30u);
  ASSERT_EQ(script.model.sections.size(), 7u);
  EXPECT_EQ(script.model.sections[2].name, "drop");

  StripLayout layout(1024, script.model);
  preview::StripPainter painter(script.model, layout);
  preview::StripView view;
  view.zoomFirstBar = 14;
  view.waveformReady = true;
  view.hasLoop = view.loopOn = true;
  view.loopStart = 30000;
  view.loopEnd = 34000;
  painter.Paint(view, &envelope);
  const pictures::Image& strip = painter.Canvas().Picture();
  pictures::SavePng(strip, "preview_strip.png");  // in the build folder, for a person to look at

  // Layer 0: a block of the type's colour at the middle of every event wide enough to see,
  // over the whole song and in the zoomed bars; the silent beat before the drop has none.
  const preview::Band& whole = StripLayout::kWhole;
  const preview::Band& zoom = StripLayout::kZoom;
  int blocks = 0;
  const uint32_t zoomStart = layout.BarMs(14), zoomEnd = layout.BarMs(22);
  for (const preview::PictureEvent& e : script.model.events) {
    int x0 = layout.WholeX(e.startMs), x1 = layout.WholeX(e.endMs);
    if (x1 - x0 >= 3) {
      EXPECT_TRUE(Is(strip.at((x0 + x1) / 2, whole.events + 1), preview::PictureTypeColor(e.type)))
          << "event " << e.index << " at " << e.startMs << " ms";
      ++blocks;
    }
    if (e.startMs >= zoomStart && e.endMs <= zoomEnd) {
      int z = (layout.ZoomX(e.startMs, zoomStart) + layout.ZoomX(e.endMs, zoomStart)) / 2;
      EXPECT_TRUE(Is(strip.at(z, zoom.events + 1), preview::PictureTypeColor(e.type))) << "zoomed event " << e.index;
    }
  }
  EXPECT_GT(blocks, 25);
  const int silent = layout.ZoomX(31750, zoomStart);
  EXPECT_FALSE(Is(strip.at(silent, zoom.events + 1), preview::PictureTypeColor(0)))
      << "no block on the silent beat before the drop";

  // Layer 1: each section's name in yellow just right of where it starts.
  for (const preview::Section& s : script.model.sections) {
    int x = layout.WholeX(s.startMs) + 3, lit = 0;
    for (int dx = 0; dx < media::TextWidth(s.name, 1); ++dx)
      for (int y = whole.sections; y < whole.wave; ++y) lit += SectionYellow(strip.at(x + dx, y)) ? 1 : 0;
    EXPECT_GT(lit, 10) << "the name \"" << s.name << "\" at " << s.startMs << " ms";
  }

  // The zoomed grid: a line at the top of the waveform on every beat, none between two.
  for (uint32_t beat = 0; beat < 32; ++beat) {
    uint32_t ms = zoomStart + beat * 500;
    int x = layout.ZoomX(ms, zoomStart);
    const uint8_t* line = strip.at(x, zoom.wave);
    const uint8_t* between = strip.at(layout.ZoomX(ms + 250, zoomStart), zoom.wave);
    EXPECT_GT(line[0] + line[1] + line[2], between[0] + between[1] + between[2]) << "beat " << beat;
  }

  // The waveform: louder in both drops than in the intro; the loop's range tinted.
  double intro = MeanRms(strip, layout, 0, 16000), drop = MeanRms(strip, layout, 32000, 64000),
         drop2 = MeanRms(strip, layout, 96000, 128000);
  EXPECT_GT(drop, intro * 1.5) << "intro " << intro << ", drop " << drop;
  EXPECT_GT(drop2, intro * 1.5) << "intro " << intro << ", second drop " << drop2;
  const uint8_t* loop = strip.at(layout.WholeX(32000) + 1, whole.wave);
  const uint8_t* outside = strip.at(layout.WholeX(36000) + 1, whole.wave);
  EXPECT_GT(loop[2], outside[2] + 40) << "the loop's range is tinted blue";

  // Without the waveform (the music unread) nothing of it is drawn.
  view.waveformReady = false;
  painter.Paint(view, &envelope);
  EXPECT_EQ(MeanRms(painter.Canvas().Picture(), layout, 0, 144000), 0.0);
}

TEST(PreviewStrip, EnvelopeOfAMissingOrForeignFile) {
  preview::Envelope envelope;
  std::string problem;
  EXPECT_FALSE(preview::ComputeEnvelope(kDemo + "media/none.ogg", &envelope, &problem));
  EXPECT_NE(problem.find("media/none.ogg: cannot be opened"), std::string::npos) << problem;
  EXPECT_FALSE(preview::ComputeEnvelope(kDemo + "go.xml", &envelope, &problem));
  EXPECT_NE(problem.find("cannot be decoded"), std::string::npos) << problem;
  float peak = 1, rms = 1;
  preview::Envelope empty;
  empty.Measure(0, 1000, &peak, &rms);
  EXPECT_EQ(peak, 0.0f);
  EXPECT_EQ(rms, 0.0f);
  // Waveform on its thread: a missing file fails, and a preview that ends at once still joins.
  preview::Waveform failing;
  failing.Start(kDemo + "media/none.ogg");
  for (int i = 0; i < 200 && !failing.Failed(); ++i) usleep(10000);
  EXPECT_TRUE(failing.Failed());
  preview::Waveform cancelled;
  cancelled.Start(kDemo + "media/music.ogg");
}

}  // namespace
