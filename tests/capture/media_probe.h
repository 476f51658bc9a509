// media_probe.h -- test helpers: an MP4 decoded again with FFmpeg's libraries, run folders with music
//
// The capture tests judge the output as a player would: they demux and decode the file the
// capture wrote and look at its pictures and sound, and they build small run directories (a
// go.xml and a generated WAV) to capture from.
#pragma once

#include <sndfile.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
}

#include "tests/support/scratch_dir.h"

namespace probe {

struct DecodedVideo {
  std::string codec;
  int width = 0;
  int height = 0;
  std::vector<double> times;       // seconds, one per frame in presentation order
  std::vector<double> brightness;  // mean luma (0..255) of each frame's middle
};

struct DecodedAudio {
  std::string codec;
  int rate = 0;
  int channels = 0;
  double startSeconds = 0.0;
  std::vector<float> left;  // the first channel, from startSeconds on
};

struct DecodedFile {
  bool ok = false;
  std::string error;
  DecodedVideo video;
  DecodedAudio audio;
};

inline void TakeVideoFrame(const AVFrame* frame, const AVRational& timeBase, DecodedVideo* out) {
  double sum = 0;
  long n = 0;
  for (int y = frame->height / 4; y < frame->height * 3 / 4; ++y) {
    const uint8_t* row = frame->data[0] + static_cast<ptrdiff_t>(y) * frame->linesize[0];
    for (int x = frame->width / 4; x < frame->width * 3 / 4; ++x, ++n) sum += row[x];
  }
  int64_t pts = frame->best_effort_timestamp;
  out->times.push_back(static_cast<double>(pts) * av_q2d(timeBase));
  out->brightness.push_back(n ? sum / n : 0.0);
}

inline void TakeAudioFrame(const AVFrame* frame, const AVRational& timeBase, DecodedAudio* out) {
  if (out->left.empty()) out->startSeconds = static_cast<double>(frame->best_effort_timestamp) * av_q2d(timeBase);
  // The first channel as floats, whichever sample format the decoder gives.
  const int channels = frame->ch_layout.nb_channels;
  const uint8_t* data = frame->extended_data[0];
  for (int i = 0; i < frame->nb_samples; ++i) {
    switch (frame->format) {
      case AV_SAMPLE_FMT_FLTP: out->left.push_back(reinterpret_cast<const float*>(data)[i]); break;
      case AV_SAMPLE_FMT_FLT: out->left.push_back(reinterpret_cast<const float*>(data)[i * channels]); break;
      case AV_SAMPLE_FMT_S16P: out->left.push_back(reinterpret_cast<const int16_t*>(data)[i] / 32768.0f); break;
      case AV_SAMPLE_FMT_S16: out->left.push_back(reinterpret_cast<const int16_t*>(data)[i * channels] / 32768.0f); break;
      case AV_SAMPLE_FMT_S32P: out->left.push_back(reinterpret_cast<const int32_t*>(data)[i] / 2147483648.0f); break;
      case AV_SAMPLE_FMT_S32:
        out->left.push_back(reinterpret_cast<const int32_t*>(data)[i * channels] / 2147483648.0f);
        break;
      default: out->left.push_back(0.0f); break;
    }
  }
}

// Decodes every video frame and the audio's first channel of a video file.
inline DecodedFile Decode(const std::string& path) {
  DecodedFile result;
  AVFormatContext* format = nullptr;
  if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) {
    result.error = path + ": cannot be opened";
    return result;
  }
  avformat_find_stream_info(format, nullptr);
  AVCodecContext* decoders[2] = {nullptr, nullptr};
  int indices[2] = {av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0),
                    av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0)};
  for (int k = 0; k < 2; ++k) {
    if (indices[k] < 0) continue;
    const AVCodecParameters* par = format->streams[indices[k]]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    decoders[k] = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(decoders[k], par);
    decoders[k]->pkt_timebase = format->streams[indices[k]]->time_base;
    avcodec_open2(decoders[k], codec, nullptr);
    if (k == 0) {
      result.video.codec = avcodec_get_name(par->codec_id);
      result.video.width = par->width;
      result.video.height = par->height;
    } else {
      result.audio.codec = avcodec_get_name(par->codec_id);
      result.audio.rate = par->sample_rate;
      result.audio.channels = par->ch_layout.nb_channels;
    }
  }
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  auto drain = [&](int k) {
    while (avcodec_receive_frame(decoders[k], frame) == 0) {
      AVRational tb = format->streams[indices[k]]->time_base;
      if (k == 0) TakeVideoFrame(frame, tb, &result.video);
      else TakeAudioFrame(frame, tb, &result.audio);
      av_frame_unref(frame);
    }
  };
  while (av_read_frame(format, packet) >= 0) {
    for (int k = 0; k < 2; ++k) {
      if (decoders[k] && packet->stream_index == indices[k]) {
        avcodec_send_packet(decoders[k], packet);
        drain(k);
      }
    }
    av_packet_unref(packet);
  }
  for (int k = 0; k < 2; ++k) {
    if (!decoders[k]) continue;
    avcodec_send_packet(decoders[k], nullptr);
    drain(k);
    avcodec_free_context(&decoders[k]);
  }
  av_frame_free(&frame);
  av_packet_free(&packet);
  avformat_close_input(&format);
  result.ok = true;
  return result;
}

// Onsets of clicks: the first sample above threshold after at least quietSeconds of quiet.
inline std::vector<double> ClickTimes(const DecodedAudio& audio, float threshold, double quietSeconds) {
  std::vector<double> times;
  size_t quiet = static_cast<size_t>(quietSeconds * audio.rate);
  size_t lastLoud = 0;
  bool any = false;
  for (size_t i = 0; i < audio.left.size(); ++i) {
    if (std::fabs(audio.left[i]) < threshold) continue;
    if (!any || i - lastLoud > quiet) times.push_back(audio.startSeconds + static_cast<double>(i) / audio.rate);
    lastLoud = i;
    any = true;
  }
  return times;
}

// Times of the frames where the picture changes between dark and bright.
inline std::vector<double> PictureSwitchTimes(const DecodedVideo& video) {
  std::vector<double> times;
  for (size_t i = 1; i < video.brightness.size(); ++i) {
    if ((video.brightness[i] > 128) != (video.brightness[i - 1] > 128)) times.push_back(video.times[i]);
  }
  return times;
}

// A mono 16-bit WAV of seconds length at rate, silent but for 10 ms clicks at clickMs.
inline bool WriteClickTrack(const std::string& path, int rate, double seconds, const std::vector<int>& clickMs) {
  SF_INFO info = {};
  info.samplerate = rate;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file) return false;
  std::vector<float> samples(static_cast<size_t>(seconds * rate), 0.0f);
  for (int ms : clickMs) {
    size_t start = static_cast<size_t>(static_cast<int64_t>(ms) * rate / 1000);
    // 10 ms of a 1 kHz tone: well inside what AAC keeps, starting at full strength.
    for (size_t i = 0; i < static_cast<size_t>(rate / 100) && start + i < samples.size(); ++i) {
      samples[start + i] = 0.9f * static_cast<float>(std::sin(6.283185307 * 1000.0 * static_cast<double>(i) / rate + 0.5));
    }
  }
  bool ok = sf_writef_float(file, samples.data(), static_cast<sf_count_t>(samples.size())) ==
            static_cast<sf_count_t>(samples.size());
  sf_close(file);
  return ok;
}

inline bool WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  return static_cast<bool>(out);
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A fresh folder under the system's temporary directory, removed with all it holds; the
// working directory is moved into it and back, as capture runs in the demo's run directory.
using RunDirectory = testsupport::ScratchDir;

}  // namespace probe
