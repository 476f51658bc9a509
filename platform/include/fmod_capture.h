// fmod_capture.h -- a virtual music clock for offline capture (an addition of this layer, not an FMOD call)
//
// A capture renders frame by frame, slower or faster than real time, so the music position must
// be the capture's own clock. With the virtual clock on (before FSOUND_Init):
//   FSOUND_Init           opens no sound device and starts no real-time clock
//   FSOUND_Stream_Open    opens and checks the file as usual
//   FSOUND_Stream_Play    takes a channel; nothing is mixed or played
//   FSOUND_Stream_GetTime of a stream played (and not stopped since): the time last given to
//                         SetVirtualTimeMs, at most the stream's length; 0 before Play
// Every other call behaves as usual. Off (the default) the sound device plays again from the
// next FSOUND_Init. Calls come from the program's thread, as every FSOUND_ call does.
#pragma once

namespace fsound_capture {

void UseVirtualClock(bool on);
bool UsingVirtualClock();
void SetVirtualTimeMs(int ms);  // negative values read as 0

}  // namespace fsound_capture
