// demo_script_test.cpp -- reading, writing and refusing "go.xml"; the music as the clock
#include <gtest/gtest.h>
#include <sndfile.h>
#include <tinyxml.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "fmod.h"
#include "platform/testing/testing.h"
#include "src/script/demo_script.h"
#include "src/script/script_document.h"
#include "tests/script/script_fixture.h"

namespace {

using script_test::MusicFile;
using script_test::ReadFile;
using script_test::TempPath;
using script_test::WriteFile;

class DemoScriptTest : public script_test::ScriptTest {};

struct CountingHandler : FrameHandler {
  explicit CountingHandler(int* runs) : runs(runs) {}
  bool Run(Timeline*) override { return ++*runs > 0; }
  int* runs;
};

// ---- refusals ----

TEST_F(DemoScriptTest, RefusesUnusableScriptsWithOneEekMessage) {
  const std::string music = "music_filename=\"" + MusicFile() + "\"";
  // A one-layer script whose "demo" element has these tempo attributes.
  auto withTempo = [&](const std::string& bpm) { return "<demo " + music + bpm + "><timeline num_layers=\"1\"/></demo>"; };
  const std::string aboveZero = "; the tempo must be a number of beats per minute above 0";
  struct Case {
    const char* name;
    std::string text;  // empty name: the file does not exist
    std::string message;  // after "<path>"
  } cases[] = {
      {nullptr, "", ": cannot be opened (No such file or directory)"},
      {"empty.xml", "", ": not well-formed XML (Error document empty.)"},
      {"broken.xml", "<demo bpm=\"120\">\n<timeline>\n</demo>", " line 3: not well-formed XML (Error reading end tag.)"},
      {"nodemo.xml", "<show bpm=\"120\"/>", ": no \"demo\" element"},
      {"notimeline.xml", "\n<demo " + music + " bpm=\"120\"/>", " line 2: \"demo\" has no \"timeline\" element"},
      {"nomusic.xml", "<demo bpm=\"120\"><timeline num_layers=\"1\"/></demo>",
       " line 1: \"demo\" has no \"music_filename\" (the music file to play)"},
      {"nobpm.xml", withTempo(""), " line 1: \"demo\" has no \"bpm\"" + aboveZero},
      {"zerobpm.xml", withTempo(" bpm=\"0\""), " line 1: \"bpm\" is 0" + aboveZero},
      {"negbpm.xml", withTempo(" bpm=\"-120\""), " line 1: \"bpm\" is -120" + aboveZero},
      {"textbpm.xml", withTempo(" bpm=\"fast\""), " line 1: \"bpm\" is \"fast\", not a number"},
      {"hugebpm.xml", withTempo(" bpm=\"1e300\""), " line 1: \"bpm\" is 1e300" + aboveZero},
      {"layers.xml", "<demo " + music + " bpm=\"120\">\n<timeline num_layers=\"1\">\n<layer/>\n<layer/>\n</timeline></demo>",
       " line 4: \"num_layers\" is 1 but a second \"layer\" follows"},
      {"neglayers.xml", "<demo " + music + " bpm=\"120\">\n<timeline num_layers=\"-1\"/></demo>",
       " line 2: \"num_layers\" is -1; a timeline has 0 or more layers"},
  };
  for (const Case& c : cases) {
    std::string path = c.name ? WriteFile(c.name, c.text) : TempPath("missing.xml");
    SCOPED_TRACE(path);
    platform_testing::ClearMessageBoxes();
    DemoScript script;
    int runs = 0;
    EXPECT_FALSE(script.Start(path.c_str(), new CountingHandler(&runs)));  // as the demo starts
    EXPECT_EQ(script.problem, path + c.message);
    EXPECT_FALSE(script.playing);
    ASSERT_EQ(platform_testing::MessageBoxes().size(), 1u);
    EXPECT_EQ(platform_testing::MessageBoxes()[0].caption, "Eek!");
    EXPECT_EQ(platform_testing::MessageBoxes()[0].text, script.problem);
    // Refused: nothing of the script was taken over.
    EXPECT_EQ(script.title, "TolvaneDemo");
    EXPECT_EQ(script.bpm, 120.0f);
    EXPECT_EQ(script.stream, nullptr);
    ASSERT_NE(script.timeline, nullptr);
    EXPECT_EQ(script.timeline->numLayers, 1u);
    script.Close();
    if (c.name) std::remove(path.c_str());
  }
}

TEST_F(DemoScriptTest, ToolsGetTheMessageWithoutADialog) {
  DemoScript script;
  EXPECT_EQ(script.reportProblem, &PrintScriptProblem);
  EXPECT_FALSE(script.Serialize(TempPath("absent.xml").c_str(), false, new GenericTimelineEvent(0, 0)));
  EXPECT_FALSE(script.problem.empty());
  EXPECT_TRUE(platform_testing::MessageBoxes().empty());
  script.Close();
}

TEST_F(DemoScriptTest, RefusesFilesThatWouldExhaustTheParser) {
  std::string deep = "<demo music_filename=\"m\" bpm=\"120\"><timeline num_layers=\"1\">";
  for (int i = 0; i < 100000; ++i) deep += "<a>";
  std::string path = WriteFile("deep.xml", deep);
  DemoScript script;
  EXPECT_FALSE(script.Serialize(path.c_str(), false, new GenericTimelineEvent(0, 0)));
  EXPECT_EQ(script.problem, path + " line 1: elements nest more than 256 deep");
  script.Close();
  std::remove(path.c_str());
  // A directory is no script.
  DemoScript dir;
  EXPECT_FALSE(dir.Serialize(::testing::TempDir().c_str(), false, new GenericTimelineEvent(0, 0)));
  EXPECT_EQ(dir.problem, ::testing::TempDir() + ": is not a regular file");
  dir.Close();
}

TEST(ScriptDocument, NestingCountsElementsNotMarkup) {
  struct Case {
    const char* text;
    int depth;
  } cases[] = {
      {"<a><b/><c><d></d></c></a>", 3},
      {"<a x=\"<b><c>\" y='<d>'><e/></a>", 2},          // quoted "<" opens nothing
      {"<a><!-- <b><c><d> --><![CDATA[<e><f>]]></a>", 1},  // nor in comments and CDATA
      {"<?xml version=\"1.0\"?><!DOCTYPE a><a/>", 1},
      {"<a/><b/><c/>", 1},
  };
  for (const Case& c : cases) {
    int line = 0;
    EXPECT_EQ(script_document::DeepestNesting(c.text, 256, &line), c.depth) << c.text;
    EXPECT_EQ(line, 0);
  }
  int line = 0;
  EXPECT_EQ(script_document::DeepestNesting("<a>\n<b>\n<c>", 2, &line), 3);
  EXPECT_EQ(line, 3);
}

// ---- reading and writing ----

TEST_F(DemoScriptTest, ReadsAttributesInAnyOrderAndOpensTheMusic) {
  const std::string music = MusicFile();
  const std::string orders[] = {
      "<demo music_filename=\"" + music + "\" bpm=\"128.5\" window_title=\"Hi\">",
      "<demo window_title=\"Hi\" bpm=\"128.5\" music_filename=\"" + music + "\">",
      "<demo bpm=\" 128.5\" window_title=\"Hi\" music_filename=\"" + music + "\">",
  };
  for (const std::string& open : orders) {
    std::string path = WriteFile("order.xml",
                                 "<?xml version=\"1.0\"?>\r\n<!-- a script -->\r\n" + open +
                                     "<timeline num_layers=\"2\"><layer><event start=\"16\" duration=\"4\" "
                                     "param0=\"3\" param1=\"1000\"/></layer></timeline></demo>");
    DemoScript script;
    script.InitSound();
    EXPECT_TRUE(script.Serialize(path.c_str(), false, new GenericTimelineEvent(0, 0))) << open;
    EXPECT_TRUE(script.problem.empty()) << script.problem;
    EXPECT_EQ(script.bpm, 128.5f);
    EXPECT_EQ(script.timeline->bpm, 128.5f);
    EXPECT_EQ(script.title, "Hi");
    EXPECT_EQ(script.musicFileName, music);
    EXPECT_NE(script.stream, nullptr);
    ASSERT_EQ(script.timeline->numLayers, 2u);
    ASSERT_EQ(script.timeline->layers[0].count, 1u);
    EXPECT_EQ(static_cast<GenericTimelineEvent*>(script.timeline->layers[0][0])->param1, 1000);
    EXPECT_TRUE(platform_testing::MessageBoxes().empty());
    script.Close();
    std::remove(path.c_str());
  }
}

TEST_F(DemoScriptTest, AMissingTitleIsEmptyAndMissingMusicRunsWithoutAClock) {
  std::string path = WriteFile("nomusicfile.xml",
                               "<demo music_filename=\"no/such.ogg\" bpm=\"120\"><timeline num_layers=\"1\">"
                               "<layer><event start=\"0\" duration=\"64\"/></layer></timeline></demo>");
  DemoScript script;
  script.InitSound();
  EXPECT_FALSE(script.Serialize(path.c_str(), false, new GenericTimelineEvent(0, 0)));
  EXPECT_TRUE(script.problem.empty());  // not refused: the demo runs, black
  EXPECT_EQ(script.title, "");
  EXPECT_EQ(script.stream, nullptr);
  int runs = 0;
  script.InstallFrameHandler(new CountingHandler(&runs));
  EXPECT_FALSE(script.SetPlaying(true));
  EXPECT_FALSE(script.Update());
  EXPECT_EQ(runs, 0);  // no stream: the handler is not run
  script.Close();      // closes a null stream and the library without harm
  EXPECT_EQ(script.timeline, nullptr);
  EXPECT_FALSE(script.Update());
  std::remove(path.c_str());
}

TEST_F(DemoScriptTest, AWrittenScriptReadsBackEqual) {
  std::string source = WriteFile(
      "source.xml", "<demo music_filename=\"" + MusicFile() +
                        "\" bpm=\"128.5\" window_title=\"Round &amp; trip\"><timeline num_layers=\"3\">"
                        "<layer><event start=\"1\" duration=\"2\" param0=\"3\" param1=\"-4\" param2=\"5\"/>"
                        "<event start=\"-1\" duration=\"7\"/></layer><layer/>"
                        "<layer><event start=\"9\" duration=\"10\" param0=\"11\"/></layer></timeline></demo>");
  DemoScript first;
  first.InitSound();
  ASSERT_TRUE(first.Serialize(source.c_str(), false, new GenericTimelineEvent(0, 0))) << first.problem;
  std::string written = TempPath("written.xml");
  GenericTimelineEvent unused;
  ASSERT_TRUE(first.Serialize(written.c_str(), true, &unused));  // writing leaves the prototype alone
  EXPECT_NE(ReadFile(written).find("bpm=\"128\""), std::string::npos);  // "%d" of the tempo

  DemoScript second;
  ASSERT_TRUE(second.Serialize(written.c_str(), false, new GenericTimelineEvent(0, 0))) << second.problem;
  EXPECT_EQ(second.bpm, 128.0f);
  EXPECT_EQ(second.title, "Round & trip");
  EXPECT_EQ(second.musicFileName, first.musicFileName);
  ASSERT_EQ(second.timeline->numLayers, 3u);
  for (uint32_t l = 0; l < 3; ++l) {
    ASSERT_EQ(second.timeline->layers[l].count, first.timeline->layers[l].count);
    for (uint32_t i = 0; i < first.timeline->layers[l].count; ++i) {
      auto* a = static_cast<GenericTimelineEvent*>(first.timeline->layers[l][i]);
      auto* b = static_cast<GenericTimelineEvent*>(second.timeline->layers[l][i]);
      EXPECT_EQ(a->start, b->start);
      EXPECT_EQ(a->duration, b->duration);
      EXPECT_EQ(a->param0, b->param0);
      EXPECT_EQ(a->param1, b->param1);
      EXPECT_EQ(a->param2, b->param2);
    }
  }
  EXPECT_EQ(second.timeline->layers[0][1]->start, 0xFFFFFFFFu);
  second.Close();
  first.Close();
  std::remove(source.c_str());
  std::remove(written.c_str());
}

TEST_F(DemoScriptTest, AFreshScriptWritesItsDefaults) {
  DemoScript script;
  std::string path = TempPath("fresh.xml");
  ASSERT_TRUE(script.Serialize(path.c_str(), true, nullptr));
  EXPECT_EQ(ReadFile(path),
            "<demo music_filename=\"\" bpm=\"120\" window_title=\"TolvaneDemo\">\n"
            "    <timeline num_layers=\"1\">\n"
            "        <layer />\n"
            "    </timeline>\n"
            "</demo>\n");
  EXPECT_FALSE(script.Serialize("/no/such/dir/x.xml", true, nullptr));
  script.Close();
  std::remove(path.c_str());
}

// ---- the music as the clock ----

TEST_F(DemoScriptTest, StartPlaysAndEveryFrameFollowsTheMusic) {
  std::string path = WriteFile("clock.xml", "<demo music_filename=\"" + MusicFile() +
                                                "\" bpm=\"120\"><timeline num_layers=\"1\"><layer>"
                                                "<event start=\"0\" duration=\"2\" param0=\"7\"/>"
                                                "<event start=\"2\" duration=\"1000\" param0=\"8\"/>"
                                                "</layer></timeline></demo>");
  DemoScript script;
  int runs = 0;
  ASSERT_TRUE(script.Start(path.c_str(), new CountingHandler(&runs)));
  EXPECT_TRUE(script.playing);
  EXPECT_TRUE(script.Update());
  EXPECT_EQ(runs, 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  EXPECT_TRUE(script.Update());
  LayerState state = script.timeline->GetLayerState(0);
  ASSERT_NE(state.event, nullptr);  // 250 ms and later: the second event
  EXPECT_EQ(static_cast<GenericTimelineEvent*>(state.event)->param0, 8);
  EXPECT_GE(state.elapsedMs, 50u);
  EXPECT_TRUE(script.SetPlaying(false));
  EXPECT_FALSE(script.playing);
  script.Close();
  std::remove(path.c_str());
}

TEST_F(DemoScriptTest, StartReportsARefusedScript) {
  DemoScript script;
  int runs = 0;
  EXPECT_FALSE(script.Start(TempPath("absent.xml").c_str(), new CountingHandler(&runs)));
  EXPECT_EQ(platform_testing::MessageBoxes().size(), 1u);
  EXPECT_FALSE(script.playing);
  script.Close();  // deletes the handler it was given
}

}  // namespace
