// fmod_api.cpp -- the FSOUND_ calls: the library's state, stream handles and error codes
//
// Failure names honoured (asked through platform/services/hooks.h): "FSOUND_Init" (the library does not start),
// "FSOUND_Init:device" (no sound device: the silent output is used), "FSOUND_Stream_Open".
#include <algorithm>
#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "fmod.h"
#include "platform/fmod/fmod_output.h"
#include "platform/fmod/fmod_stream.h"
#include "platform/services/hooks.h"
#include "platform/services/virtual_clock.h"

struct FSOUND_STREAM {
  fsound::Stream* stream;
  bool played = false;  // Play called and not stopped since (the virtual clock answers for it)
};

namespace {

constexpr int kMinMixRate = 4000;
constexpr int kMaxMixRate = 192000;
constexpr int kMaxChannels = 4096;
constexpr int kMinAVOffsetMs = -500;
constexpr int kMaxAVOffsetMs = 500;

void CloseHandle(fsound::Output& output, FSOUND_STREAM* handle) {
  output.Stop(handle->stream);
  delete handle->stream;
  delete handle;
}

struct Library {
  // A program that ends without FSOUND_Close still stops its streams' threads first.
  ~Library() {
    for (FSOUND_STREAM* handle : streams) CloseHandle(output, handle);
  }
  int requestedOutput = -1;  // -1: the system's device
  int avOffsetMs = 0;        // FSOUND_SetAVOffset: taken off every position reported
  int error = FMOD_ERR_NONE;
  fsound::Output output;
  std::vector<FSOUND_STREAM*> streams;  // every open handle
};

Library& Lib() {
  static Library library;
  return library;
}

template <typename T>
T Fail(int error, T result) {
  Lib().error = error;
  return result;
}

// A handle this library gave out and has not closed yet; anything else is refused without
// being dereferenced, so stale and foreign pointers are harmless.
bool IsOpenHandle(FSOUND_STREAM* handle) {
  const auto& streams = Lib().streams;
  return handle && std::find(streams.begin(), streams.end(), handle) != streams.end();
}

constexpr unsigned kHonouredModes = FSOUND_LOOP_OFF | FSOUND_8BITS | FSOUND_16BITS | FSOUND_MONO |
                                    FSOUND_STEREO | FSOUND_UNSIGNED | FSOUND_SIGNED | FSOUND_2D |
                                    FSOUND_HW2D | FSOUND_STREAMABLE | FSOUND_MPEGACCURATE;

}  // namespace

signed char F_API FSOUND_SetOutput(int outputtype) {
  if (Lib().output.IsOpen()) return Fail<signed char>(FMOD_ERR_INIT, 0);
  if (outputtype < -1 || outputtype > FSOUND_OUTPUT_NOSOUND_NONREALTIME) {
    return Fail<signed char>(FMOD_ERR_INVALID_PARAM, 0);
  }
  Lib().requestedOutput = outputtype;
  return 1;
}

signed char F_API FSOUND_Init(int mixrate, int maxsoftwarechannels, unsigned int /*flags*/) {
  Library& lib = Lib();
  if (lib.output.IsOpen()) return Fail<signed char>(FMOD_ERR_INIT, 0);
  if (mixrate < kMinMixRate || mixrate > kMaxMixRate || maxsoftwarechannels < 1 ||
      maxsoftwarechannels > kMaxChannels) {
    return Fail<signed char>(FMOD_ERR_INVALID_PARAM, 0);
  }
  if (platform_hooks::ShouldFail("FSOUND_Init")) return Fail<signed char>(FMOD_ERR_INIT, 0);
  bool silent = lib.requestedOutput == FSOUND_OUTPUT_NOSOUND ||
                lib.requestedOutput == FSOUND_OUTPUT_NOSOUND_NONREALTIME;
  using Kind = fsound::Output::Kind;
  Kind kind = platform_clock::VirtualClockActive() ? Kind::kNone : silent ? Kind::kSilent : Kind::kDevice;
  if (!lib.output.Open(mixrate, maxsoftwarechannels, kind)) return Fail<signed char>(FMOD_ERR_INIT, 0);
  lib.error = FMOD_ERR_NONE;
  return 1;
}

void F_API FSOUND_Close() {
  Library& lib = Lib();
  for (FSOUND_STREAM* handle : lib.streams) CloseHandle(lib.output, handle);
  lib.streams.clear();
  if (lib.output.IsOpen()) lib.output.Close();
  lib.avOffsetMs = 0;
}

int F_API FSOUND_GetError() { return Lib().error; }

FSOUND_STREAM* F_API FSOUND_Stream_Open(const char* name_or_data, unsigned int mode, int offset, int length) {
  Library& lib = Lib();
  if (!lib.output.IsOpen()) return Fail<FSOUND_STREAM*>(FMOD_ERR_UNINITIALIZED, nullptr);
  if (!name_or_data || (mode & ~kHonouredModes) != 0 || offset != 0 || length != 0) {
    std::fprintf(stderr, "FSOUND_Stream_Open: \"%s\": mode 0x%x, offset %d, length %d: only whole files are played, once\n",
                 name_or_data ? name_or_data : "(null)", mode, offset, length);
    return Fail<FSOUND_STREAM*>(FMOD_ERR_INVALID_PARAM, nullptr);
  }
  if (platform_hooks::ShouldFail("FSOUND_Stream_Open")) return Fail<FSOUND_STREAM*>(FMOD_ERR_FILE_BAD, nullptr);
  int error = FMOD_ERR_NONE;
  std::string reason;
  fsound::Stream* stream = fsound::Stream::Open(name_or_data, lib.output.MixRate(), &error, &reason);
  if (!stream) {
    std::fprintf(stderr, "FSOUND_Stream_Open: \"%s\": %s\n", name_or_data, reason.c_str());
    return Fail<FSOUND_STREAM*>(error, nullptr);
  }
  auto* handle = new FSOUND_STREAM{stream};
  lib.streams.push_back(handle);
  lib.error = FMOD_ERR_NONE;
  return handle;
}

int F_API FSOUND_Stream_Play(int channel, FSOUND_STREAM* stream) {
  Library& lib = Lib();
  if (!IsOpenHandle(stream)) return Fail(FMOD_ERR_INVALID_PARAM, -1);
  int played = lib.output.Play(channel, stream->stream);
  if (played < 0) return Fail(channel == FSOUND_FREE ? FMOD_ERR_CHANNEL_ALLOC : FMOD_ERR_INVALID_PARAM, -1);
  stream->played = true;
  return played;
}

signed char F_API FSOUND_Stream_Stop(FSOUND_STREAM* stream) {
  if (!IsOpenHandle(stream)) return Fail<signed char>(FMOD_ERR_INVALID_PARAM, 0);
  Lib().output.Stop(stream->stream);
  stream->stream->Rewind();
  stream->played = false;
  return 1;
}

signed char F_API FSOUND_Stream_Close(FSOUND_STREAM* stream) {
  if (!IsOpenHandle(stream)) return Fail<signed char>(FMOD_ERR_INVALID_PARAM, 0);
  auto& streams = Lib().streams;
  streams.erase(std::find(streams.begin(), streams.end(), stream));
  CloseHandle(Lib().output, stream);
  return 1;
}

// The heard position less the viewer's offset: a positive offset shows an earlier picture.
int WithOffset(uint64_t ms) {
  int64_t shifted = static_cast<int64_t>(std::min<uint64_t>(ms, INT_MAX)) - Lib().avOffsetMs;
  return static_cast<int>(std::clamp<int64_t>(shifted, 0, INT_MAX));
}

int F_API FSOUND_Stream_GetTime(FSOUND_STREAM* stream) {
  Library& lib = Lib();
  if (!IsOpenHandle(stream)) return Fail(FMOD_ERR_INVALID_PARAM, 0);
  uint32_t virtualMs;
  if (platform_clock::VirtualClockNow(&virtualMs)) {  // the clock override, held at the music's end
    if (!stream->played) return 0;
    uint64_t length = stream->stream->LengthMs();
    uint64_t ms = virtualMs;
    return WithOffset(length > 0 ? std::min(ms, length) : ms);
  }
  // Never waits: the position is read without the mixer's lock.
  uint64_t frames = lib.output.HeardFrames(stream->stream);
  return WithOffset(frames * 1000u / static_cast<uint64_t>(lib.output.MixRate()));
}

signed char F_API FSOUND_Stream_SetTime(FSOUND_STREAM* stream, int ms) {
  Library& lib = Lib();
  if (!IsOpenHandle(stream) || ms < 0) return Fail<signed char>(FMOD_ERR_INVALID_PARAM, 0);
  uint64_t length = stream->stream->LengthMs();
  if (length > 0 && static_cast<uint64_t>(ms) > length) return Fail<signed char>(FMOD_ERR_INVALID_PARAM, 0);
  // The decoder restarts at the new place while the stream is off its channel, then it goes
  // back on the same one: the mixer never sees half a seek.
  int channel = stream->stream->channel;
  if (channel >= 0) lib.output.Stop(stream->stream);
  bool moved = stream->stream->Seek(static_cast<uint64_t>(ms));
  if (channel >= 0) lib.output.Play(channel, stream->stream);
  if (!moved) {
    std::fprintf(stderr, "FSOUND_Stream_SetTime: \"%s\" cannot seek to %d ms\n", stream->stream->FileName().c_str(), ms);
    return Fail<signed char>(FMOD_ERR_FILE_BAD, 0);
  }
  return 1;
}

signed char F_API FSOUND_Stream_SetLoopMs(FSOUND_STREAM* stream, int startMs, int endMs) {
  Library& lib = Lib();
  if (!IsOpenHandle(stream) || startMs < 0 || endMs < 0) return Fail<signed char>(FMOD_ERR_INVALID_PARAM, 0);
  bool on = !(startMs == 0 && endMs == 0);
  uint64_t length = stream->stream->LengthMs();
  if (on && (endMs <= startMs || (length > 0 && static_cast<uint64_t>(endMs) > length))) {
    return Fail<signed char>(FMOD_ERR_INVALID_PARAM, 0);
  }
  // As a seek: the decoder starts again at the position heard, off the channel meanwhile.
  uint64_t heardMs = lib.output.HeardFrames(stream->stream) * 1000u / static_cast<uint64_t>(lib.output.MixRate());
  int channel = stream->stream->channel;
  if (channel >= 0) lib.output.Stop(stream->stream);
  bool set = stream->stream->SetLoop(on, static_cast<uint64_t>(startMs), static_cast<uint64_t>(endMs), heardMs);
  if (channel >= 0) lib.output.Play(channel, stream->stream);
  if (!set) return Fail<signed char>(FMOD_ERR_FILE_BAD, 0);
  return 1;
}

signed char F_API FSOUND_SetPaused(int channel, signed char paused) {
  Library& lib = Lib();
  if (!lib.output.IsOpen() || !lib.output.SetPaused(channel, paused != 0)) {
    return Fail<signed char>(FMOD_ERR_INVALID_PARAM, 0);
  }
  return 1;
}

signed char F_API FSOUND_GetPaused(int channel) {
  Library& lib = Lib();
  if (!lib.output.IsOpen()) return Fail<signed char>(FMOD_ERR_UNINITIALIZED, 0);
  return lib.output.Paused(channel) ? 1 : 0;
}

signed char F_API FSOUND_SetAVOffset(int ms) {
  if (ms < kMinAVOffsetMs || ms > kMaxAVOffsetMs) return Fail<signed char>(FMOD_ERR_INVALID_PARAM, 0);
  Lib().avOffsetMs = ms;
  return 1;
}

int F_API FSOUND_Stream_GetLengthMs(FSOUND_STREAM* stream) {
  if (!IsOpenHandle(stream)) return Fail(FMOD_ERR_INVALID_PARAM, 0);
  return static_cast<int>(std::min<uint64_t>(stream->stream->LengthMs(), INT_MAX));
}

