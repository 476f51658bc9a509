// demo_script.cpp -- reading and writing "go.xml"; the music stream as the timeline's clock
#include "src/script/demo_script.h"

#include <tinyxml.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <memory>

#include "src/script/script_document.h"
#include "src/script/script_tempo.h"

namespace {

constexpr int kMixRate = 44100;
constexpr int kSoftwareChannels = 64;

// "%d" of the tempo: truncated toward zero and kept inside int, whatever the float holds.
int TempoAsInt(float tempo) {
  double t = static_cast<double>(tempo);
  if (std::isnan(t)) return 0;
  if (t >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (t <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(t);
}

std::string LineOf(const TiXmlNode* node) { return "line " + std::to_string(node->Row()) + ": "; }

}  // namespace

void PrintScriptProblem(const char* message) { std::fprintf(stderr, "%s\n", message); }

DemoScript::DemoScript()
    : timeline(new Timeline(1)),
      title("TolvaneDemo"),
      bpm(120.0f),
      stream(nullptr),
      playing(false),
      reportProblem(PrintScriptProblem) {
  timeline->SetBpm(bpm);
}

DemoScript::~DemoScript() {
  // Close has normally destroyed the timeline already; a script that was never closed (a
  // tool, a test) must not leak it. The stream is left alone: the sound library may be gone.
  if (timeline) {
    timeline->Destroy();
    delete timeline;
  }
}

bool DemoScript::InitSound() { return FSOUND_Init(kMixRate, kSoftwareChannels, 0) != 0; }

bool DemoScript::Serialize(const char* fileName, bool save, TimelineEvent* prototype) {
  if (save) return Write(fileName);
  std::unique_ptr<TimelineEvent> owned(prototype);  // deleted however reading ends
  return Read(fileName, prototype);
}

bool DemoScript::Refuse(const char* fileName, const std::string& what) {
  // what is "line 12: ..." or a sentence about the whole file.
  bool hasLine = what.compare(0, 5, "line ") == 0;
  problem = std::string(fileName) + (hasLine ? " " : ": ") + what;
  if (reportProblem) reportProblem(problem.c_str());
  return false;
}

bool DemoScript::Read(const char* fileName, TimelineEvent* prototype) {
  if (!ReadScript(fileName, prototype)) return false;
  if (stream) FSOUND_Stream_Close(stream);
  stream = FSOUND_Stream_Open(musicFileName.c_str(), FSOUND_MPEGACCURATE, 0, 0);
  return stream != nullptr;
}

bool DemoScript::ReadScript(const char* fileName, TimelineEvent* prototype) {
  problem.clear();
  if (!fileName) fileName = "";
  if (!timeline) return Refuse(fileName, "the script was already closed");
  TiXmlDocument doc;
  std::string why;
  if (!script_document::Load(fileName, &doc, &why)) return Refuse(fileName, why);

  TiXmlElement* demo = doc.FirstChildElement("demo");
  if (!demo) return Refuse(fileName, "no \"demo\" element");
  if (!demo->FirstChildElement("timeline")) return Refuse(fileName, LineOf(demo) + "\"demo\" has no \"timeline\" element");
  const char* music = demo->Attribute("music_filename");
  if (!music) return Refuse(fileName, LineOf(demo) + "\"demo\" has no \"music_filename\" (the music file to play)");
  double tempo = 0.0;
  if (!script_tempo::Read(demo, &tempo, &why)) return Refuse(fileName, why);
  const float tempo32 = static_cast<float>(tempo);
  // The timeline checks its own element before it changes anything.
  if (!timeline->Serialize(demo, false, prototype, &why)) return Refuse(fileName, why);

  bpm = tempo32;
  timeline->SetBpm(bpm);
  const char* windowTitle = demo->Attribute("window_title");
  title = windowTitle ? windowTitle : "";
  musicFileName = music;
  return true;
}

bool DemoScript::Write(const char* fileName) const {
  if (!fileName || !timeline) return false;
  TiXmlDocument doc(fileName);
  TiXmlElement demo("demo");
  demo.SetAttribute("music_filename", musicFileName);
  demo.SetAttribute("bpm", TempoAsInt(bpm));
  demo.SetAttribute("window_title", title);
  timeline->Serialize(&demo, true, nullptr);
  doc.InsertEndChild(demo);
  return doc.SaveFile();
}

void DemoScript::InstallFrameHandler(FrameHandler* handler) {
  if (timeline) {
    timeline->SetHandler(handler);
  } else {
    delete handler;
  }
}

bool DemoScript::SetPlaying(bool play) {
  playing = play;
  if (play) return FSOUND_Stream_Play(FSOUND_FREE, stream) != -1;
  return FSOUND_Stream_Stop(stream) != 0;
}

bool DemoScript::Update() {
  if (!timeline || !stream) return false;
  // Read once: every layer and the handler see the same moment of the music.
  const uint32_t timeMs = static_cast<uint32_t>(FSOUND_Stream_GetTime(stream));
  timeline->Update(timeMs);
  return timeline->RunHandler();
}

void DemoScript::Close() {
  if (timeline) {
    timeline->Destroy();
    delete timeline;
    timeline = nullptr;
  }
  FSOUND_Stream_Close(stream);  // harmless when the music never opened
  stream = nullptr;
  playing = false;
  FSOUND_Close();
}
