// script_input_test.cpp -- scripts at the edges of their input: tempos a demo cannot keep, numbers
// quoted as written, a FIFO named as the script
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "fmod.h"
#include "platform/testing/testing.h"
#include "src/script/demo_script.h"
#include "tests/script/script_fixture.h"

namespace {

using script_test::TempPath;

class ScriptInputTest : public script_test::ScriptTest {
 protected:
  void SetUp() override {
    ScriptTest::SetUp();
    music_ = script_test::MusicFile();
  }
  // The problem DemoScript states for `text` read as a script ("" when it reads it).
  std::string Problem(const std::string& text) {
    std::string path = TempPath("script.xml");
    std::ofstream(path, std::ios::binary) << text;
    DemoScript script;
    script.Serialize(path.c_str(), false, new GenericTimelineEvent(0, 0));
    std::string problem = script.problem;
    script.Close();
    std::remove(path.c_str());
    if (problem.compare(0, path.size(), path) == 0) problem.erase(0, path.size());
    return problem;
  }
  std::string Script(const std::string& bpm, const std::string& layers) {
    return "<demo music_filename=\"" + music_ + "\" bpm=\"" + bpm + "\">\n<timeline num_layers=\"" + layers +
           "\"/></demo>";
  }
  std::string music_;
};

TEST_F(ScriptInputTest, TempoAndLayerCountsRefusedAsWritten) {
  const std::string slow = "; a sixteenth note would last more than a minute (the tempo may be 0.25 to 15000 beats per "
                           "minute)";
  const std::string fast = "; a sixteenth note would last less than 1 ms (the tempo may be 0.25 to 15000 beats per "
                           "minute)";
  struct Case {
    std::string bpm, layers, problem;
  } cases[] = {
      {"1e-40", "1", " line 1: \"bpm\" is 1e-40" + slow},
      {"0.2", "1", " line 1: \"bpm\" is 0.2" + slow},
      {"15001", "1", " line 1: \"bpm\" is 15001" + fast},
      {"1e30", "1", " line 1: \"bpm\" is 1e30" + fast},
      {"0.25", "1", ""},  // a sixteenth of exactly a minute
      {"15000", "1", ""},  // a sixteenth of exactly 1 ms
      {"120", "18446744073709551617",
       " line 2: \"num_layers\" is 18446744073709551617, more than the 256 layers a timeline can hold"},
      {"120", "-99999999999999999999", " line 2: \"num_layers\" is -99999999999999999999; a timeline has 0 or more layers"},
  };
  for (const Case& c : cases) {
    std::string problem = Problem(Script(c.bpm, c.layers));
    if (c.problem.find("256 layers") != std::string::npos) {
      // The largest layer count is the timeline's; only the quoted value matters here.
      EXPECT_EQ(0u, problem.find(" line 2: \"num_layers\" is 18446744073709551617, more than the ")) << problem;
    } else {
      EXPECT_EQ(c.problem, problem) << "bpm " << c.bpm << " layers " << c.layers;
    }
  }
}

TEST_F(ScriptInputTest, FifoNamedAsTheScriptIsRefusedWithoutBlocking) {
  std::string fifo = TempPath("fifo.xml");
  std::remove(fifo.c_str());
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
  DemoScript script;
  EXPECT_FALSE(script.Serialize(fifo.c_str(), false, new GenericTimelineEvent(0, 0)));
  EXPECT_EQ(fifo + ": is not a regular file", script.problem);
  script.Close();
  std::remove(fifo.c_str());
}

}  // namespace
