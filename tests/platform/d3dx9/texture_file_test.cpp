// texture_file_test.cpp -- PNG loading: hostile sizes and chunks refused by name without the
// memory they claim, FIFOs refused without blocking, a good image read texel for texel
#include <d3dx9.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/picture.h"

namespace {

uint32_t Crc(const std::string& bytes) {
  uint32_t crc = 0xffffffffu;
  for (unsigned char b : bytes) {
    crc ^= b;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1)));
  }
  return crc ^ 0xffffffffu;
}

std::string Be32(uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}

// A chunk with its length field and CRC; `length` overrides the stated length.
std::string Chunk(const std::string& type, const std::string& data, int64_t length = -1) {
  return Be32(length < 0 ? static_cast<uint32_t>(data.size()) : static_cast<uint32_t>(length)) + type + data +
         Be32(Crc(type + data));
}

std::string Png(uint32_t w, uint32_t h, char bitDepth, char colorType, const std::string& between) {
  std::string ihdr = Be32(w) + Be32(h) + std::string{bitDepth, colorType, 0, 0, 0};
  // One stored deflate block of a single zero byte: a real stream, far too short for the rows.
  std::string idat("\x78\x01\x01\x01\x00\xfe\xff\x00\x00\x01\x00\x01", 12);
  return std::string("\x89PNG\r\n\x1a\n", 8) + Chunk("IHDR", ihdr) + between + Chunk("IDAT", idat) +
         Chunk("IEND", "");
}

class TextureFileTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(testsupport::CreateTestDevice(&dev_, 16, 16)) << dev_.error; }
  testsupport::TestDevice dev_;
};

TEST_F(TextureFileTest, RefusesHostileImagesByNameWithoutTheirMemory) {
  std::string fifo = testing::TempDir() + "qola_fifo.png";
  std::remove(fifo.c_str());
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
  struct Case {
    const char* name;
    std::string bytes;  // empty: the file is made otherwise
    std::string path;
    HRESULT expected;
    const char* message;
  } cases[] = {
      {"81 bytes declaring 16384 x 16384", Png(16384, 16384, 1, 0, ""), "", D3DXERR_INVALIDDATA,
       "cannot hold the pixels of a 16384x16384 image"},
      {"past the largest texture", Png(16385, 1, 8, 6, ""), "", D3DXERR_INVALIDDATA,
       "the image is 16385x1; the device's largest texture is 16384x16384"},
      {"tEXt chunk stating 2^31 - 1 bytes", Png(2, 2, 8, 6, Chunk("tEXt", "k\0v", 0x7fffffff)), "",
       D3DXERR_INVALIDDATA, "corrupt PNG"},
      {"FIFO", "", fifo, D3DXERR_INVALIDDATA, "is not a regular file"},
      {"directory", "", testing::TempDir(), D3DXERR_INVALIDDATA, "is not a regular file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = c.path;
    if (path.empty()) {
      path = testing::TempDir() + "qola_hostile.png";
      FILE* f = std::fopen(path.c_str(), "wb");
      ASSERT_NE(nullptr, f);
      std::fwrite(c.bytes.data(), 1, c.bytes.size(), f);
      std::fclose(f);
    }
    IDirect3DTexture9* tex = reinterpret_cast<IDirect3DTexture9*>(1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(c.expected, D3DXCreateTextureFromFileA(dev_.device, path.c_str(), &tex));
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(nullptr, tex);
    EXPECT_NE(std::string::npos, said.find(path + ": ")) << said;
    EXPECT_NE(std::string::npos, said.find(c.message)) << said;
  }
  std::remove(fifo.c_str());
}

TEST_F(TextureFileTest, GoodImageReadsTexelForTexel) {
  std::string path = testing::TempDir() + "qola_good.png";
  const std::vector<uint8_t> rgba = {255, 0, 0, 255, 0, 255, 0, 128, 0, 0, 255, 255, 10, 20, 30, 0};
  ASSERT_TRUE(testsupport::WritePngRgba(path, 2, 2, rgba));
  IDirect3DTexture9* tex = nullptr;
  ASSERT_EQ(D3D_OK, D3DXCreateTextureFromFileA(dev_.device, path.c_str(), &tex));
  D3DLOCKED_RECT locked;
  ASSERT_EQ(D3D_OK, tex->LockRect(0, &locked, nullptr, D3DLOCK_READONLY));
  for (int y = 0; y < 2; ++y) {
    const auto* row = static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch;
    for (int x = 0; x < 2; ++x) {
      const uint8_t* want = &rgba[(y * 2 + x) * 4];
      const uint8_t* got = row + x * 4;  // B, G, R, A
      EXPECT_EQ(want[2], got[0]);
      EXPECT_EQ(want[1], got[1]);
      EXPECT_EQ(want[0], got[2]);
      EXPECT_EQ(want[3], got[3]);
    }
  }
  tex->UnlockRect(0);
  tex->Release();
  std::remove(path.c_str());
}

}  // namespace
