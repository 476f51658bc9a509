// fmod_stream.cpp -- decoding a music file as it plays: libsndfile, rate conversion, frame ring
#include "platform/fmod/fmod_stream.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "fmod.h"
#include "platform/fmod/sound_file.h"

namespace fsound {

namespace {

constexpr uint32_t kRingFrames = 16384;  // about 0.37 s at 44.1 kHz
constexpr uint32_t kBlockFrames = 1024;  // decoded per step
constexpr int kMaxFileChannels = 8;      // what SDL's converter mixes down to stereo
constexpr auto kFeederNap = std::chrono::milliseconds(5);

}  // namespace

Stream::Stream(const std::string& fileName, int mixRate)
    : fileName_(fileName), mixRate_(mixRate), ring_(kRingFrames) {}

Stream* Stream::Open(const std::string& fileName, int mixRate, int* error, std::string* reason) {
  Stream* stream = new Stream(fileName, mixRate);
  if (!stream->Start(error, reason)) {
    delete stream;
    return nullptr;
  }
  return stream;
}

bool Stream::Start(int* error, std::string* reason) {
  // Opened without blocking and checked on the open file: a FIFO named as the music is refused
  // instead of waiting for a writer, and the file checked is the file decoded.
  std::string problem;
  platform_file::FileStatus opened = source_.Open(fileName_.c_str(), &problem);
  if (opened == platform_file::FileStatus::kNotRegular) {
    *error = FMOD_ERR_FILE_BAD;
    *reason = "not a regular file";
    return false;
  }
  if (opened != platform_file::FileStatus::kOk) {
    *error = FMOD_ERR_FILE_NOTFOUND;
    *reason = std::strerror(source_.SystemError());
    return false;
  }
  file_ = OpenSoundFile(&source_, &info_);
  if (!file_) {
    *error = FMOD_ERR_FILE_FORMAT;
    *reason = std::string("cannot be decoded: ") + sf_strerror(nullptr);
    return false;
  }
  if (info_.channels < 1 || info_.channels > kMaxFileChannels || info_.samplerate < 1) {
    *error = FMOD_ERR_FILE_FORMAT;
    *reason = "has " + std::to_string(info_.channels) + " channels at " +
              std::to_string(info_.samplerate) + " Hz; 1 to 8 channels are played";
    return false;
  }
  converter_ = SDL_NewAudioStream(AUDIO_F32SYS, static_cast<Uint8>(info_.channels),
                                  info_.samplerate, AUDIO_F32SYS, FrameRing::kChannels, mixRate_);
  if (!converter_) {
    *error = FMOD_ERR_FILE_FORMAT;
    *reason = std::string("cannot be converted for output: ") + SDL_GetError();
    return false;
  }
  if (info_.frames > 0) {
    lengthMs_ = static_cast<uint64_t>(info_.frames) * 1000u / static_cast<uint64_t>(info_.samplerate);
  }
  decodeBlock_.assign(static_cast<size_t>(kBlockFrames) * info_.channels, 0.0f);
  convertBlock_.assign(static_cast<size_t>(kBlockFrames) * FrameRing::kChannels, 0.0f);
  Prefill();
  StartFeeder();
  return true;
}

Stream::~Stream() {
  StopFeeder();
  if (converter_) SDL_FreeAudioStream(converter_);
  if (file_) sf_close(file_);
}

bool Stream::FeedOnce() {
  uint32_t room = ring_.FreeFrames();
  if (room == 0) return true;
  const int frameBytes = static_cast<int>(FrameRing::kChannels * sizeof(float));
  int available = SDL_AudioStreamAvailable(converter_) / frameBytes;
  if (available > 0) {
    uint32_t frames = std::min({room, kBlockFrames, static_cast<uint32_t>(available)});
    int got = SDL_AudioStreamGet(converter_, convertBlock_.data(), static_cast<int>(frames) * frameBytes);
    if (got > 0) ring_.Write(convertBlock_.data(), static_cast<uint32_t>(got / frameBytes));
    return true;
  }
  if (flushed_) return false;
  sf_count_t want = kBlockFrames;
  if (armed_) {
    // In a loop the decoder goes back to its start once the end sample is decoded; the
    // converter keeps its state, so the two ends join without a gap.
    if (decodeFrame_ >= loopEndFile_) {
      if (sf_seek(file_, loopStartFile_, SEEK_SET) != loopStartFile_) return false;
      decodeFrame_ = loopStartFile_;
    }
    want = std::min<sf_count_t>(want, loopEndFile_ - decodeFrame_);
  }
  sf_count_t n = sf_readf_float(file_, decodeBlock_.data(), want);
  if (n > 0) decodeFrame_ += n;
  if (n > 0) {
    int bytes = static_cast<int>(n) * info_.channels * static_cast<int>(sizeof(float));
    if (SDL_AudioStreamPut(converter_, decodeBlock_.data(), bytes) != 0) return false;
  } else {
    // End of file (or undecodable data): let the converter give out what it still holds.
    SDL_AudioStreamFlush(converter_);
    flushed_ = true;
  }
  return true;
}

void Stream::Prefill() {
  while (ring_.FreeFrames() >= kBlockFrames) {
    if (!FeedOnce()) {
      decodeDone_.store(true, std::memory_order_release);
      return;
    }
  }
}

void Stream::FeederLoop() {
  while (!stopFeeder_.load(std::memory_order_acquire)) {
    if (ring_.FreeFrames() < kBlockFrames) {
      std::this_thread::sleep_for(kFeederNap);
      continue;
    }
    if (!FeedOnce()) {
      decodeDone_.store(true, std::memory_order_release);
      return;
    }
  }
}

void Stream::StartFeeder() {
  if (decodeDone_.load(std::memory_order_acquire)) return;
  stopFeeder_.store(false, std::memory_order_release);
  feeder_ = std::thread([this] { FeederLoop(); });
}

void Stream::StopFeeder() {
  stopFeeder_.store(true, std::memory_order_release);
  if (feeder_.joinable()) feeder_.join();
}

bool Stream::Seek(uint64_t ms) {
  if (lengthMs_ > 0 && ms > lengthMs_) return false;
  const uint64_t fileRate = static_cast<uint64_t>(info_.samplerate);
  const sf_count_t fileFrame = static_cast<sf_count_t>(ms * fileRate / 1000u);
  StopFeeder();
  decodeFrame_ = fileFrame;
  if (sf_seek(file_, fileFrame, SEEK_SET) != fileFrame) {
    // Unseekable or short: back to where the decoder was, from its start.
    sf_seek(file_, 0, SEEK_SET);
    decodeFrame_ = 0;
    ms = 0;
  }
  // A loop plays from here when the music has not passed its end yet.
  armed_ = loopEndFile_ > loopStartFile_ && decodeFrame_ < loopEndFile_;
  SDL_AudioStreamClear(converter_);
  flushed_ = false;
  decodeDone_.store(false, std::memory_order_release);
  ring_.Reset();
  // The same instant at the output's rate: the position counts output frames.
  uint64_t start = static_cast<uint64_t>(fileFrame) * static_cast<uint64_t>(mixRate_) / fileRate;
  if (ms == 0) start = 0;
  PublishPosition(start, 0, 0);
  reported_ = start;  // nothing before the start is ever reported
  Prefill();
  StartFeeder();
  return ms != 0 || fileFrame == 0;
}

uint64_t Stream::OutputFrameOfMs(uint64_t ms) const {
  const uint64_t fileRate = static_cast<uint64_t>(info_.samplerate);
  return ms * fileRate / 1000u * static_cast<uint64_t>(mixRate_) / fileRate;
}

bool Stream::SetLoop(bool on, uint64_t startMs, uint64_t endMs, uint64_t fromMs) {
  if (on && (endMs <= startMs || (lengthMs_ > 0 && endMs > lengthMs_))) return false;
  const uint64_t fileRate = static_cast<uint64_t>(info_.samplerate);
  loopStartFile_ = on ? static_cast<sf_count_t>(startMs * fileRate / 1000u) : 0;
  loopEndFile_ = on ? static_cast<sf_count_t>(endMs * fileRate / 1000u) : 0;
  loopStartOut_ = on ? OutputFrameOfMs(startMs) : 0;
  loopEndOut_ = on ? OutputFrameOfMs(endMs) : 0;
  if (loopEndFile_ <= loopStartFile_) loopStartFile_ = loopEndFile_ = 0;
  // What the decoder holds ahead was decoded for the old range: it starts again at fromMs.
  return Seek(std::min(fromMs, lengthMs_ > 0 ? lengthMs_ : fromMs));
}

uint64_t Stream::Looped(uint64_t frames) const {
  if (!armed_ || frames < loopEndOut_ || loopEndOut_ <= loopStartOut_) return frames;
  return loopStartOut_ + (frames - loopEndOut_) % (loopEndOut_ - loopStartOut_);
}

void Stream::PublishPosition(uint64_t before, uint32_t block, int64_t blockTimeNs) {
  uint32_t seq = positionSeq_.load(std::memory_order_relaxed);
  positionSeq_.store(seq + 1, std::memory_order_relaxed);
  std::atomic_thread_fence(std::memory_order_release);
  framesBeforeBlock_.store(before, std::memory_order_relaxed);
  lastBlockFrames_.store(block, std::memory_order_relaxed);
  lastBlockTimeNs_.store(blockTimeNs, std::memory_order_relaxed);
  positionSeq_.store(seq + 2, std::memory_order_release);
}

bool Stream::Mix(float* out, uint32_t frames, std::chrono::steady_clock::time_point now) {
  uint32_t taken = ring_.MixInto(out, frames);
  uint64_t before = framesBeforeBlock_.load(std::memory_order_relaxed) + lastBlockFrames_.load(std::memory_order_relaxed);
  PublishPosition(before, taken, std::chrono::duration_cast<std::chrono::nanoseconds>(now.time_since_epoch()).count());
  bool ended = taken < frames && decodeDone_.load(std::memory_order_acquire) &&
               ring_.AvailableFrames() == 0;
  return !ended;
}

uint64_t Stream::MixedFrames() const {
  for (;;) {
    uint32_t seq = positionSeq_.load(std::memory_order_acquire);
    uint64_t mixed = framesBeforeBlock_.load(std::memory_order_relaxed) + lastBlockFrames_.load(std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_acquire);
    if ((seq & 1) == 0 && positionSeq_.load(std::memory_order_relaxed) == seq) return mixed;
  }
}

uint64_t Stream::HeardFrames(std::chrono::steady_clock::time_point now, uint64_t latencyFrames) {
  uint64_t before = 0;
  uint32_t block = 0;
  int64_t blockTimeNs = 0;
  for (;;) {
    uint32_t seq = positionSeq_.load(std::memory_order_acquire);
    before = framesBeforeBlock_.load(std::memory_order_relaxed);
    block = lastBlockFrames_.load(std::memory_order_relaxed);
    blockTimeNs = lastBlockTimeNs_.load(std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_acquire);
    if ((seq & 1) == 0 && positionSeq_.load(std::memory_order_relaxed) == seq) break;
  }
  // Block k is heard from latencyFrames after the output took it; once every frame handed out
  // has been heard, the position stays at their end.
  int64_t sinceNs = std::chrono::duration_cast<std::chrono::nanoseconds>(now.time_since_epoch()).count() - blockTimeNs;
  if (blockTimeNs == 0 || sinceNs < 0) sinceNs = 0;
  uint64_t sinceFrames = static_cast<uint64_t>(sinceNs / 1000) * static_cast<uint64_t>(mixRate_) / 1000000u;
  uint64_t raw = before + sinceFrames;
  raw = raw > latencyFrames ? raw - latencyFrames : 0;
  uint64_t heard = std::min<uint64_t>(raw, before + block);
  if (heard > reported_) reported_ = heard;
  return Looped(reported_);
}

}  // namespace fsound
