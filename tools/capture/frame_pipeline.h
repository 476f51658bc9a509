// frame_pipeline.h -- a capture's conversion and encoding on worker threads
//
// The thread that draws (the GL context's own) hands each locked read-back copy over with
// Convert and takes it back with WaitForCopy, to unlock it and read a later frame into it. One
// converter thread turns the copies, in frame order, into the sink's slots; encoder threads
// take the converted slots: one for a sink whose frames go in order (a video, a GIF), a few
// for one that writes each frame to a file of its own (PNG frames). Every queue is a fixed ring
// made at Start. A stage that fails stops the others; Finish waits for every frame handed over
// and ends the threads, on every path.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "tools/capture/frame_sink.h"
#include "tools/pictures/readback.h"

namespace capture {

class FramePipeline {
 public:
  static constexpr int kMaxCopies = pictures::SurfaceReader::kMaxCopies;
  static constexpr int kMaxEncoders = 4;

  FramePipeline() = default;
  ~FramePipeline();  // Finish, when it was not called
  FramePipeline(const FramePipeline&) = delete;
  FramePipeline& operator=(const FramePipeline&) = delete;

  // Encoder threads for sink: one when its frames go in order, else one per core (2 to 4).
  static int EncodersFor(const FrameSink& sink);

  // Reserves the sink's slots and starts the threads. False with *problem set.
  bool Start(FrameSink* sink, int encoders, std::string* problem);
  // Hands copy's locked frame over as the output's frame index; returns at once. Frames come
  // in order. Nothing happens once a stage failed.
  void Convert(int copy, const pictures::FrameView& frame, uint32_t index);
  // Returns once the converter no longer reads copy (at once when it never had it).
  void WaitForCopy(int copy);
  // Waits for every frame handed over and ends the threads. False with *problem set when a
  // stage failed (its message).
  bool Finish(std::string* problem);

  bool Failed() const { return failed_.load(); }
  uint32_t Encoded() const { return encoded_.load(); }
  double ConvertSeconds() const { return convertNs_.load() * 1e-9; }
  double EncodeSeconds() const { return encodeNs_.load() * 1e-9; }

 private:
  // A fixed ring of up to N items, first in, first out.
  template <typename T, int N>
  class Ring {
   public:
    bool Empty() const { return count_ == 0; }
    void Push(const T& item) {
      items_[(head_ + count_) % N] = item;
      ++count_;
    }
    T Pop() {
      T item = items_[head_];
      head_ = (head_ + 1) % N;
      --count_;
      return item;
    }

   private:
    T items_[N] = {};
    int head_ = 0;
    int count_ = 0;
  };
  struct ConvertJob {
    int copy;
    pictures::FrameView frame;
    uint32_t index;
  };
  struct EncodeJob {
    int slot;
    uint32_t index;
  };

  void ConvertLoop();
  void EncodeLoop();
  void Fail(const std::string& problem);  // with mutex_ held

  FrameSink* sink_ = nullptr;
  std::thread converter_;
  std::thread encoders_[kMaxEncoders];
  int encoderCount_ = 0;

  std::mutex mutex_;                   // guards everything below up to the counters
  std::condition_variable convertWork_;  // a copy to convert and a free slot, or the end
  std::condition_variable encodeWork_;   // a slot to encode, or the end
  std::condition_variable copyBack_;     // a copy is free again
  Ring<ConvertJob, kMaxCopies> converts_;
  Ring<EncodeJob, FrameSink::kMaxSlots> encodes_;
  Ring<int, FrameSink::kMaxSlots> freeSlots_;
  bool copyBusy_[kMaxCopies] = {};
  bool closing_ = false;     // no more frames will be handed over
  bool converting_ = false;  // the converter may still queue slots to encode
  std::string problem_;

  std::atomic<bool> failed_{false};
  std::atomic<uint32_t> encoded_{0};
  std::atomic<int64_t> convertNs_{0};
  std::atomic<int64_t> encodeNs_{0};
};

}  // namespace capture
