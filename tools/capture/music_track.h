// music_track.h -- the demo's music, decoded over a time range for the video's audio track
//
// The music file is decoded again, separately from the demo's own stream: libsndfile reads it
// from the capture's first frame on and libswresample turns it into stereo float planes at the
// audio encoder's rate. Past the music's end the track is silence, as the demo is silent there.
#pragma once

#include <sndfile.h>

#include <cstdint>
#include <string>
#include <vector>

struct SwrContext;
struct AVAudioFifo;

namespace capture {

class MusicTrack {
 public:
  static constexpr int kChannels = 2;

  MusicTrack() = default;
  ~MusicTrack() { Close(); }
  MusicTrack(const MusicTrack&) = delete;
  MusicTrack& operator=(const MusicTrack&) = delete;

  // Opens fileName positioned at fromMs, to be read at rate. False with *problem set.
  bool Open(const std::string& fileName, uint32_t fromMs, int rate, std::string* problem);
  // The next `samples` samples into two float planes (left, right); silence past the end.
  bool Read(uint8_t* const planes[kChannels], int samples);
  void Close();

 private:
  static constexpr int kBlockFrames = 4096;  // file frames decoded at a time

  void DecodeBlock();  // one block of the file (or the resampler's tail) into the queue

  SNDFILE* file_ = nullptr;
  SF_INFO info_{};
  SwrContext* resampler_ = nullptr;
  AVAudioFifo* queue_ = nullptr;   // resampled samples waiting to be read
  std::vector<float> block_;       // interleaved file frames
  std::vector<float> converted_;   // two planes of convertedCapacity_ samples
  int convertedCapacity_ = 0;
  bool fileEnded_ = false;         // the file is read to its end
  bool drained_ = false;           // and the resampler has given out its last samples
};

}  // namespace capture
