// music_track.cpp -- libsndfile decoding from a start time, libswresample to stereo float planes
#include "tools/capture/music_track.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/mathematics.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace capture {

bool MusicTrack::Open(const std::string& fileName, uint32_t fromMs, int rate, std::string* problem) {
  Close();
  std::memset(&info_, 0, sizeof info_);
  file_ = sf_open(fileName.c_str(), SFM_READ, &info_);
  if (!file_) {
    *problem = fileName + ": the music cannot be read (" + sf_strerror(nullptr) + ")";
    return false;
  }
  if (info_.channels < 1 || info_.channels > 64 || info_.samplerate < 1) {
    *problem = fileName + ": the music has " + std::to_string(info_.channels) + " channels at " +
               std::to_string(info_.samplerate) + " Hz";
    Close();
    return false;
  }
  // The first sample of the track is the music at fromMs exactly.
  sf_count_t start = static_cast<sf_count_t>(static_cast<uint64_t>(fromMs) * static_cast<uint64_t>(info_.samplerate) / 1000u);
  if (start >= info_.frames) {
    fileEnded_ = true;  // the whole range lies after the music
  } else if (start > 0 && sf_seek(file_, start, SEEK_SET) < 0) {
    *problem = fileName + ": the music cannot be positioned at " + std::to_string(fromMs) + " ms (" + sf_strerror(file_) + ")";
    Close();
    return false;
  }

  AVChannelLayout in;
  AVChannelLayout out = AV_CHANNEL_LAYOUT_STEREO;
  av_channel_layout_default(&in, info_.channels);
  int error = swr_alloc_set_opts2(&resampler_, &out, AV_SAMPLE_FMT_FLTP, rate, &in, AV_SAMPLE_FMT_FLT,
                                  info_.samplerate, 0, nullptr);
  av_channel_layout_uninit(&in);
  if (error < 0 || swr_init(resampler_) < 0) {
    *problem = fileName + ": libswresample cannot convert its " + std::to_string(info_.channels) + " channels at " +
               std::to_string(info_.samplerate) + " Hz";
    Close();
    return false;
  }
  block_.assign(static_cast<size_t>(kBlockFrames) * static_cast<size_t>(info_.channels), 0.0f);
  convertedCapacity_ = static_cast<int>(av_rescale_rnd(kBlockFrames, rate, info_.samplerate, AV_ROUND_UP)) + 256;
  converted_.assign(static_cast<size_t>(convertedCapacity_) * kChannels, 0.0f);
  queue_ = av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, kChannels, convertedCapacity_ * 4);
  if (!queue_) {
    *problem = "no memory for the audio queue";
    Close();
    return false;
  }
  return true;
}

void MusicTrack::DecodeBlock() {
  uint8_t* planes[kChannels] = {reinterpret_cast<uint8_t*>(converted_.data()),
                                reinterpret_cast<uint8_t*>(converted_.data() + convertedCapacity_)};
  int got = 0;
  if (!fileEnded_) {
    sf_count_t frames = sf_readf_float(file_, block_.data(), kBlockFrames);
    if (frames <= 0) {
      fileEnded_ = true;  // the end, or a read error: either way the music stops here
    } else {
      const uint8_t* in[1] = {reinterpret_cast<const uint8_t*>(block_.data())};
      got = swr_convert(resampler_, planes, convertedCapacity_, in, static_cast<int>(frames));
    }
  }
  if (fileEnded_) {
    got = swr_convert(resampler_, planes, convertedCapacity_, nullptr, 0);  // the resampler's tail
    if (got <= 0) drained_ = true;
  }
  if (got > 0) av_audio_fifo_write(queue_, reinterpret_cast<void**>(planes), got);
}

bool MusicTrack::Read(uint8_t* const planes[kChannels], int samples) {
  if (!queue_ || samples < 0) return false;
  while (av_audio_fifo_size(queue_) < samples && !drained_) DecodeBlock();
  int got = av_audio_fifo_read(queue_, reinterpret_cast<void**>(const_cast<uint8_t**>(planes)), samples);
  if (got < 0) got = 0;
  for (int c = 0; c < kChannels; ++c) {
    float* plane = reinterpret_cast<float*>(planes[c]);
    std::fill(plane + got, plane + samples, 0.0f);
  }
  return true;
}

void MusicTrack::Close() {
  if (queue_) av_audio_fifo_free(queue_);
  queue_ = nullptr;
  swr_free(&resampler_);
  if (file_) sf_close(file_);
  file_ = nullptr;
  fileEnded_ = false;
  drained_ = false;
}

}  // namespace capture
