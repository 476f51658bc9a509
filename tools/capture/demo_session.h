// demo_session.h -- the demo started as qola starts it, on an offscreen device, one frame at a time
//
// Capture runs the demo's own start-up and frame code: the Device (offscreen, the demo's back
// buffer of 1024 x 768 with four samples), then the entry function's start-up (the process-wide
// demo script with "go.xml" and its music, the effect dispatcher, every effect's resources, the
// warm-up draws); then per frame the loop's clear, DemoScript::Update and present.
// Time is whatever the platform's clocks answer: capture sets the virtual clock before each
// RenderFrame. The session does not know it is being captured, and neither does the demo.
#pragma once

#include <d3d9.h>

#include <cstdint>
#include <string>

class Device;
class FrameHandler;

namespace capture {

class DemoSession {
 public:
  DemoSession() = default;
  ~DemoSession() { Stop(); }
  DemoSession(const DemoSession&) = delete;
  DemoSession& operator=(const DemoSession&) = delete;

  // Starts the demo in the working directory; once per session. handler: null for the demo's
  // own effect dispatcher, or a frame handler that replaces it (owned from here on). False with *problem set when the device cannot be made,
  // the script is refused or its music cannot be read; what was started is stopped again.
  bool Start(FrameHandler* handler, std::string* problem);
  // One frame of the demo's loop at the platform clocks' time.
  void RenderFrame();
  // Closes the script (timeline, music, sound library) and deletes the Device. Safe twice.
  void Stop();

  IDirect3DDevice9* Direct3DDevice() const;
  uint32_t MusicLengthMs() const;
  const std::string& MusicFileName() const;

 private:
  Device* device_ = nullptr;  // the process-wide Device while started
  bool started_ = false;
};

}  // namespace capture
