// mp4_writer.cpp -- libavformat's MP4 muxer with libx264 video and AAC audio
#include "tools/capture/mp4_writer.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace capture {

namespace {

constexpr const char* kVideoEncoder = "libx264";
constexpr const char* kAudioEncoder = "aac";
constexpr int64_t kAudioBitRate = 192000;

}  // namespace

std::string AvErrorText(int error) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(error, text, sizeof text);
  return text;
}

Mp4Writer::~Mp4Writer() { Free(); }

bool Mp4Writer::Open(const Settings& settings, std::string* problem) {
  Free();
  settings_ = settings;
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
  // The index goes to the front once the file is complete, so players can start at once.
  AVDictionary* options = nullptr;
  av_dict_set(&options, "movflags", "+faststart", 0);
  error = avformat_write_header(format_, &options);
  av_dict_free(&options);
  if (error < 0) {
    *problem = settings_.path + ": the MP4 header cannot be written (" + AvErrorText(error) + ")";
    Free();
    return false;
  }
  headerWritten_ = true;
  return true;
}

bool Mp4Writer::OpenFile(std::string* problem) {
  int error = avformat_alloc_output_context2(&format_, nullptr, "mp4", settings_.path.c_str());
  if (error < 0 || !format_) {
    *problem = "libavformat has no MP4 muxer (" + AvErrorText(error) + ")";
    return false;
  }
  return true;
}

bool Mp4Writer::OpenVideo(std::string* problem) {
  const AVCodec* codec = avcodec_find_encoder_by_name(kVideoEncoder);
  if (!codec) {
    *problem = std::string("FFmpeg's libavcodec here has no \"") + kVideoEncoder + "\" encoder for H.264 video";
    return false;
  }
  videoStream_ = avformat_new_stream(format_, nullptr);
  video_ = avcodec_alloc_context3(codec);
  videoFrame_ = av_frame_alloc();
  if (!videoStream_ || !video_ || !videoFrame_) {
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
  av_opt_set_double(video_->priv_data, "crf", settings_.quality, 0);
  av_opt_set(video_->priv_data, "preset", "medium", 0);
  int error = avcodec_open2(video_, codec, nullptr);
  if (error < 0) {
    *problem = std::string("the \"") + kVideoEncoder + "\" encoder refused " + std::to_string(settings_.width) + "x" +
               std::to_string(settings_.height) + " at " + std::to_string(settings_.fps) + " fps (" +
               AvErrorText(error) + ")";
    return false;
  }
  avcodec_parameters_from_context(videoStream_->codecpar, video_);
  videoStream_->time_base = video_->time_base;
  videoStream_->avg_frame_rate = rate;
  videoStream_->r_frame_rate = rate;

  videoFrame_->format = AV_PIX_FMT_YUV420P;
  videoFrame_->width = settings_.width;
  videoFrame_->height = settings_.height;
  if (av_frame_get_buffer(videoFrame_, 0) < 0) {
    *problem = "no memory for the video frame";
    return false;
  }
  return scaler_.Open(settings_.sourceWidth, settings_.sourceHeight, settings_.width, settings_.height,
                      AV_PIX_FMT_YUV420P, problem);
}

bool Mp4Writer::OpenAudio(std::string* problem) {
  const AVCodec* codec = avcodec_find_encoder_by_name(kAudioEncoder);
  if (!codec) {
    *problem = std::string("FFmpeg's libavcodec here has no \"") + kAudioEncoder + "\" encoder for AAC audio";
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
  audio_->sample_fmt = AV_SAMPLE_FMT_FLTP;
  audio_->sample_rate = kAudioRate;
  audio_->bit_rate = kAudioBitRate;
  audio_->time_base = AVRational{1, kAudioRate};
  if (format_->oformat->flags & AVFMT_GLOBALHEADER) audio_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  int error = avcodec_open2(audio_, codec, nullptr);
  if (error < 0) {
    *problem = std::string("the \"") + kAudioEncoder + "\" encoder refused stereo at 44100 Hz (" + AvErrorText(error) + ")";
    return false;
  }
  avcodec_parameters_from_context(audioStream_->codecpar, audio_);
  audioStream_->time_base = audio_->time_base;

  audioFrame_->format = AV_SAMPLE_FMT_FLTP;
  audioFrame_->nb_samples = audio_->frame_size;
  audioFrame_->sample_rate = kAudioRate;
  av_channel_layout_copy(&audioFrame_->ch_layout, &stereo);
  if (av_frame_get_buffer(audioFrame_, 0) < 0) {
    *problem = "no memory for the audio frame";
    return false;
  }
  return music_.Open(settings_.musicPath, settings_.fromMs, kAudioRate, problem);
}

bool Mp4Writer::WriteFrame(const pictures::FrameView& image, std::string* problem) {
  if (!headerWritten_ || finished_) {
    *problem = "the MP4 is not open";
    return false;
  }
  // Only reallocates when the encoder still holds the previous picture (libx264 copies it).
  if (av_frame_make_writable(videoFrame_) < 0 || !scaler_.Scale(image, videoFrame_->data, videoFrame_->linesize)) {
    *problem = "the frame could not be converted for the video";
    return false;
  }
  videoFrame_->pts = framesWritten_;
  if (!Encode(video_, videoStream_, videoFrame_, problem)) return false;
  ++framesWritten_;
  // The music up to the end of this frame, whole encoder frames only: the rest waits.
  return EncodeAudioUntil(framesWritten_ * kAudioRate / settings_.fps, problem);
}

bool Mp4Writer::EncodeAudioUntil(int64_t samples, std::string* problem) {
  int frameSize = audio_->frame_size;
  while (samples - samplesWritten_ >= frameSize) {
    if (av_frame_make_writable(audioFrame_) < 0) {
      *problem = "no memory for the audio frame";
      return false;
    }
    audioFrame_->nb_samples = frameSize;
    music_.Read(audioFrame_->data, frameSize);
    audioFrame_->pts = samplesWritten_;
    if (!Encode(audio_, audioStream_, audioFrame_, problem)) return false;
    samplesWritten_ += frameSize;
  }
  return true;
}

bool Mp4Writer::Encode(AVCodecContext* codec, AVStream* stream, AVFrame* frame, std::string* problem) {
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

bool Mp4Writer::Finish(std::string* problem) {
  if (!headerWritten_ || finished_) return headerWritten_;
  finished_ = true;
  bool ok = true;
  // The music's last part frame: exactly as long as the video, not padded to a whole frame.
  int64_t wanted = framesWritten_ * kAudioRate / settings_.fps;
  int64_t rest = wanted - samplesWritten_;
  if (rest > 0 && av_frame_make_writable(audioFrame_) >= 0) {
    audioFrame_->nb_samples = static_cast<int>(rest);
    music_.Read(audioFrame_->data, static_cast<int>(rest));
    audioFrame_->pts = samplesWritten_;
    ok = Encode(audio_, audioStream_, audioFrame_, problem);
    samplesWritten_ = wanted;
  }
  ok = Encode(audio_, audioStream_, nullptr, problem) && ok;
  ok = Encode(video_, videoStream_, nullptr, problem) && ok;
  int error = av_write_trailer(format_);
  if (error < 0 && ok) {
    *problem = settings_.path + ": the MP4 index cannot be written (" + AvErrorText(error) + ")";
    ok = false;
  }
  return ok;
}

void Mp4Writer::Free() {
  if (headerWritten_ && !finished_) {
    std::string ignored;
    Finish(&ignored);  // a playable file, whatever happened before
  }
  avcodec_free_context(&video_);
  avcodec_free_context(&audio_);
  av_frame_free(&videoFrame_);
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
  headerWritten_ = false;
  finished_ = false;
}

}  // namespace capture
