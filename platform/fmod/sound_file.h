// sound_file.h -- libsndfile reading a music file through the platform's regular-file service
//
// The music stream and every other reader of a music file (the preview's waveform) open it
// here, so a FIFO named as the music is refused instead of waiting for a writer, and the file
// checked is the file decoded.
#pragma once

#include <sndfile.h>

#include "platform/services/file_read.h"

namespace fsound {

// libsndfile on the open file source, which must outlive the SNDFILE; null when libsndfile
// cannot decode it (sf_strerror(nullptr) says why).
SNDFILE* OpenSoundFile(platform_file::RegularFile* source, SF_INFO* info);

}  // namespace fsound
