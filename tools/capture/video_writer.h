// video_writer.h -- captured frames and the music as a video file: MP4, WebM or Matroska
//
// FFmpeg's libraries, linked. The file's extension chooses the container and the codecs:
//   .mp4   H.264 (libx264) and AAC: plays everywhere
//   .webm  VP9 (libvpx) and Opus (libopus): for browsers
//   .mkv   H.264 (libx264) and FLAC: the music without loss
// The picture is scaled by swscale to the output size in yuv420p at a constant frame rate; the
// music of the same time range is encoded alongside, up to the end of each frame, so a capture
// stopped early still ends with both tracks of the same length. Every encoder runs with fixed
// settings and no wall-clock input, so the same frames give the same file.
// Packets and conversion buffers are made once in Open, the converted pictures in Reserve, and
// reused for every frame. Convert and Encode share no state, so they may run on two threads.
// The encoders' threads are fixed (not the machine's core count), so the bytes are the same on
// every machine and whichever thread feeds the encoder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/capture/frame_scaler.h"
#include "tools/capture/frame_sink.h"
#include "tools/capture/music_track.h"

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct AVStream;

namespace capture {

// A container with its video and audio encoders, chosen by the output file's extension.
struct VideoFormat {
  const char* extension;  // ".mp4"
  const char* muxer;      // libavformat's name
  const char* videoEncoder;
  const char* videoName;  // for messages: "H.264"
  const char* audioEncoder;
  const char* audioName;
  int audioRate;
};

// The format whose extension path ends with (in any case), or null.
const VideoFormat* FindVideoFormat(const std::string& path);
// ".mp4 (H.264 and AAC), .webm (VP9 and Opus), .mkv (H.264 and FLAC)": for messages.
std::string VideoFormatList();

class VideoWriter : public FrameSink {
 public:
  struct Settings {
    std::string path;
    int sourceWidth = 0;  // the demo's frames
    int sourceHeight = 0;
    int width = 0;  // the video's
    int height = 0;
    uint32_t fps = 60;
    int quality = 18;  // the video encoder's constant rate factor
    std::string musicPath;
    uint32_t fromMs = 0;  // the music time of the first frame
  };

  VideoWriter() = default;
  ~VideoWriter() override;
  VideoWriter(const VideoWriter&) = delete;
  VideoWriter& operator=(const VideoWriter&) = delete;

  // Opens the encoders, the music and the file, and writes the header. False with *problem set
  // (an extension of no format, a missing encoder, unreadable music, a file that cannot be
  // written).
  bool Open(const Settings& settings, std::string* problem);
  bool Reserve(int slots, std::string* problem) override;
  bool Convert(const pictures::FrameView& image, int slot, std::string* problem) override;
  bool Encode(int slot, uint32_t index, std::string* problem) override;
  // The audio up to the last frame's end, the encoders' last packets, the file's index.
  bool Finish(std::string* problem) override;

 private:
  bool OpenFile(std::string* problem);
  bool OpenVideo(std::string* problem);
  bool OpenAudio(std::string* problem);
  // Sends frame (null: the end) to the encoder and writes every packet it has ready.
  bool Send(AVCodecContext* codec, AVStream* stream, AVFrame* frame, std::string* problem);
  void FreePictures();
  bool EncodeAudioUntil(int64_t samples, std::string* problem);
  // The next samples of the music into audioFrame_, in the encoder's sample format.
  bool ReadMusic(int samples);
  void Free();

  Settings settings_;
  const VideoFormat* kind_ = nullptr;
  int audioRate_ = 0;
  std::vector<float> musicPlanes_;  // the music's two float planes, before the encoder's format
  AVFormatContext* format_ = nullptr;
  AVCodecContext* video_ = nullptr;
  AVCodecContext* audio_ = nullptr;
  AVStream* videoStream_ = nullptr;
  AVStream* audioStream_ = nullptr;
  std::vector<AVFrame*> pictures_;  // the converted frames, one per slot
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
