// sound_file.cpp -- libsndfile's virtual I/O on a platform_file::RegularFile
#include "platform/fmod/sound_file.h"

namespace fsound {

namespace {

platform_file::RegularFile& Source(void* user) { return *static_cast<platform_file::RegularFile*>(user); }
sf_count_t SourceLength(void* user) { return static_cast<sf_count_t>(Source(user).Size()); }
sf_count_t SourceSeek(sf_count_t offset, int whence, void* user) { return Source(user).Seek(offset, whence); }
sf_count_t SourceTell(void* user) { return Source(user).Tell(); }
sf_count_t SourceWrite(const void*, sf_count_t, void*) { return 0; }  // read only

sf_count_t SourceRead(void* buffer, sf_count_t count, void* user) {
  if (count <= 0) return 0;
  size_t got = 0;
  Source(user).Read(buffer, static_cast<size_t>(count), &got, nullptr);
  return static_cast<sf_count_t>(got);
}

SF_VIRTUAL_IO sourceIo = {SourceLength, SourceSeek, SourceRead, SourceWrite, SourceTell};

}  // namespace

SNDFILE* OpenSoundFile(platform_file::RegularFile* source, SF_INFO* info) {
  *info = SF_INFO{};
  return sf_open_virtual(&sourceIo, SFM_READ, info, source);
}

}  // namespace fsound
