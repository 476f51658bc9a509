// frame_handler.h -- FrameHandler: what the timeline calls once per frame to draw
#pragma once

class Timeline;

// The one operation the timeline runs after every update. A handler holds no data; the
// timeline it is installed in owns it and deletes it through this interface.
class FrameHandler {
 public:
  virtual ~FrameHandler() = default;
  virtual bool Run(Timeline* timeline) = 0;
};
