// timeline_test.cpp -- the timeline's search arithmetic, its XML form and integer attributes
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <cstdint>
#include <string>

#include "src/timeline/timeline.h"

namespace {

GenericTimelineEvent* AddEvent(Timeline& timeline, uint32_t layer, uint32_t start, uint32_t duration,
                               int32_t param0 = 0) {
  auto* event = new GenericTimelineEvent(start, duration);
  event->param0 = param0;
  timeline.layers[layer].Append(event);
  return event;
}

// Parses xml and reads its root's "timeline" child into timeline.
bool ReadTimeline(Timeline& timeline, const std::string& xml, std::string* problem = nullptr) {
  TiXmlDocument doc;
  doc.Parse(xml.c_str());
  EXPECT_FALSE(doc.Error()) << doc.ErrorDesc();
  GenericTimelineEvent prototype;
  return timeline.Serialize(doc.RootElement(), false, &prototype, problem);
}

struct Counter : FrameHandler {
  explicit Counter(int* runs) : runs(runs) {}
  bool Run(Timeline*) override { return ++*runs > 0; }
  int* runs;
};

struct DeathCounter : FrameHandler {
  explicit DeathCounter(int* deaths) : deaths(deaths) {}
  ~DeathCounter() override { ++*deaths; }
  bool Run(Timeline*) override { return true; }
  int* deaths;
};

// ---- the search: spans, units, order ----

TEST(TimelineUpdate, FindsTheActiveEventOfAHalfOpenSpan) {
  Timeline timeline(1);
  timeline.SetBpm(120.0f);  // a sixteenth is 125 ms
  GenericTimelineEvent* event = AddEvent(timeline, 0, 16, 4);  // 2000 up to 2500 ms
  struct Case {
    uint32_t timeMs;
    bool active;
    uint32_t elapsed;
    float fraction;
  } cases[] = {
      {1999, false, 0, 0.0f}, {2000, true, 0, 0.0f},      {2250, true, 250, 0.5f},
      {2499, true, 499, 0.998f}, {2500, false, 0, 0.0f}, {0xFFFFFFFFu, false, 0, 0.0f},
  };
  for (const Case& c : cases) {
    timeline.Update(c.timeMs);
    LayerState state = timeline.GetLayerState(0);
    EXPECT_EQ(state.event, c.active ? event : nullptr) << c.timeMs;
    if (c.active) {
      EXPECT_EQ(state.elapsedMs, c.elapsed) << c.timeMs;
      EXPECT_FLOAT_EQ(state.fraction, c.fraction) << c.timeMs;
    }
  }
}

TEST(TimelineUpdate, RoundsTheUnitToSinglePrecisionBeforeItMultiplies) {
  Timeline timeline(1);
  timeline.SetBpm(133.0f);
  // 60000 / 532 as a float is 112.78195190429688, so 133 sixteenths start at 14999.99... ms.
  EXPECT_EQ(timeline_math::SixteenthUnit(133.0f), 112.78195190429688f);
  GenericTimelineEvent* event = AddEvent(timeline, 0, 133, 10);
  timeline.Update(14998);
  EXPECT_EQ(timeline.GetLayerState(0).event, nullptr);
  timeline.Update(14999);
  EXPECT_EQ(timeline.GetLayerState(0).event, event);
  EXPECT_EQ(timeline.GetLayerState(0).elapsedMs, 0u);
  // The conversion for callers keeps the unit at double precision.
  EXPECT_EQ(timeline.SixteenthsToMs(133), 15000u);
}

TEST(TimelineUpdate, SixteenthsToMsTruncatesAndSaturates) {
  Timeline timeline(1);
  struct Case {
    float bpm;
    uint32_t count;
    uint32_t ms;
  } cases[] = {
      {120.0f, 1, 125},          {120.0f, 0, 0},       {128.0f, 1, 117},  // 117.1875
      {128.5f, 3, 350},                                                 // 350.19...
      {1.0f, 0xFFFFFFFFu, 0xFFFFFFFFu},                                 // saturates
  };
  for (const Case& c : cases) {
    timeline.SetBpm(c.bpm);
    EXPECT_EQ(timeline.SixteenthsToMs(c.count), c.ms) << c.bpm << " " << c.count;
  }
}

TEST(TimelineUpdate, FirstMatchInFileOrderWinsAndOrderNeedNotBeSorted) {
  Timeline timeline(3);
  timeline.SetBpm(120.0f);
  // layer 0: overlapping events; the earlier one in the file wins the whole overlap (inner
  // spans 1000 to 1500 ms, inside wide)
  GenericTimelineEvent* wide = AddEvent(timeline, 0, 0, 32);
  GenericTimelineEvent* inner = AddEvent(timeline, 0, 8, 4);
  // layer 1: events listed late first
  GenericTimelineEvent* late = AddEvent(timeline, 1, 64, 16);
  GenericTimelineEvent* early = AddEvent(timeline, 1, 0, 16);
  // layer 2: zero durations are never active, not even at their start
  AddEvent(timeline, 2, 8, 0);
  struct Case {
    uint32_t timeMs;
    TimelineEvent* layer0;
    TimelineEvent* layer1;
  } cases[] = {
      {1000, wide, early}, {1250, wide, early}, {8000, nullptr, late}, {3999, wide, nullptr},
  };
  for (const Case& c : cases) {
    timeline.Update(c.timeMs);
    EXPECT_EQ(timeline.GetLayerState(0).event, c.layer0) << c.timeMs;
    EXPECT_EQ(timeline.GetLayerState(1).event, c.layer1) << c.timeMs;
    EXPECT_EQ(timeline.GetLayerState(2).event, nullptr) << c.timeMs;
  }
  EXPECT_NE(inner, nullptr);
}

TEST(TimelineUpdate, LayersWithoutEventsAndStatesPastTheLayersAreEmpty) {
  Timeline timeline(2);
  timeline.SetBpm(120.0f);
  AddEvent(timeline, 0, 0, 8);
  timeline.Update(100);
  EXPECT_NE(timeline.GetLayerState(0).event, nullptr);
  EXPECT_EQ(timeline.GetLayerState(1).event, nullptr);
  EXPECT_EQ(timeline.GetLayerState(2).event, nullptr);  // no layer 2: no event, no read past
  timeline.Clear();                                    // layers gone, numLayers kept
  timeline.Update(100);
  EXPECT_EQ(timeline.GetLayerState(0).event, nullptr);
}

TEST(TimelineUpdate, HugeCountsSaturateInsteadOfWrapping) {
  Timeline timeline(1);
  timeline.SetBpm(120.0f);
  // start 2^32 - 1 sixteenths is far past any 32-bit time; a "negative" duration is very long.
  AddEvent(timeline, 0, 0xFFFFFFFFu, 4);
  GenericTimelineEvent* longEvent = AddEvent(timeline, 0, 16, 0xFFFFFFFFu);
  timeline.Update(0xFFFFFFF0u);
  EXPECT_EQ(timeline.GetLayerState(0).event, longEvent);
  EXPECT_LT(timeline.GetLayerState(0).fraction, 1.0f);
  timeline.Update(1999);
  EXPECT_EQ(timeline.GetLayerState(0).event, nullptr);
}

TEST(TimelineHandler, RunsTheInstalledHandlerAndOwnsIt) {
  Timeline timeline(1);
  EXPECT_FALSE(timeline.RunHandler());  // none installed
  int runs = 0, deaths = 0;
  timeline.SetHandler(new DeathCounter(&deaths));
  timeline.SetHandler(new Counter(&runs));  // the first one is deleted
  EXPECT_EQ(deaths, 1);
  EXPECT_TRUE(timeline.RunHandler());
  EXPECT_EQ(runs, 1);
  timeline.SetHandler(new DeathCounter(&deaths));
  timeline.Destroy();
  EXPECT_EQ(deaths, 2);
  EXPECT_EQ(timeline.handler, nullptr);
}

// ---- the XML form ----

TEST(TimelineXml, ReadsLayersAndEventsInDocumentOrder) {
  Timeline timeline(1);
  ASSERT_TRUE(ReadTimeline(timeline,
                           "<demo><timeline num_layers=\"3\">"
                           "<layer><event start=\"4\" duration=\"2\" param0=\"1\" param1=\"-2\" param2=\"3\"/>"
                           "<!-- a comment --><other/>text<event start=\"0\" duration=\"1\"/></layer>"
                           "<layer/>"
                           "</timeline></demo>"));
  ASSERT_EQ(timeline.numLayers, 3u);
  ASSERT_EQ(timeline.layers[0].count, 2u);
  auto* first = static_cast<GenericTimelineEvent*>(timeline.layers[0][0]);
  EXPECT_EQ(first->start, 4u);
  EXPECT_EQ(first->duration, 2u);
  EXPECT_EQ(first->param0, 1);
  EXPECT_EQ(first->param1, -2);
  EXPECT_EQ(first->param2, 3);
  auto* second = static_cast<GenericTimelineEvent*>(timeline.layers[0][1]);
  EXPECT_EQ(second->param0, 0);  // absent parameters read as 0
  EXPECT_STREQ(second->TypeName(), "GenericTimelineEvent");
  EXPECT_EQ(timeline.layers[1].count, 0u);
  EXPECT_EQ(timeline.layers[2].count, 0u);  // fewer "layer" elements than num_layers
}

TEST(TimelineXml, WritingThenReadingGivesTheSameTimeline) {
  Timeline timeline(2);
  for (uint32_t i = 0; i < 20; ++i) {  // past the first capacity of a layer
    GenericTimelineEvent* e = AddEvent(timeline, 0, 100 - i, i, static_cast<int32_t>(i));
    e->param1 = -static_cast<int32_t>(i);
    e->param2 = INT32_MIN + static_cast<int32_t>(i);
  }
  AddEvent(timeline, 1, 0xFFFFFFFFu, 0x80000000u);
  TiXmlElement demo("demo");
  ASSERT_TRUE(timeline.Serialize(&demo, true, nullptr));
  TiXmlPrinter printer;
  demo.Accept(&printer);

  Timeline back(1);
  std::string problem;
  ASSERT_TRUE(ReadTimeline(back, printer.CStr(), &problem)) << problem;
  ASSERT_EQ(back.numLayers, 2u);
  for (uint32_t l = 0; l < 2; ++l) {
    ASSERT_EQ(back.layers[l].count, timeline.layers[l].count);
    for (uint32_t i = 0; i < back.layers[l].count; ++i) {
      auto* a = static_cast<GenericTimelineEvent*>(timeline.layers[l][i]);
      auto* b = static_cast<GenericTimelineEvent*>(back.layers[l][i]);
      EXPECT_EQ(a->start, b->start);
      EXPECT_EQ(a->duration, b->duration);
      EXPECT_EQ(a->param0, b->param0);
      EXPECT_EQ(a->param1, b->param1);
      EXPECT_EQ(a->param2, b->param2);
    }
  }
}

TEST(TimelineXml, WritesEventAttributesInOrderAndEmptyLayers) {
  Timeline timeline(2);
  GenericTimelineEvent* e = AddEvent(timeline, 0, 5, 6, 7);
  e->param1 = 8;
  e->param2 = -9;
  TiXmlElement demo("demo");
  timeline.Serialize(&demo, true, nullptr);
  TiXmlPrinter printer;
  printer.SetStreamPrinting();
  demo.Accept(&printer);
  EXPECT_EQ(std::string(printer.CStr()),
            "<demo><timeline num_layers=\"2\"><layer><event start=\"5\" duration=\"6\" param0=\"7\" "
            "param1=\"8\" param2=\"-9\" /></layer><layer /></timeline></demo>");
}

TEST(TimelineXml, RefusesWhatWouldWritePastTheLayers) {
  struct Case {
    const char* xml;
    const char* problem;
  } cases[] = {
      {"<demo>\n<timeline num_layers=\"1\">\n<layer/>\n<layer/></timeline></demo>",
       "line 4: \"num_layers\" is 1 but a second \"layer\" follows"},
      {"<demo><timeline><layer/></timeline></demo>",
       "line 1: \"timeline\" has no \"num_layers\" (so 0 layers) but a \"layer\" follows"},
      {"<demo><timeline num_layers=\"0\"><layer/></timeline></demo>",
       "line 1: \"num_layers\" is 0 but a \"layer\" follows"},
      {"<demo><timeline num_layers=\"-3\"/></demo>", "line 1: \"num_layers\" is -3; a timeline has 0 or more layers"},
      {"<demo><timeline num_layers=\"99999999999999999999\"/></demo>",
       "line 1: \"num_layers\" is 99999999999999999999, more than the 65536 layers a timeline can hold"},
      {"<demo>\n<other/></demo>", "line 1: \"demo\" has no \"timeline\" element"},
  };
  for (const Case& c : cases) {
    Timeline timeline(1);
    GenericTimelineEvent* kept = AddEvent(timeline, 0, 1, 2);
    std::string problem;
    EXPECT_FALSE(ReadTimeline(timeline, c.xml, &problem)) << c.xml;
    EXPECT_EQ(problem, c.problem);
    // A refused timeline is left as it was.
    ASSERT_EQ(timeline.numLayers, 1u);
    ASSERT_EQ(timeline.layers[0].count, 1u);
    EXPECT_EQ(timeline.layers[0][0], kept);
  }
}

TEST(TimelineXml, ManyLayersMayBeFewerThanAllowed) {
  Timeline timeline(1);
  std::string xml = "<demo><timeline num_layers=\"12\">";
  for (int i = 0; i < 12; ++i) xml += "<layer><event start=\"" + std::to_string(i) + "\" duration=\"1\"/></layer>";
  xml += "<layer/></timeline></demo>";
  std::string problem;
  EXPECT_FALSE(ReadTimeline(timeline, xml, &problem));
  EXPECT_EQ(problem, "line 1: \"num_layers\" is 12 but \"layer\" number 13 follows");
}

// ---- integer attribute texts ----

TEST(TimelineXml, IntegerTextsReadTheLeadingDecimalNumber) {
  struct Case {
    const char* text;  // null: attribute absent
    uint32_t word;
    int32_t int32;
  } cases[] = {
      {nullptr, 0, 0},
      {"", 0, 0},
      {"16", 16, 16},
      {"  16", 16, 16},
      {"\t+16", 16, 16},
      {"-1", 0xFFFFFFFFu, -1},
      {"12abc", 12, 12},
      {"0x10", 0, 0},
      {"abc", 0, 0},
      {"- 5", 0, 0},
      {"+", 0, 0},
      {"007", 7, 7},
      {"2147483647", 2147483647u, 2147483647},
      {"2147483648", 2147483648u, 2147483647},
      {"4294967295", 4294967295u, 2147483647},
      {"4294967296", 4294967295u, 2147483647},
      {"-2147483648", 0x80000000u, INT32_MIN},
      {"-2147483649", 0x80000000u, INT32_MIN},
      {"99999999999999999999999", 4294967295u, 2147483647},
      {"-99999999999999999999999", 0x80000000u, INT32_MIN},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(timeline_text::ReadWord(c.text), c.word) << (c.text ? c.text : "(absent)");
    EXPECT_EQ(timeline_text::ReadInt32(c.text), c.int32) << (c.text ? c.text : "(absent)");
    TiXmlElement element("event");
    if (c.text) {
      element.SetAttribute("start", c.text);
      element.SetAttribute("param1", c.text);
    }
    GenericTimelineEvent event;
    event.Serialize(&element, false);
    EXPECT_EQ(event.start, c.word);
    EXPECT_EQ(event.duration, 0u);  // absent: 0, never active
    EXPECT_EQ(event.param1, c.int32);
  }
}

}  // namespace
