// frame_pipeline.cpp -- the converter and encoder threads and the hand-overs between them
#include "tools/capture/frame_pipeline.h"

#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <chrono>

namespace capture {

namespace {

int64_t NanosecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start).count();
}

// While one lives, threads started by this thread do not take Ctrl+C: the signal reaches the
// thread that draws, whose loop asks for it, and no worker's system call is interrupted.
class WorkersIgnoreInterrupt {
 public:
  WorkersIgnoreInterrupt() {
    sigset_t interrupt;
    sigemptyset(&interrupt);
    sigaddset(&interrupt, SIGINT);
    pthread_sigmask(SIG_BLOCK, &interrupt, &previous_);
  }
  ~WorkersIgnoreInterrupt() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
  WorkersIgnoreInterrupt(const WorkersIgnoreInterrupt&) = delete;
  WorkersIgnoreInterrupt& operator=(const WorkersIgnoreInterrupt&) = delete;

 private:
  sigset_t previous_;
};

}  // namespace

int FramePipeline::EncodersFor(const FrameSink& sink) {
  if (!sink.EncodesEachFrameAlone()) return 1;
  return std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 2, kMaxEncoders);
}

FramePipeline::~FramePipeline() {
  std::string ignored;
  Finish(&ignored);
}

bool FramePipeline::Start(FrameSink* sink, int encoders, std::string* problem) {
  if (sink_ || !sink || encoders < 1 || encoders > kMaxEncoders || (encoders > 1 && !sink->EncodesEachFrameAlone())) {
    *problem = "the capture's pipeline cannot start with these stages";
    return false;
  }
  // A slot for each encoder, one converted ahead and one being converted.
  const int slots = encoders + 2;
  if (!sink->Reserve(slots, problem)) return false;
  sink_ = sink;
  for (int slot = 0; slot < slots; ++slot) freeSlots_.Push(slot);
  converting_ = true;
  WorkersIgnoreInterrupt workers;
  converter_ = std::thread(&FramePipeline::ConvertLoop, this);
  for (encoderCount_ = 0; encoderCount_ < encoders; ++encoderCount_)
    encoders_[encoderCount_] = std::thread(&FramePipeline::EncodeLoop, this);
  return true;
}

void FramePipeline::Convert(int copy, const pictures::FrameView& frame, uint32_t index) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!sink_ || closing_ || failed_ || copy < 0 || copy >= kMaxCopies || copyBusy_[copy]) return;
  copyBusy_[copy] = true;
  converts_.Push(ConvertJob{copy, frame, index});
  convertWork_.notify_one();
}

void FramePipeline::WaitForCopy(int copy) {
  if (copy < 0 || copy >= kMaxCopies) return;
  std::unique_lock<std::mutex> lock(mutex_);
  copyBack_.wait(lock, [&] { return !copyBusy_[copy]; });
}

bool FramePipeline::Finish(std::string* problem) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closing_ = true;
  }
  convertWork_.notify_all();
  if (converter_.joinable()) converter_.join();
  for (int i = 0; i < encoderCount_; ++i)
    if (encoders_[i].joinable()) encoders_[i].join();
  std::lock_guard<std::mutex> lock(mutex_);
  if (!failed_) return true;
  *problem = problem_;
  return false;
}

void FramePipeline::Fail(const std::string& problem) {
  if (!failed_) problem_ = problem;
  failed_ = true;
  convertWork_.notify_all();
  encodeWork_.notify_all();
}

void FramePipeline::ConvertLoop() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    convertWork_.wait(lock, [&] {
      return failed_ || (!converts_.Empty() && !freeSlots_.Empty()) || (closing_ && converts_.Empty());
    });
    if (failed_ || converts_.Empty()) break;
    const ConvertJob job = converts_.Pop();
    const int slot = freeSlots_.Pop();
    lock.unlock();
    std::string why;
    const auto start = std::chrono::steady_clock::now();
    const bool ok = sink_->Convert(job.frame, slot, &why);
    convertNs_ += NanosecondsSince(start);
    lock.lock();
    copyBusy_[job.copy] = false;
    copyBack_.notify_all();
    if (!ok) {
      freeSlots_.Push(slot);
      Fail(why);
      break;
    }
    encodes_.Push(EncodeJob{slot, job.index});
    encodeWork_.notify_one();
  }
  // Copies still queued after a failure go back unconverted.
  while (!converts_.Empty()) copyBusy_[converts_.Pop().copy] = false;
  copyBack_.notify_all();
  converting_ = false;
  encodeWork_.notify_all();
}

void FramePipeline::EncodeLoop() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    encodeWork_.wait(lock, [&] { return failed_ || !encodes_.Empty() || !converting_; });
    if (failed_ || encodes_.Empty()) break;
    const EncodeJob job = encodes_.Pop();
    lock.unlock();
    std::string why;
    const auto start = std::chrono::steady_clock::now();
    const bool ok = sink_->Encode(job.slot, job.index, &why);
    encodeNs_ += NanosecondsSince(start);
    lock.lock();
    freeSlots_.Push(job.slot);
    convertWork_.notify_one();
    if (!ok) {
      Fail(why);
      break;
    }
    ++encoded_;
  }
}

}  // namespace capture
