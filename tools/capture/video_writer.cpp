// video_writer.cpp -- libavformat's muxers with the video and audio encoders of each format
#include "tools/capture/video_writer.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

namespace capture {

namespace {

constexpr int64_t kAudioBitRate = 192000;
constexpr int kX264Threads = 3;

constexpr VideoFormat kFormats[] = {
    {".mp4", "mp4", "libx264", "H.264", "aac", "AAC", 44100},
    {".webm", "webm", "libvpx-vp9", "VP9", "libopus", "Opus", 48000},
    {".mkv", "matroska", "libx264", "H.264", "flac", "FLAC", 44100},
};

bool EndsWithNoCase(const std::string& text, const char* end) {
  const size_t n = std::strlen(end);
  if (text.size() < n) return false;
  for (size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(text[text.size() - n + i])) != end[i]) return false;
  return true;
}

// The first of the sample formats the music can be given in that the encoder takes.
AVSampleFormat MusicSampleFormat(const AVCodec* codec) {
  const AVSampleFormat ours[] = {AV_SAMPLE_FMT_FLTP, AV_SAMPLE_FMT_FLT, AV_SAMPLE_FMT_S16};
  for (AVSampleFormat wanted : ours) {
    if (!codec->sample_fmts) return wanted;
    for (const AVSampleFormat* f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f)
      if (*f == wanted) return wanted;
  }
  return AV_SAMPLE_FMT_NONE;
}

// Each video encoder's fixed settings: quality by constant rate factor, nothing taken from the
// clock or the machine, so that the same frames give the same bytes.
void SetVideoOptions(const VideoFormat& kind, AVCodecContext* video, int quality) {
  if (std::strcmp(kind.videoEncoder, "libx264") == 0) {
    av_opt_set_double(video->priv_data, "crf", quality, 0);
    av_opt_set(video->priv_data, "preset", "medium", 0);
    // x264 decides each frame alike for any timing of its threads, but its output depends on
    // how many frame threads it runs (each limits what the next may refer to) and its default
    // is the machine's core count. A fixed number of frame threads, no sliced threads (whose
    // slices follow the thread count too) and its deterministic mode keep the bytes the same
    // on every machine; the lookahead threads follow from the frame threads.
    video->thread_count = kX264Threads;
    video->thread_type = FF_THREAD_FRAME;
    av_opt_set(video->priv_data, "x264-params", "non-deterministic=0", 0);
  } else {
    // VP9 in constant quality: no target bit rate; tile columns let two threads share a frame
    // without changing what is encoded.
    video->bit_rate = 0;
    video->thread_count = 2;
    av_opt_set_int(video->priv_data, "crf", quality, 0);
    av_opt_set(video->priv_data, "deadline", "good", 0);
    av_opt_set_int(video->priv_data, "cpu-used", 4, 0);
    av_opt_set_int(video->priv_data, "tile-columns", 1, 0);
    av_opt_set_int(video->priv_data, "row-mt", 0, 0);
  }
}

}  // namespace

const VideoFormat* FindVideoFormat(const std::string& path) {
  for (const VideoFormat& f : kFormats)
    if (EndsWithNoCase(path, f.extension)) return &f;
  return nullptr;
}

std::string VideoFormatList() {
  std::string list;
  for (const VideoFormat& f : kFormats) {
    if (!list.empty()) list += ", ";
    list += std::string(f.extension) + " (" + f.videoName + " and " + f.audioName + ")";
  }
  return list;
}

std::string AvErrorText(int error) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(error, text, sizeof text);
  return text;
}

VideoWriter::~VideoWriter() { Free(); }

bool VideoWriter::Open(const Settings& settings, std::string* problem) {
  Free();
  settings_ = settings;
  kind_ = FindVideoFormat(settings.path);
  if (!kind_) {
    *problem = settings.path + ": no video format has this extension; the formats are " + VideoFormatList();
    return false;
  }
  audioRate_ = kind_->audioRate;
  if (!OpenFile(problem) || !OpenVideo(problem) || !OpenAudio(problem)) {
    Free();
    return false;
  }
  packet_ = av_packet_alloc();
  if (!packet_) {
    *problem = "no memory for the encoders' packets";
    Free();
    return false;
  }
  int error = avio_open(&format_->pb, settings_.path.c_str(), AVIO_FLAG_WRITE);
  if (error < 0) {
    *problem = settings_.path + ": cannot be written (" + AvErrorText(error) + ")";
    Free();
    return false;
  }
  // An MP4's index goes to the front once the file is complete, so players can start at once.
  AVDictionary* options = nullptr;
  if (std::strcmp(kind_->muxer, "mp4") == 0) av_dict_set(&options, "movflags", "+faststart", 0);
  error = avformat_write_header(format_, &options);
  av_dict_free(&options);
  if (error < 0) {
    *problem = settings_.path + ": the header cannot be written (" + AvErrorText(error) + ")";
    Free();
    return false;
  }
  headerWritten_ = true;
  return true;
}

bool VideoWriter::OpenFile(std::string* problem) {
  int error = avformat_alloc_output_context2(&format_, nullptr, kind_->muxer, settings_.path.c_str());
  if (error < 0 || !format_) {
    *problem = std::string("libavformat here has no \"") + kind_->muxer + "\" muxer (" + AvErrorText(error) + ")";
    return false;
  }
  // Matroska stamps each file with the date and a random segment id unless told to be exact.
  if (std::strcmp(kind_->muxer, "mp4") != 0) format_->flags |= AVFMT_FLAG_BITEXACT;
  return true;
}

bool VideoWriter::OpenVideo(std::string* problem) {
  const AVCodec* codec = avcodec_find_encoder_by_name(kind_->videoEncoder);
  if (!codec) {
    *problem = std::string("FFmpeg's libavcodec here has no \"") + kind_->videoEncoder + "\" encoder for " +
               kind_->videoName + " video";
    return false;
  }
  videoStream_ = avformat_new_stream(format_, nullptr);
  video_ = avcodec_alloc_context3(codec);
  if (!videoStream_ || !video_) {
    *problem = "no memory for the video encoder";
    return false;
  }
  AVRational rate = {static_cast<int>(settings_.fps), 1};
  video_->width = settings_.width;
  video_->height = settings_.height;
  video_->pix_fmt = AV_PIX_FMT_YUV420P;
  video_->time_base = av_inv_q(rate);
  video_->framerate = rate;
  // swscale converts with the BT.601 matrix into limited range: say so, so players agree.
  video_->color_range = AVCOL_RANGE_MPEG;
  video_->colorspace = AVCOL_SPC_SMPTE170M;
  video_->color_primaries = AVCOL_PRI_SMPTE170M;
  video_->color_trc = AVCOL_TRC_SMPTE170M;
  if (format_->oformat->flags & AVFMT_GLOBALHEADER) video_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  SetVideoOptions(*kind_, video_, settings_.quality);
  int error = avcodec_open2(video_, codec, nullptr);
  if (error < 0) {
    *problem = std::string("the \"") + kind_->videoEncoder + "\" encoder refused " + std::to_string(settings_.width) + "x" +
               std::to_string(settings_.height) + " at " + std::to_string(settings_.fps) + " fps (" +
               AvErrorText(error) + ")";
    return false;
  }
  avcodec_parameters_from_context(videoStream_->codecpar, video_);
  videoStream_->time_base = video_->time_base;
  videoStream_->avg_frame_rate = rate;
  videoStream_->r_frame_rate = rate;
  return scaler_.Open(settings_.sourceWidth, settings_.sourceHeight, settings_.width, settings_.height,
                      AV_PIX_FMT_YUV420P, problem);
}

bool VideoWriter::OpenAudio(std::string* problem) {
  const AVCodec* codec = avcodec_find_encoder_by_name(kind_->audioEncoder);
  if (!codec) {
    *problem = std::string("FFmpeg's libavcodec here has no \"") + kind_->audioEncoder + "\" encoder for " +
               kind_->audioName + " audio";
    return false;
  }
  const AVSampleFormat sampleFormat = MusicSampleFormat(codec);
  if (sampleFormat == AV_SAMPLE_FMT_NONE) {
    *problem = std::string("the \"") + kind_->audioEncoder + "\" encoder takes no sample format the music comes in";
    return false;
  }
  audioStream_ = avformat_new_stream(format_, nullptr);
  audio_ = avcodec_alloc_context3(codec);
  audioFrame_ = av_frame_alloc();
  if (!audioStream_ || !audio_ || !audioFrame_) {
    *problem = "no memory for the audio encoder";
    return false;
  }
  AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
  av_channel_layout_copy(&audio_->ch_layout, &stereo);
  audio_->sample_fmt = sampleFormat;
  audio_->sample_rate = audioRate_;
  audio_->bit_rate = kAudioBitRate;
  audio_->time_base = AVRational{1, audioRate_};
  if (format_->oformat->flags & AVFMT_GLOBALHEADER) audio_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  int error = avcodec_open2(audio_, codec, nullptr);
  if (error < 0) {
    *problem = std::string("the \"") + kind_->audioEncoder + "\" encoder refused stereo at " + std::to_string(audioRate_) +
               " Hz (" + AvErrorText(error) + ")";
    return false;
  }
  avcodec_parameters_from_context(audioStream_->codecpar, audio_);
  audioStream_->time_base = audio_->time_base;

  audioFrame_->format = sampleFormat;
  audioFrame_->nb_samples = audio_->frame_size;
  audioFrame_->sample_rate = audioRate_;
  av_channel_layout_copy(&audioFrame_->ch_layout, &stereo);
  if (av_frame_get_buffer(audioFrame_, 0) < 0) {
    *problem = "no memory for the audio frame";
    return false;
  }
  musicPlanes_.assign(static_cast<size_t>(audio_->frame_size) * MusicTrack::kChannels, 0.0f);
  return music_.Open(settings_.musicPath, settings_.fromMs, audioRate_, problem);
}

bool VideoWriter::ReadMusic(int samples) {
  if (audio_->sample_fmt == AV_SAMPLE_FMT_FLTP) return music_.Read(audioFrame_->data, samples);
  if (musicPlanes_.size() < static_cast<size_t>(samples) * MusicTrack::kChannels)
    musicPlanes_.resize(static_cast<size_t>(samples) * MusicTrack::kChannels);
  float* left = musicPlanes_.data();
  float* right = left + samples;
  uint8_t* planes[MusicTrack::kChannels] = {reinterpret_cast<uint8_t*>(left), reinterpret_cast<uint8_t*>(right)};
  if (!music_.Read(planes, samples)) return false;
  // Interleaved, as the encoder takes it: floats as they are, or 16-bit rounded and clamped.
  if (audio_->sample_fmt == AV_SAMPLE_FMT_FLT) {
    float* out = reinterpret_cast<float*>(audioFrame_->data[0]);
    for (int i = 0; i < samples; ++i) {
      out[2 * i] = left[i];
      out[2 * i + 1] = right[i];
    }
  } else {
    int16_t* out = reinterpret_cast<int16_t*>(audioFrame_->data[0]);
    for (int i = 0; i < samples; ++i) {
      out[2 * i] = static_cast<int16_t>(std::lround(std::clamp(left[i], -1.0f, 1.0f) * 32767.0f));
      out[2 * i + 1] = static_cast<int16_t>(std::lround(std::clamp(right[i], -1.0f, 1.0f) * 32767.0f));
    }
  }
  return true;
}

bool VideoWriter::Reserve(int slots, std::string* problem) {
  FreePictures();
  if (slots < 1 || slots > kMaxSlots) {
    *problem = "a video keeps 1 to " + std::to_string(kMaxSlots) + " converted frames at once";
    return false;
  }
  for (int i = 0; i < slots; ++i) {
    AVFrame* picture = av_frame_alloc();
    if (picture) pictures_.push_back(picture);
    if (!picture) {
      *problem = "no memory for the video frames";
      return false;
    }
    picture->format = AV_PIX_FMT_YUV420P;
    picture->width = settings_.width;
    picture->height = settings_.height;
    if (av_frame_get_buffer(picture, 0) < 0) {
      *problem = "no memory for the video frames";
      return false;
    }
  }
  return true;
}

void VideoWriter::FreePictures() {
  for (AVFrame*& picture : pictures_) av_frame_free(&picture);
  pictures_.clear();
}

bool VideoWriter::Convert(const pictures::FrameView& image, int slot, std::string* problem) {
  if (!headerWritten_ || finished_ || slot < 0 || static_cast<size_t>(slot) >= pictures_.size()) {
    *problem = "the video file is not open for this frame";
    return false;
  }
  // Only reallocates when the encoder still holds the slot's last picture (libx264 copies it).
  AVFrame* picture = pictures_[static_cast<size_t>(slot)];
  if (av_frame_make_writable(picture) >= 0 && scaler_.Scale(image, picture->data, picture->linesize)) return true;
  *problem = "the frame could not be converted for the video";
  return false;
}

bool VideoWriter::Encode(int slot, uint32_t index, std::string* problem) {
  if (!headerWritten_ || finished_ || slot < 0 || static_cast<size_t>(slot) >= pictures_.size()) {
    *problem = "the video file is not open for this frame";
    return false;
  }
  if (index != framesWritten_) {
    *problem = "video frame " + std::to_string(index) + " came where frame " + std::to_string(framesWritten_) +
               " belongs";
    return false;
  }
  AVFrame* picture = pictures_[static_cast<size_t>(slot)];
  picture->pts = framesWritten_;
  if (!Send(video_, videoStream_, picture, problem)) return false;
  ++framesWritten_;
  // The music up to the end of this frame, whole encoder frames only: the rest waits.
  return EncodeAudioUntil(framesWritten_ * audioRate_ / settings_.fps, problem);
}

bool VideoWriter::EncodeAudioUntil(int64_t samples, std::string* problem) {
  int frameSize = audio_->frame_size;
  while (samples - samplesWritten_ >= frameSize) {
    if (av_frame_make_writable(audioFrame_) < 0) {
      *problem = "no memory for the audio frame";
      return false;
    }
    audioFrame_->nb_samples = frameSize;
    ReadMusic(frameSize);
    audioFrame_->pts = samplesWritten_;
    if (!Send(audio_, audioStream_, audioFrame_, problem)) return false;
    samplesWritten_ += frameSize;
  }
  return true;
}

bool VideoWriter::Send(AVCodecContext* codec, AVStream* stream, AVFrame* frame, std::string* problem) {
  int error = avcodec_send_frame(codec, frame);
  if (error < 0) {
    *problem = std::string("the ") + codec->codec->name + " encoder failed (" + AvErrorText(error) + ")";
    return false;
  }
  for (;;) {
    error = avcodec_receive_packet(codec, packet_);
    if (error == AVERROR(EAGAIN) || error == AVERROR_EOF) return true;
    if (error < 0) {
      *problem = std::string("the ") + codec->codec->name + " encoder failed (" + AvErrorText(error) + ")";
      return false;
    }
    av_packet_rescale_ts(packet_, codec->time_base, stream->time_base);
    packet_->stream_index = stream->index;
    error = av_interleaved_write_frame(format_, packet_);  // takes the packet's data, leaves it blank
    if (error < 0) {
      *problem = settings_.path + ": cannot be written (" + AvErrorText(error) + ")";
      return false;
    }
  }
}

bool VideoWriter::Finish(std::string* problem) {
  if (!headerWritten_ || finished_) return headerWritten_;
  finished_ = true;
  bool ok = true;
  // The music's last part frame: exactly as long as the video, not padded to a whole frame.
  int64_t wanted = framesWritten_ * audioRate_ / settings_.fps;
  int64_t rest = wanted - samplesWritten_;
  if (rest > 0 && av_frame_make_writable(audioFrame_) >= 0) {
    audioFrame_->nb_samples = static_cast<int>(rest);
    ReadMusic(static_cast<int>(rest));
    audioFrame_->pts = samplesWritten_;
    ok = Send(audio_, audioStream_, audioFrame_, problem);
    samplesWritten_ = wanted;
  }
  ok = Send(audio_, audioStream_, nullptr, problem) && ok;
  ok = Send(video_, videoStream_, nullptr, problem) && ok;
  int error = av_write_trailer(format_);
  if (error < 0 && ok) {
    *problem = settings_.path + ": the file's index cannot be written (" + AvErrorText(error) + ")";
    ok = false;
  }
  return ok;
}

void VideoWriter::Free() {
  if (headerWritten_ && !finished_) {
    std::string ignored;
    Finish(&ignored);  // a playable file, whatever happened before
  }
  avcodec_free_context(&video_);
  avcodec_free_context(&audio_);
  FreePictures();
  av_frame_free(&audioFrame_);
  av_packet_free(&packet_);
  if (format_) {
    if (format_->pb) avio_closep(&format_->pb);
    avformat_free_context(format_);
    format_ = nullptr;
  }
  videoStream_ = nullptr;
  audioStream_ = nullptr;
  music_.Close();
  framesWritten_ = 0;
  samplesWritten_ = 0;
  kind_ = nullptr;
  headerWritten_ = false;
  finished_ = false;
}

}  // namespace capture
