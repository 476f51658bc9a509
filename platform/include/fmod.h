// fmod.h -- the FMOD 3 sound-library calls the demo makes, declared for Linux.
//
// platform/fmod implements them: libsndfile decodes the stream (MP3, Ogg Vorbis, FLAC, WAV and
// the other formats it reads) while it plays, and SDL2 audio plays it at the rate given to
// FSOUND_Init. Implemented, and how fully:
//   FSOUND_SetOutput      before FSOUND_Init: FSOUND_OUTPUT_NOSOUND plays silently in real time;
//                         any other value asks for the system's sound device
//   FSOUND_Init           opens the sound device: a PulseAudio (or PipeWire) server where one
//                         runs, else SDL's drivers; QOLA_VERBOSE=1 prints the path chosen.
//                         Without one (no sound card, no sound server) it plays silently in real time, so stream positions still advance
//   FSOUND_Close          closes every stream still open, then the device
//   FSOUND_GetError       the FMOD_ERR_ code of the last failed call
//   FSOUND_Stream_Open    a file name, decoded as it plays; null for a missing or undecodable
//                         file (the reason goes to standard error). Modes: the sample-format
//                         hints (FSOUND_NORMAL and its parts), FSOUND_2D, FSOUND_LOOP_OFF,
//                         FSOUND_MPEGACCURATE (decoding is always exact). Other modes (loops,
//                         memory or raw data, non-blocking opening) are refused.
//   FSOUND_Stream_Play    FSOUND_FREE picks a free channel; returns the channel or -1
//   FSOUND_Stream_Stop    stops the stream and rewinds it to its start
//   FSOUND_Stream_GetTime the position the listener hears, in milliseconds: what the mixer
//                         handed to the output and has had time to play, less what the output
//                         still holds before it is heard (a PulseAudio server's reported latency,
//                         refreshed while it plays; else SDL's buffer); it never goes back
//                         and never waits for the audio thread; while the clock override
//                         is on (platform/services/virtual_clock.h), its time
//   FSOUND_Stream_SetTime the position to play from, in milliseconds, exact to the file's sample
//                         (also while it plays); fails beyond the stream's end
//   FSOUND_Stream_GetLengthMs  the stream's length in milliseconds
//   FSOUND_SetPaused      pauses or resumes a channel (FSOUND_ALL: every channel): a paused
//                         stream keeps its place and its position stops; FSOUND_GetPaused asks
//   FSOUND_Stream_SetLoopMs  the platform's own call (no FMOD 3 original): plays the range
//                         [startMs, endMs) again and again without a gap once the music reaches
//                         endMs, the position reading the time within the range; 0, 0 plays on
//                         to the end again. The stream goes on from the position heard
//   FSOUND_SetAVOffset    the platform's own call (no FMOD 3 original): milliseconds, -500 to
//                         500, taken off every position FSOUND_Stream_GetTime reports, for
//                         sound that reaches the listener later (or earlier) than any output
//                         reports; 0 at start
//   FSOUND_Stream_Close   stops and frees the stream; null or an unknown handle is harmless
// Calls come from one thread (the program's); the output plays on threads of its own.
#pragma once

#define F_API
#define F_CALLBACKAPI

typedef struct FSOUND_STREAM FSOUND_STREAM;

// Channel selectors for the *_Play calls.
#define FSOUND_FREE -1
#define FSOUND_UNMANAGED -2
#define FSOUND_ALL -3

// Output types for FSOUND_SetOutput.
enum FSOUND_OUTPUTTYPES {
  FSOUND_OUTPUT_NOSOUND,
  FSOUND_OUTPUT_WINMM,
  FSOUND_OUTPUT_DSOUND,
  FSOUND_OUTPUT_A3D,
  FSOUND_OUTPUT_OSS,
  FSOUND_OUTPUT_ESD,
  FSOUND_OUTPUT_ALSA,
  FSOUND_OUTPUT_ASIO,
  FSOUND_OUTPUT_XBOX,
  FSOUND_OUTPUT_PS2,
  FSOUND_OUTPUT_MAC,
  FSOUND_OUTPUT_GC,
  FSOUND_OUTPUT_PSP,
  FSOUND_OUTPUT_NOSOUND_NONREALTIME
};

// Error codes of FSOUND_GetError.
enum FMOD_ERRORS {
  FMOD_ERR_NONE,
  FMOD_ERR_BUSY,
  FMOD_ERR_UNINITIALIZED,
  FMOD_ERR_INIT,
  FMOD_ERR_ALLOCATED,
  FMOD_ERR_PLAY,
  FMOD_ERR_OUTPUT_FORMAT,
  FMOD_ERR_COOPERATIVELEVEL,
  FMOD_ERR_CREATEBUFFER,
  FMOD_ERR_FILE_NOTFOUND,
  FMOD_ERR_FILE_FORMAT,
  FMOD_ERR_FILE_BAD,
  FMOD_ERR_MEMORY,
  FMOD_ERR_VERSION,
  FMOD_ERR_INVALID_PARAM,
  FMOD_ERR_NO_EAX,
  FMOD_ERR_CHANNEL_ALLOC,
  FMOD_ERR_RECORD,
  FMOD_ERR_MEDIAPLAYER,
  FMOD_ERR_CDDEVICE
};

// Sample and stream modes.
#define FSOUND_LOOP_OFF 0x00000001
#define FSOUND_LOOP_NORMAL 0x00000002
#define FSOUND_LOOP_BIDI 0x00000004
#define FSOUND_8BITS 0x00000008
#define FSOUND_16BITS 0x00000010
#define FSOUND_MONO 0x00000020
#define FSOUND_STEREO 0x00000040
#define FSOUND_UNSIGNED 0x00000080
#define FSOUND_SIGNED 0x00000100
#define FSOUND_DELTA 0x00000200
#define FSOUND_IT214 0x00000400
#define FSOUND_IT215 0x00000800
#define FSOUND_HW3D 0x00001000
#define FSOUND_2D 0x00002000
#define FSOUND_STREAMABLE 0x00004000
#define FSOUND_LOADMEMORY 0x00008000
#define FSOUND_LOADRAW 0x00010000
#define FSOUND_MPEGACCURATE 0x00020000
#define FSOUND_FORCEMONO 0x00040000
#define FSOUND_HW2D 0x00080000
#define FSOUND_ENABLEFX 0x00100000
#define FSOUND_MPEGHALFRATE 0x00200000
#define FSOUND_IMAADPCM 0x00400000
#define FSOUND_VAG 0x00800000
#define FSOUND_NONBLOCKING 0x01000000
#define FSOUND_GCADPCM 0x02000000
#define FSOUND_MULTICHANNEL 0x04000000
#define FSOUND_USECORE0 0x08000000
#define FSOUND_USECORE1 0x10000000
#define FSOUND_LOADMEMORYIOP 0x20000000
#define FSOUND_NORMAL (FSOUND_16BITS | FSOUND_SIGNED | FSOUND_MONO)

// Initialisation flags for FSOUND_Init (accepted; none changes the output here).
#define FSOUND_INIT_USEDEFAULTMIDISYNTH 0x0001
#define FSOUND_INIT_GLOBALFOCUS 0x0002
#define FSOUND_INIT_ENABLESYSTEMCHANNELFX 0x0004
#define FSOUND_INIT_ACCURATEVULEVELS 0x0008
#define FSOUND_INIT_PS2_DISABLECORE0REVERB 0x0010
#define FSOUND_INIT_PS2_DISABLECORE1REVERB 0x0020
#define FSOUND_INIT_PS2_SWAPDMACORES 0x0040
#define FSOUND_INIT_DONTLATENCYADJUST 0x0080
#define FSOUND_INIT_GC_INITLIBS 0x0100
#define FSOUND_INIT_STREAM_FROM_MAIN_THREAD 0x0200
#define FSOUND_INIT_PS2_USEVOLUMERAMPING 0x0400
#define FSOUND_INIT_DSOUND_DEFERRED 0x0800
#define FSOUND_INIT_DSOUND_HRTF_LIGHT 0x1000
#define FSOUND_INIT_DSOUND_HRTF_FULL 0x2000
#define FSOUND_INIT_XBOX_REMOVEHEADROOM 0x4000
#define FSOUND_INIT_PSP_SILENCEONUNDERRUN 0x8000

// System.
signed char F_API FSOUND_SetOutput(int outputtype);
signed char F_API FSOUND_Init(int mixrate, int maxsoftwarechannels, unsigned int flags);
void F_API FSOUND_Close();
int F_API FSOUND_GetError();

// Streams.
FSOUND_STREAM* F_API FSOUND_Stream_Open(const char* name_or_data, unsigned int mode, int offset,
                                        int length);
int F_API FSOUND_Stream_Play(int channel, FSOUND_STREAM* stream);
signed char F_API FSOUND_Stream_Stop(FSOUND_STREAM* stream);
signed char F_API FSOUND_Stream_Close(FSOUND_STREAM* stream);
int F_API FSOUND_Stream_GetTime(FSOUND_STREAM* stream);
int F_API FSOUND_Stream_GetLengthMs(FSOUND_STREAM* stream);
signed char F_API FSOUND_Stream_SetTime(FSOUND_STREAM* stream, int ms);
signed char F_API FSOUND_SetAVOffset(int ms);
signed char F_API FSOUND_Stream_SetLoopMs(FSOUND_STREAM* stream, int startMs, int endMs);

// Channels.
signed char F_API FSOUND_SetPaused(int channel, signed char paused);
signed char F_API FSOUND_GetPaused(int channel);
