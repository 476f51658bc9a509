// mp4_writer.h -- captured frames and the music as an MP4: H.264 video and AAC audio
//
// FFmpeg's libraries, linked: libx264 for the video (yuv420p, a constant frame rate, the
// picture scaled by swscale to the output size), the native AAC encoder for the music of the
// same time range, libavformat's MP4 muxer. Audio is written alongside the video, up to the end
// of each frame, so a capture stopped early still ends with both tracks of the same length.
// Frames, packets and conversion buffers are made once in Open and reused for every frame.
#pragma once

#include <cstdint>
#include <string>

#include "tools/capture/frame_scaler.h"
#include "tools/capture/frame_sink.h"
#include "tools/capture/music_track.h"

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct AVStream;

namespace capture {

class Mp4Writer : public FrameSink {
 public:
  static constexpr int kAudioRate = 44100;

  struct Settings {
    std::string path;
    int sourceWidth = 0;  // the demo's frames
    int sourceHeight = 0;
    int width = 0;  // the video's
    int height = 0;
    uint32_t fps = 60;
    int quality = 18;  // x264's constant rate factor
    std::string musicPath;
    uint32_t fromMs = 0;  // the music time of the first frame
  };

  Mp4Writer() = default;
  ~Mp4Writer() override;
  Mp4Writer(const Mp4Writer&) = delete;
  Mp4Writer& operator=(const Mp4Writer&) = delete;

  // Opens the encoders, the music and the file, and writes the header. False with *problem set
  // (a missing encoder, unreadable music, a file that cannot be written).
  bool Open(const Settings& settings, std::string* problem);
  bool WriteFrame(const pictures::FrameView& image, std::string* problem) override;
  // The audio up to the last frame's end, the encoders' last packets, the MP4's index.
  bool Finish(std::string* problem) override;

 private:
  bool OpenFile(std::string* problem);
  bool OpenVideo(std::string* problem);
  bool OpenAudio(std::string* problem);
  // Sends frame (null: the end) to the encoder and writes every packet it has ready.
  bool Encode(AVCodecContext* codec, AVStream* stream, AVFrame* frame, std::string* problem);
  bool EncodeAudioUntil(int64_t samples, std::string* problem);
  void Free();

  Settings settings_;
  AVFormatContext* format_ = nullptr;
  AVCodecContext* video_ = nullptr;
  AVCodecContext* audio_ = nullptr;
  AVStream* videoStream_ = nullptr;
  AVStream* audioStream_ = nullptr;
  AVFrame* videoFrame_ = nullptr;
  AVFrame* audioFrame_ = nullptr;
  AVPacket* packet_ = nullptr;
  FrameScaler scaler_;
  MusicTrack music_;
  int64_t framesWritten_ = 0;
  int64_t samplesWritten_ = 0;
  bool headerWritten_ = false;
  bool finished_ = false;
};

// One sentence for an FFmpeg error code.
std::string AvErrorText(int error);

}  // namespace capture
