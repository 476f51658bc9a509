// texture_file_test.cpp -- PNG loading: hostile sizes and chunks refused by name without the
// memory they claim, FIFOs refused without blocking, a good image read texel for texel
#include <d3dx9.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
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

// Each mip level is the rounded mean of the 2 x 2 texels above it (clamped at an odd edge),
// computed here the plain way over whole levels. The image is tall enough that the loader's
// rows reach the texture in several strips per level, and odd on both sides.
std::vector<uint8_t> HalfLevel(const std::vector<uint8_t>& src, unsigned w, unsigned h, unsigned* nw, unsigned* nh) {
  *nw = w > 1 ? w / 2 : 1;
  *nh = h > 1 ? h / 2 : 1;
  std::vector<uint8_t> out(static_cast<size_t>(*nw) * *nh * 4);
  for (unsigned y = 0; y < *nh; ++y)
    for (unsigned x = 0; x < *nw; ++x)
      for (unsigned c = 0; c < 4; ++c) {
        unsigned x0 = std::min(2 * x, w - 1), x1 = std::min(x0 + 1, w - 1);
        unsigned y0 = std::min(2 * y, h - 1), y1 = std::min(y0 + 1, h - 1);
        unsigned sum = src[(y0 * w + x0) * 4 + c] + src[(y0 * w + x1) * 4 + c] + src[(y1 * w + x0) * 4 + c] +
                       src[(y1 * w + x1) * 4 + c];
        out[(y * *nw + x) * 4 + c] = static_cast<uint8_t>((sum + 2) / 4);
      }
  return out;
}

TEST_F(TextureFileTest, EveryMipLevelIsTheMeanOfTheLevelAbove) {
  const unsigned kWidth = 3, kHeight = 259;
  std::vector<uint8_t> rgba(kWidth * kHeight * 4);
  uint32_t seed = 12345;
  for (uint8_t& v : rgba) v = static_cast<uint8_t>((seed = seed * 1664525u + 1013904223u) >> 24);
  std::string path = testing::TempDir() + "qola_levels.png";
  ASSERT_TRUE(testsupport::WritePngRgba(path, kWidth, kHeight, rgba));
  IDirect3DTexture9* tex = nullptr;
  ASSERT_EQ(D3D_OK, D3DXCreateTextureFromFileA(dev_.device, path.c_str(), &tex));
  ASSERT_EQ(9u, tex->GetLevelCount());  // 259 rows: 129, 64, 32, 16, 8, 4, 2, 1
  std::vector<uint8_t> want = rgba;
  unsigned w = kWidth, h = kHeight;
  for (UINT level = 0; level < tex->GetLevelCount(); ++level) {
    SCOPED_TRACE("level " + std::to_string(level));
    D3DLOCKED_RECT locked;
    ASSERT_EQ(D3D_OK, tex->LockRect(level, &locked, nullptr, D3DLOCK_READONLY));
    int wrong = 0;
    for (unsigned y = 0; y < h; ++y)
      for (unsigned x = 0; x < w; ++x) {
        const uint8_t* got = static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch + x * 4;  // B, G, R, A
        const uint8_t* px = &want[(y * w + x) * 4];
        wrong += got[0] != px[2] || got[1] != px[1] || got[2] != px[0] || got[3] != px[3];
      }
    tex->UnlockRect(level);
    EXPECT_EQ(0, wrong) << "texels differ in a " << w << "x" << h << " level";
    unsigned nw, nh;
    want = HalfLevel(want, w, h, &nw, &nh);
    w = nw;
    h = nh;
  }
  tex->Release();
  std::remove(path.c_str());
}

}  // namespace
