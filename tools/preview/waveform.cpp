// waveform.cpp -- decoding the music into peak and RMS buckets on a worker thread
#include "tools/preview/waveform.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>

#include "platform/fmod/sound_file.h"
#include "platform/services/file_read.h"

namespace preview {

namespace {

constexpr int kMaxChannels = 64;
constexpr sf_count_t kBlockBuckets = 64;  // decoded per read: 16384 frames

}  // namespace

uint32_t Envelope::LengthMs() const {
  if (sampleRate <= 0) return 0;
  return static_cast<uint32_t>(static_cast<uint64_t>(peak.size()) * kBucketFrames * 1000u / static_cast<uint64_t>(sampleRate));
}

void Envelope::Measure(uint32_t fromMs, uint32_t toMs, float* peakOut, float* rmsOut) const {
  *peakOut = 0.0f;
  *rmsOut = 0.0f;
  if (sampleRate <= 0 || toMs <= fromMs || peak.empty()) return;
  const uint64_t rate = static_cast<uint64_t>(sampleRate);
  size_t first = static_cast<size_t>(static_cast<uint64_t>(fromMs) * rate / 1000u / kBucketFrames);
  size_t last = static_cast<size_t>((static_cast<uint64_t>(toMs) * rate / 1000u + kBucketFrames - 1) / kBucketFrames);
  last = std::min(last, peak.size());
  if (first >= last) return;
  float p = 0.0f;
  double squares = 0.0;
  uint64_t count = 0;
  for (size_t b = first; b < last; ++b) {
    p = std::max(p, peak[b]);
    squares += sumSquares[b];
    count += samples[b];
  }
  *peakOut = std::min(p, 1.0f);
  *rmsOut = count ? static_cast<float>(std::sqrt(squares / static_cast<double>(count))) : 0.0f;
}

namespace {

// One open music file for one decoding thread.
struct Decoder {
  platform_file::RegularFile source;
  SNDFILE* file = nullptr;
  SF_INFO info{};
  ~Decoder() {
    if (file) sf_close(file);
  }
  bool Open(const std::string& fileName, std::string* problem) {
    std::string why;
    if (source.Open(fileName.c_str(), &why) != platform_file::FileStatus::kOk) {
      *problem = fileName + ": " + why;
      return false;
    }
    file = fsound::OpenSoundFile(&source, &info);
    if (!file) {
      *problem = fileName + ": cannot be decoded (" + sf_strerror(nullptr) + ")";
      return false;
    }
    if (info.channels < 1 || info.channels > kMaxChannels || info.samplerate < 1) {
      *problem = fileName + ": has " + std::to_string(info.channels) + " channels at " + std::to_string(info.samplerate) + " Hz";
      return false;
    }
    return true;
  }
};

// Buckets [first, last) of the file (last 0: to its end) into the envelope's vectors from index
// first on (grown as needed when the length was not known). False once cancelled or when the
// decoder cannot be positioned.
bool DecodeBuckets(Decoder* d, size_t first, size_t last, Envelope* envelope, const std::atomic<bool>* cancel) {
  const size_t channels = static_cast<size_t>(d->info.channels);
  const sf_count_t startFrame = static_cast<sf_count_t>(first) * Envelope::kBucketFrames;
  if (startFrame > 0 && sf_seek(d->file, startFrame, SEEK_SET) != startFrame) return false;
  std::vector<float> block(static_cast<size_t>(kBlockBuckets) * Envelope::kBucketFrames * channels);
  size_t bucket = first;
  for (;;) {
    if (cancel && cancel->load(std::memory_order_relaxed)) return false;
    sf_count_t want = kBlockBuckets * Envelope::kBucketFrames;
    if (last) want = std::min<sf_count_t>(want, static_cast<sf_count_t>(last - bucket) * Envelope::kBucketFrames);
    if (want <= 0) break;
    sf_count_t frames = sf_readf_float(d->file, block.data(), want);
    if (frames <= 0) break;
    for (sf_count_t start = 0; start < frames; start += Envelope::kBucketFrames, ++bucket) {
      sf_count_t end = std::min<sf_count_t>(start + Envelope::kBucketFrames, frames);
      const float* s = block.data() + static_cast<size_t>(start) * channels;
      const size_t n = static_cast<size_t>(end - start) * channels;
      float p = 0.0f;
      double squares = 0.0;
      for (size_t i = 0; i < n; ++i) {
        float v = std::isfinite(s[i]) ? s[i] : 0.0f;
        p = std::max(p, std::fabs(v));
        squares += static_cast<double>(v) * v;
      }
      if (bucket >= envelope->peak.size()) {
        envelope->peak.resize(bucket + 1);
        envelope->sumSquares.resize(bucket + 1);
        envelope->samples.resize(bucket + 1);
      }
      envelope->peak[bucket] = p;
      envelope->sumSquares[bucket] = static_cast<float>(squares);
      envelope->samples[bucket] = static_cast<uint32_t>(n);
    }
  }
  return true;
}

}  // namespace

bool ComputeEnvelope(const std::string& fileName, Envelope* envelope, std::string* problem,
                     const std::atomic<bool>* cancel) {
  Decoder first;
  if (!first.Open(fileName, problem)) return false;
  envelope->sampleRate = first.info.samplerate;
  envelope->peak.clear();
  envelope->sumSquares.clear();
  envelope->samples.clear();
  // A file of known length is decoded in two halves at once, each from a bucket's first frame,
  // so the buckets meet exactly; one of unknown length in one pass.
  const bool seekable = first.info.frames > 0 && first.info.seekable;
  bool ok = true;
  if (seekable) {
    const size_t buckets = static_cast<size_t>((first.info.frames + Envelope::kBucketFrames - 1) / Envelope::kBucketFrames);
    envelope->peak.assign(buckets, 0.0f);
    envelope->sumSquares.assign(buckets, 0.0f);
    envelope->samples.assign(buckets, 0);
    const size_t half = buckets / 2;
    Decoder second;
    bool secondOk = second.Open(fileName, problem);
    std::thread helper;
    if (secondOk && half > 0) {
      helper = std::thread([&] { secondOk = DecodeBuckets(&second, half, buckets, envelope, cancel); });
      ok = DecodeBuckets(&first, 0, half, envelope, cancel);
      helper.join();
      ok = ok && secondOk;
    } else {
      ok = DecodeBuckets(&first, 0, buckets, envelope, cancel);
    }
  } else {
    ok = DecodeBuckets(&first, 0, 0, envelope, cancel);
  }
  if (!ok) *problem = cancel && cancel->load() ? "stopped" : fileName + ": cannot be decoded to its end";
  return ok;
}

Waveform::~Waveform() {
  cancel_.store(true, std::memory_order_relaxed);
  if (worker_.joinable()) worker_.join();
}

void Waveform::Start(const std::string& fileName) {
  int idle = kIdle;
  if (!state_.compare_exchange_strong(idle, kWorking)) return;
  worker_ = std::thread([this, fileName] {
    bool ok = ComputeEnvelope(fileName, &envelope_, &problem_, &cancel_);
    state_.store(ok ? kReady : kFailed, std::memory_order_release);
  });
}

}  // namespace preview
