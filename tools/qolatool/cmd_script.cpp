// cmd_script.cpp -- `qolatool script`: a demo script's layers at given music times
//
// The script is read by DemoScript::Serialize, the code the demo reads "go.xml" with, so a
// script the tool accepts is one the demo accepts, with the same tempo, layers and events.
// Events may carry a "name" (go.xml names the tune's sections on layer 1); the demo ignores
// it, so the tool reads the names from the same file with TinyXML, event by event.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fmod.h"
#include "src/script/demo_script.h"
#include "src/script/event_names.h"
#include "src/script/script_document.h"
#include "tools/qolatool/arguments.h"
#include "tools/qolatool/subcommand.h"

namespace {

constexpr const char* kHelp =
    "usage: qolatool script FILE [--at MS]...\n"
    "\n"
    "Reads the demo script FILE exactly as the demo reads \"go.xml\" and prints what each\n"
    "layer of its timeline holds at the given music times.\n"
    "\n"
    "First a few lines describe the script (title, tempo, music file, layers and events);\n"
    "none of them begins with \"at \". Then, for every --at time in the order given and for\n"
    "every layer in index order, one line:\n"
    "  at MS layer L: none\n"
    "  at MS layer L: event I elapsed E fraction F\n"
    "MS is the music time in milliseconds, L the layer's index, I the active event's index\n"
    "within its layer in file order (from 0), E the milliseconds since the event started and\n"
    "F the fraction of the event that has passed, with six decimals. An event with a \"name\"\n"
    "attribute (the demo ignores it; go.xml names the tune's sections on layer 1 with it)\n"
    "gets the name at the end of its line:\n"
    "  at MS layer L: event I elapsed E fraction F name NAME\n"
    "\n"
    "The music file is opened as the demo opens it, relative to the working directory, and\n"
    "is not played. A script the demo would refuse prints the demo's message on standard\n"
    "error and exits with 1; bad arguments exit with 2.\n";

int Usage(const std::string& problem) { return UsageError("script", problem); }

int EventIndex(const TimelineLayer& layer, const TimelineEvent* event) {
  for (uint32_t i = 0; i < layer.count; ++i) {
    if (layer[i] == event) return static_cast<int>(i);
  }
  return -1;
}

void PrintHeader(const char* file, const DemoScript& script) {
  const Timeline& timeline = *script.timeline;
  std::printf("script \"%s\"\n", file);
  std::printf("title \"%s\"\n", script.title.c_str());
  std::printf("tempo %g bpm, one sixteenth note %.4f ms\n", static_cast<double>(script.bpm),
              static_cast<double>(timeline_math::SixteenthUnit(script.bpm)));
  if (script.stream) {
    std::printf("music \"%s\": %d ms\n", script.musicFileName.c_str(), FSOUND_Stream_GetLengthMs(script.stream));
  } else {
    std::printf("music \"%s\": cannot be opened from this directory\n", script.musicFileName.c_str());
  }
  uint32_t events = 0;
  for (uint32_t l = 0; l < timeline.numLayers; ++l) events += timeline.layers[l].count;
  std::printf("layers %u, events %u\n", timeline.numLayers, events);
  for (uint32_t l = 0; l < timeline.numLayers; ++l) {
    std::printf("layer %u: %u events\n", l, timeline.layers[l].count);
  }
}

void PrintStates(Timeline* timeline, const EventNames& names, uint32_t ms) {
  timeline->Update(ms);
  for (uint32_t l = 0; l < timeline->numLayers; ++l) {
    LayerState state = timeline->GetLayerState(l);
    if (!state.event) {
      std::printf("at %u layer %u: none\n", ms, l);
    } else {
      const int index = EventIndex(timeline->layers[l], state.event);
      std::printf("at %u layer %u: event %d elapsed %u fraction %.6f", ms, l, index, state.elapsedMs,
                  static_cast<double>(state.fraction));
      if (index >= 0 && !names[l][index].empty()) std::printf(" name %s", names[l][index].c_str());
      std::printf("\n");
    }
  }
}

int RunScript(int argc, char** argv) {
  const char* file = nullptr;
  std::vector<uint32_t> times;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--at") == 0) {
      uint32_t ms = 0;
      if (i + 1 >= argc) return Usage("--at needs a time in milliseconds");
      if (!ParseMs(argv[++i], &ms)) {
        std::string problem = std::string("--at \"") + argv[i] + "\" is not a time in milliseconds (0 to 4294967295)";
        return Usage(problem.c_str());
      }
      times.push_back(ms);
    } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
      std::string problem = std::string("unknown option \"") + argv[i] + "\"";
      return Usage(problem.c_str());
    } else if (file) {
      return Usage("give one script FILE");
    } else {
      file = argv[i];
    }
  }
  if (!file) return Usage("no script FILE given");

  DemoScript script;
  script.reportProblem = PrintScriptProblem;  // the demo's message, without its dialog
  // The demo's own order: the sound library first, then the script (which opens the music).
  // The tool plays nothing, so the library gets no sound device.
  FSOUND_SetOutput(FSOUND_OUTPUT_NOSOUND);
  script.InitSound();
  script.Serialize(file, false, new GenericTimelineEvent(0, 0));
  if (!script.problem.empty()) {
    script.Close();
    return 1;
  }
  PrintHeader(file, script);
  const EventNames names = ReadEventNames(file, *script.timeline);
  for (uint32_t ms : times) PrintStates(script.timeline, names, ms);
  script.Close();
  return 0;
}

Subcommand script{"script", "FILE [--at MS]...", "print a demo script's layers at music times", RunScript};

}  // namespace
