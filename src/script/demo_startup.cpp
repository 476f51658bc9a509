// demo_startup.cpp -- the demo's start-up with its script: sound, "go.xml", handler, music
//
// Kept apart from the script reader so that tools reading scripts need no message boxes.
#include <windows.h>

#include "src/script/demo_script.h"

void ShowEekMessage(const char* message) { MessageBoxA(nullptr, message, "Eek!", MB_OK); }

bool DemoScript::Start(const char* fileName, FrameHandler* handler) {
  // A tool may start the demo again after closing it (capture runs one session after another):
  // a closed script starts afresh from an empty one-layer timeline, as constructed.
  if (!timeline) {
    timeline = new Timeline(1);
    timeline->SetBpm(bpm);
  }
  InitSound();  // its result is not acted on: without sound the clock still runs
  reportProblem = ShowEekMessage;
  Serialize(fileName, false, new GenericTimelineEvent(0, 0));
  InstallFrameHandler(handler);
  if (!problem.empty()) return false;
  SetPlaying(true);
  return true;
}
