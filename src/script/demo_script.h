// demo_script.h -- DemoScript: the demo script "go.xml", its timeline and the music clock
//
// The script names the music, gives the tempo and a title, and holds the timeline. The music
// stream is the demo's clock: every frame Update reads its play position and runs the timeline
// at that time. A script that cannot be used is refused with one message naming the file, the
// line and the problem; the entry function then ends the program before its frame loop.
#pragma once

#include <string>

#include "fmod.h"
#include "src/timeline/timeline.h"

class DemoScript {
 public:
  DemoScript();
  ~DemoScript();
  DemoScript(const DemoScript&) = delete;
  DemoScript& operator=(const DemoScript&) = delete;

  // Starts the sound library: FSOUND_Init(44100, 64, 0). True when it started.
  bool InitSound();

  // save false: reads fileName, making every event with prototype, which it deletes before
  // returning; opens the music stream; returns whether the stream opened. A refused script
  // leaves the object as it was, sets `problem` and reports it through reportProblem.
  // save true: writes the object to fileName (prototype unused); returns whether it was written.
  bool Serialize(const char* fileName, bool save, TimelineEvent* prototype);

  // Reads fileName's tempo, title, music file name and timeline into this script as Serialize
  // does, but leaves the music stream alone (the preview reloads an edited script this way
  // and reopens the music only when its name changed). A refused script changes nothing.
  bool ReadScript(const char* fileName, TimelineEvent* prototype);

  // Deletes the timeline's handler, if any, and owns this one.
  void InstallFrameHandler(FrameHandler* handler);
  // true: plays the stream on a free channel; false: stops it. Whether the call succeeded.
  bool SetPlaying(bool play);
  // One frame: the music position, the timeline's update, the frame handler. The handler's
  // result; false (nothing drawn) without a timeline or a stream.
  bool Update();
  // Destroys the timeline, closes the stream and the sound library.
  void Close();

  // The entry function's start-up steps after the Device: start the sound library, read
  // fileName with a GenericTimelineEvent prototype (a refusal shown as the "Eek!" message box),
  // install handler (owned from here on), start the music. False when the script was refused;
  // the caller then calls Close and ends the program. (demo_startup.cpp)
  bool Start(const char* fileName, FrameHandler* handler);

  Timeline* timeline;         // owned
  std::string title;          // kept and written back
  std::string musicFileName;  // relative to the working directory
  float bpm;                  // beats (quarter notes) per minute
  FSOUND_STREAM* stream;      // null when the music did not open
  bool playing;

  // Why the last reading refused the script; empty when it was read.
  std::string problem;
  // Shows a refusal: standard error unless set; Start sets the demo's "Eek!" message box.
  void (*reportProblem)(const char* message);

 private:
  bool Read(const char* fileName, TimelineEvent* prototype);
  bool Write(const char* fileName) const;
  bool Refuse(const char* fileName, const std::string& what);
};

// Reports of a refused script: the demo's MessageBoxA(NULL, message, "Eek!", MB_OK)
// (demo_startup.cpp), and one line on standard error.
void ShowEekMessage(const char* message);
void PrintScriptProblem(const char* message);
