// frame_pipeline_test.cpp -- the capture's worker threads: frame order, every frame once, and a
// failing stage that stops the others without a hang or a thread left behind
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tools/capture/frame_pipeline.h"

namespace {

// Records what reached it; fails at one frame in one stage when told to. Each frame's "pixels"
// are its index, so that a slot holding the wrong frame shows.
class RecordingSink : public capture::FrameSink {
 public:
  RecordingSink(bool eachAlone, const char* failStage, uint32_t failAt)
      : eachAlone_(eachAlone), failStage_(failStage), failAt_(failAt) {}
  bool Reserve(int slots, std::string*) override {
    slots_.assign(static_cast<size_t>(slots), ~0u);
    return true;
  }
  bool Convert(const pictures::FrameView& image, int slot, std::string* problem) override {
    uint32_t index;
    std::memcpy(&index, image.bgrx, sizeof index);
    if (std::string(failStage_) == "convert" && index == failAt_) return Fail(problem);
    slots_[static_cast<size_t>(slot)] = index;
    return true;
  }
  bool Encode(int slot, uint32_t index, std::string* problem) override {
    std::this_thread::sleep_for(std::chrono::microseconds(200 * (index % 3)));  // encoders of uneven speed
    if (std::string(failStage_) == "encode" && index == failAt_) return Fail(problem);
    std::lock_guard<std::mutex> lock(mutex_);
    encoded.push_back(index);
    if (slots_[static_cast<size_t>(slot)] != index) misplaced = true;
    return true;
  }
  bool EncodesEachFrameAlone() const override { return eachAlone_; }
  bool Finish(std::string*) override { return true; }

  std::vector<uint32_t> encoded;
  bool misplaced = false;

 private:
  bool Fail(std::string* problem) {
    *problem = std::string(failStage_) + " failed at frame " + std::to_string(failAt_);
    return false;
  }
  bool eachAlone_;
  const char* failStage_;
  uint32_t failAt_;
  std::mutex mutex_;
  std::vector<uint32_t> slots_;
};

// Frames handed over as the drawing thread does it: two copies taken back in turn.
bool RunFrames(capture::FrameSink* sink, int encoders, uint32_t frames, std::string* problem) {
  capture::FramePipeline pipeline;
  if (!pipeline.Start(sink, encoders, problem)) return false;
  uint32_t copies[2] = {};
  for (uint32_t i = 0; i < frames && !pipeline.Failed(); ++i) {
    const int copy = static_cast<int>(i % 2);
    pipeline.WaitForCopy(copy);
    copies[copy] = i;
    pictures::FrameView frame;
    frame.bgrx = reinterpret_cast<const uint8_t*>(&copies[copy]);
    pipeline.Convert(copy, frame, i);
  }
  return pipeline.Finish(problem);
}

TEST(FramePipeline, EncodesEveryFrameOnceAndInOrderWhenTheSinkNeedsIt) {
  for (bool eachAlone : {false, true}) {
    SCOPED_TRACE(eachAlone ? "each frame alone, three encoders" : "in order, one encoder");
    RecordingSink sink(eachAlone, "", 0);
    std::string problem;
    ASSERT_TRUE(RunFrames(&sink, eachAlone ? 3 : 1, 200, &problem)) << problem;
    ASSERT_EQ(200u, sink.encoded.size());
    EXPECT_FALSE(sink.misplaced) << "a slot was encoded as another frame";
    std::vector<bool> seen(200, false);
    for (size_t i = 0; i < sink.encoded.size(); ++i) {
      if (!eachAlone) {
        EXPECT_EQ(i, sink.encoded[i]) << "out of order";
      }
      ASSERT_LT(sink.encoded[i], 200u);
      EXPECT_FALSE(seen[sink.encoded[i]]) << "frame " << sink.encoded[i] << " twice";
      seen[sink.encoded[i]] = true;
    }
  }
}

TEST(FramePipeline, AFailingStageStopsTheOthersAndSaysWhy) {
  struct Case {
    const char* stage;
    int encoders;
  } cases[] = {{"convert", 1}, {"encode", 1}, {"convert", 3}, {"encode", 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.stage) + " with " + std::to_string(c.encoders) + " encoders");
    RecordingSink sink(c.encoders > 1, c.stage, 40);
    std::string problem;
    EXPECT_FALSE(RunFrames(&sink, c.encoders, 1000, &problem));  // returns: no thread waits for ever
    EXPECT_EQ(std::string(c.stage) + " failed at frame 40", problem);
    EXPECT_LT(sink.encoded.size(), 1000u) << "the frames after the failure were not dropped";
    for (uint32_t index : sink.encoded) EXPECT_NE(40u, index);
  }
}

}  // namespace
