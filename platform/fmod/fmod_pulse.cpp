// fmod_pulse.cpp -- the PulseAudio output: threaded main loop, one playback stream, its latency
#include "platform/fmod/fmod_pulse.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <cstdio>

namespace fsound {

namespace {

constexpr size_t kFrameBytes = 2 * sizeof(float);

bool ContextGone(pa_context_state_t s) { return s == PA_CONTEXT_FAILED || s == PA_CONTEXT_TERMINATED; }
bool StreamGone(pa_stream_state_t s) { return s == PA_STREAM_FAILED || s == PA_STREAM_TERMINATED; }

}  // namespace

void PulseOutput::ContextState(pa_context*, void* self) {
  pa_threaded_mainloop_signal(static_cast<PulseOutput*>(self)->mainloop_, 0);
}

void PulseOutput::TimingDone(pa_stream*, int, void* self) {
  pa_threaded_mainloop_signal(static_cast<PulseOutput*>(self)->mainloop_, 0);
}

void PulseOutput::StreamState(pa_stream*, void* self) {
  pa_threaded_mainloop_signal(static_cast<PulseOutput*>(self)->mainloop_, 0);
}

// The server asks for bytes: each block is rendered into a buffer made at start (nothing is
// allocated here) after the latency in front of it has been read, and handed over at once.
void PulseOutput::Write(pa_stream* stream, size_t bytes, void* self) {
  auto* out = static_cast<PulseOutput*>(self);
  while (bytes >= kFrameBytes) {
    uint32_t frames = static_cast<uint32_t>(std::min(bytes / kFrameBytes, out->block_.size() / 2));
    pa_usec_t usec = 0;
    int negative = 0;
    if (pa_stream_get_latency(stream, &usec, &negative) == 0) {
      uint64_t latency = negative ? 0 : usec * static_cast<uint64_t>(out->mixRate_) / 1000000u;
      out->latencyFrames_.store(latency, std::memory_order_release);
    }
    out->render_(out->user_, out->block_.data(), frames);
    if (pa_stream_write(stream, out->block_.data(), frames * kFrameBytes, nullptr, 0, PA_SEEK_RELATIVE) < 0) return;
    bytes -= frames * kFrameBytes;
  }
  // A fresh report for the next block: the interpolation between reports cannot see a change
  // of the sink's latency (another device, a Bluetooth link settling).
  if (pa_operation* update = pa_stream_update_timing_info(stream, nullptr, nullptr)) pa_operation_unref(update);
}

bool PulseOutput::Open(int mixRate, uint32_t bufferFrames, uint32_t blockFrames, RenderFn render,
                       void* user, std::string* reason) {
  mixRate_ = mixRate;
  render_ = render;
  user_ = user;
  latencyFrames_.store(0, std::memory_order_release);
  block_.assign(static_cast<size_t>(blockFrames) * 2, 0.0f);
  mainloop_ = pa_threaded_mainloop_new();
  if (!mainloop_) {
    *reason = "no PulseAudio main loop";
    return false;
  }
  context_ = pa_context_new(pa_threaded_mainloop_get_api(mainloop_), "qola");
  if (!context_) {
    *reason = "no PulseAudio context";
    Close();
    return false;
  }
  pa_context_set_state_callback(context_, &PulseOutput::ContextState, this);
  // Never starts a server of its own: where none runs, SDL's drivers are asked next.
  if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
    *reason = pa_strerror(pa_context_errno(context_));
    Close();
    return false;
  }
  pa_threaded_mainloop_lock(mainloop_);
  if (pa_threaded_mainloop_start(mainloop_) < 0) {
    pa_threaded_mainloop_unlock(mainloop_);
    *reason = "the PulseAudio main loop did not start";
    Close();
    return false;
  }
  bool ready = WaitReady(bufferFrames, blockFrames, reason);
  pa_threaded_mainloop_unlock(mainloop_);
  if (!ready) Close();
  return ready;
}

// Under the main loop's lock: the context, then the stream, until both are ready or one failed.
bool PulseOutput::WaitReady(uint32_t bufferFrames, uint32_t blockFrames, std::string* reason) {
  for (;;) {
    pa_context_state_t s = pa_context_get_state(context_);
    if (s == PA_CONTEXT_READY) break;
    if (ContextGone(s)) {
      *reason = pa_strerror(pa_context_errno(context_));
      return false;
    }
    pa_threaded_mainloop_wait(mainloop_);
  }
  pa_sample_spec spec = {PA_SAMPLE_FLOAT32NE, static_cast<uint32_t>(mixRate_), 2};
  stream_ = pa_stream_new(context_, "music", &spec, nullptr);
  if (!stream_) {
    *reason = pa_strerror(pa_context_errno(context_));
    return false;
  }
  pa_stream_set_state_callback(stream_, &PulseOutput::StreamState, this);
  pa_stream_set_write_callback(stream_, &PulseOutput::Write, this);
  pa_buffer_attr attr;
  attr.maxlength = static_cast<uint32_t>(-1);
  attr.tlength = static_cast<uint32_t>(bufferFrames * kFrameBytes);
  attr.prebuf = static_cast<uint32_t>(-1);
  attr.minreq = static_cast<uint32_t>(blockFrames * kFrameBytes);
  attr.fragsize = static_cast<uint32_t>(-1);
  // Timing updates keep coming while it plays, so the latency read at every block is current.
  auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE |
                                              PA_STREAM_ADJUST_LATENCY);
  if (pa_stream_connect_playback(stream_, nullptr, &attr, flags, nullptr, nullptr) < 0) {
    *reason = pa_strerror(pa_context_errno(context_));
    return false;
  }
  for (;;) {
    pa_stream_state_t s = pa_stream_get_state(stream_);
    if (s == PA_STREAM_READY) return true;
    if (StreamGone(s)) {
      *reason = pa_strerror(pa_context_errno(context_));
      return false;
    }
    pa_threaded_mainloop_wait(mainloop_);
  }
}

void PulseOutput::Close() {
  if (!mainloop_) return;
  pa_threaded_mainloop_lock(mainloop_);
  if (stream_) {
    pa_stream_set_write_callback(stream_, nullptr, nullptr);
    pa_stream_set_state_callback(stream_, nullptr, nullptr);
    pa_stream_disconnect(stream_);
    pa_stream_unref(stream_);
    stream_ = nullptr;
  }
  if (context_) {
    pa_context_set_state_callback(context_, nullptr, nullptr);
    pa_context_disconnect(context_);
    pa_context_unref(context_);
    context_ = nullptr;
  }
  pa_threaded_mainloop_unlock(mainloop_);
  pa_threaded_mainloop_stop(mainloop_);
  pa_threaded_mainloop_free(mainloop_);
  mainloop_ = nullptr;
}

std::string PulseOutput::Describe() {
  if (!mainloop_ || !stream_) return "no PulseAudio stream";
  pa_threaded_mainloop_lock(mainloop_);
  const char* sink = pa_stream_get_device_name(stream_);
  const pa_buffer_attr* attr = pa_stream_get_buffer_attr(stream_);
  const char* server = pa_context_get_server(context_);
  // The server's first report, asked for now: the line is printed once, at start.
  if (pa_operation* update = pa_stream_update_timing_info(stream_, &PulseOutput::TimingDone, this)) {
    while (pa_operation_get_state(update) == PA_OPERATION_RUNNING) pa_threaded_mainloop_wait(mainloop_);
    pa_operation_unref(update);
  }
  pa_usec_t usec = 0;
  int negative = 0;
  bool reported = pa_stream_get_latency(stream_, &usec, &negative) == 0;
  char latency[64] = "not reported yet";
  if (reported) std::snprintf(latency, sizeof latency, "%.1f ms", negative ? 0.0 : usec / 1000.0);
  char line[512];
  double bufferMs = attr ? attr->tlength / static_cast<double>(kFrameBytes) * 1000.0 / mixRate_ : 0.0;
  std::snprintf(line, sizeof line, "PulseAudio server %s, sink \"%s\", %d Hz stereo float, buffer %.1f ms, reported latency %s",
                server ? server : "(default)", sink ? sink : "?", mixRate_, bufferMs, latency);
  pa_threaded_mainloop_unlock(mainloop_);
  return line;
}

}  // namespace fsound
