// waveform.cpp -- decoding the music into peak and RMS buckets on a worker thread
#include "tools/preview/waveform.h"

#include <sndfile.h>

#include <algorithm>
#include <chrono>
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

bool ComputeEnvelope(const std::string& fileName, Envelope* envelope, std::string* problem,
                     const std::atomic<bool>* cancel) {
  platform_file::RegularFile source;
  std::string why;
  if (source.Open(fileName.c_str(), &why) != platform_file::FileStatus::kOk) {
    *problem = fileName + ": " + why;
    return false;
  }
  SF_INFO info;
  SNDFILE* file = fsound::OpenSoundFile(&source, &info);
  if (!file) {
    *problem = fileName + ": cannot be decoded (" + sf_strerror(nullptr) + ")";
    return false;
  }
  if (info.channels < 1 || info.channels > kMaxChannels || info.samplerate < 1) {
    sf_close(file);
    *problem = fileName + ": has " + std::to_string(info.channels) + " channels at " + std::to_string(info.samplerate) + " Hz";
    return false;
  }
  const size_t channels = static_cast<size_t>(info.channels);
  envelope->sampleRate = info.samplerate;
  size_t expected = info.frames > 0 ? static_cast<size_t>(info.frames / Envelope::kBucketFrames + 1) : 0;
  envelope->peak.clear();
  envelope->sumSquares.clear();
  envelope->samples.clear();
  envelope->peak.reserve(expected);
  envelope->sumSquares.reserve(expected);
  envelope->samples.reserve(expected);
  std::vector<float> block(static_cast<size_t>(kBlockBuckets) * Envelope::kBucketFrames * channels);
  for (;;) {
    if (cancel && cancel->load(std::memory_order_relaxed)) {
      sf_close(file);
      *problem = "stopped";
      return false;
    }
    sf_count_t frames = sf_readf_float(file, block.data(), kBlockBuckets * Envelope::kBucketFrames);
    if (frames <= 0) break;
    for (sf_count_t start = 0; start < frames; start += Envelope::kBucketFrames) {
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
      envelope->peak.push_back(p);
      envelope->sumSquares.push_back(static_cast<float>(squares));
      envelope->samples.push_back(static_cast<uint32_t>(n));
    }
  }
  sf_close(file);
  return true;
}

Waveform::~Waveform() {
  cancel_.store(true, std::memory_order_relaxed);
  if (worker_.joinable()) worker_.join();
}

void Waveform::Start(const std::string& fileName) {
  int idle = kIdle;
  if (!state_.compare_exchange_strong(idle, kWorking)) return;
  worker_ = std::thread([this, fileName] {
    auto start = std::chrono::steady_clock::now();
    bool ok = ComputeEnvelope(fileName, &envelope_, &problem_, &cancel_);
    decodeMs_ = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    state_.store(ok ? kReady : kFailed, std::memory_order_release);
  });
}

}  // namespace preview
