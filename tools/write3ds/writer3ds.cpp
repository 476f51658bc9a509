// writer3ds.cpp -- Writer3DS: little-endian chunk building with patched lengths
#include "tools/write3ds/writer3ds.h"

#include <cstdio>
#include <cstring>

namespace write3ds {

Writer3DS& Writer3DS::Begin(uint16_t id) {
  open.push_back(bytes.size());
  return U16(id).U32(0);
}

Writer3DS& Writer3DS::End() {
  if (open.empty()) return *this;
  size_t start = open.back();
  open.pop_back();
  uint32_t length = static_cast<uint32_t>(bytes.size() - start);
  for (int i = 0; i < 4; ++i) bytes[start + 2 + i] = static_cast<uint8_t>(length >> (8 * i));
  return *this;
}

Writer3DS& Writer3DS::Header(uint16_t id, uint32_t length) { return U16(id).U32(length); }

Writer3DS& Writer3DS::U8(uint8_t value) {
  bytes.push_back(value);
  return *this;
}

Writer3DS& Writer3DS::U16(uint16_t value) {
  bytes.push_back(static_cast<uint8_t>(value));
  bytes.push_back(static_cast<uint8_t>(value >> 8));
  return *this;
}

Writer3DS& Writer3DS::U32(uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
  return *this;
}

Writer3DS& Writer3DS::F32(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return U32(bits);
}

Writer3DS& Writer3DS::Floats(std::initializer_list<float> values) {
  for (float v : values) F32(v);
  return *this;
}

Writer3DS& Writer3DS::U16s(std::initializer_list<uint16_t> values) {
  for (uint16_t v : values) U16(v);
  return *this;
}

Writer3DS& Writer3DS::Text(const std::string& text) {
  bytes.insert(bytes.end(), text.begin(), text.end());
  bytes.push_back(0);
  return *this;
}

Writer3DS& Writer3DS::Bytes(const std::vector<uint8_t>& more) {
  bytes.insert(bytes.end(), more.begin(), more.end());
  return *this;
}

Writer3DS& Writer3DS::ByteColour(uint8_t r, uint8_t g, uint8_t b) { return Begin(0x0011).U8(r).U8(g).U8(b).End(); }

Writer3DS& Writer3DS::FloatColour(float r, float g, float b) { return Begin(0x0010).Floats({r, g, b}).End(); }

Writer3DS& Writer3DS::TrackHeader(uint16_t flags, uint32_t keyCount) {
  U16(flags);
  for (int i = 0; i < 8; ++i) U8(0);
  return U32(keyCount);
}

Writer3DS& Writer3DS::Key(uint32_t frame, uint16_t splineFlags, std::initializer_list<float> values) {
  U32(frame).U16(splineFlags);
  for (uint16_t bit : {kTension, kContinuity, kBias, kEaseTo, kEaseFrom}) {
    if (splineFlags & bit) F32(kSplineFiller);
  }
  return Floats(values);
}

bool Writer3DS::Save(const std::string& path) const {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace write3ds
