// resources_test.cpp -- the Device's registry, its factories and the vertex-buffer wrapper
#include <gtest/gtest.h>
#include <windows.h>

#include <d3d9.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/testing/testing.h"
#include "src/device/device.h"
#include "tests/support/picture.h"
#include "src/device/texture.h"
#include "src/device/vertex_buffer.h"

namespace {

std::vector<int> deleted;  // ids of deleted probes, in order

class Probe : public DeviceResource {
 public:
  explicit Probe(int id_) : id(id_) {}
  ~Probe() override { deleted.push_back(id); }
  int id;
};

class ResourcesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform_testing::Reset();
    platform_testing::CaptureMessageBoxes(true);
    deleted.clear();
    device = Device::Instance();
    ASSERT_EQ(device->Create(320, 240, 1, nullptr), 1);
    ShowCursor(FALSE);
  }
  void TearDown() override {
    Device::DeleteInstance();
    platform_testing::Reset();
  }
  Device* device = nullptr;
};

TEST_F(ResourcesTest, NinthRegistrationDoublesTheRegistryInOrder) {
  std::vector<Probe*> probes;
  for (int i = 0; i < 9; ++i) {
    probes.push_back(new Probe(i));
    EXPECT_EQ(device->Register(probes.back()), i);
    EXPECT_EQ(device->resources.capacity, i < 8 ? 8u : 16u) << "after " << i + 1;
  }
  ASSERT_EQ(device->resources.count, 9u);
  for (uint32_t i = 0; i < 9; ++i) EXPECT_EQ(device->resources[i], probes[i]);
}

TEST_F(ResourcesTest, ShutdownDeletesResourcesInCreationOrderBeforeTheDevice) {
  for (int i = 0; i < 20; ++i) device->Register(new Probe(i));
  VertexBuffer* buffer = device->CreateVertexBuffer(20, 96, 0, D3DFVF_XYZ, D3DPOOL_MANAGED);
  ASSERT_NE(buffer, nullptr);
  device->Register(new Probe(20));
  buffer->buffer->AddRef();
  IDirect3DVertexBuffer9* watched = buffer->buffer;
  device->Shutdown();
  std::vector<int> expected;
  for (int i = 0; i <= 20; ++i) expected.push_back(i);
  EXPECT_EQ(deleted, expected);
  EXPECT_EQ(device->resources.count, 0u);
  EXPECT_EQ(watched->Release(), 0u) << "the wrapper released its buffer";
}

TEST_F(ResourcesTest, FillCopiesExactlyTheBytesGiven) {
  VertexBuffer* buffer = device->CreateVertexBuffer(20, 96, D3DUSAGE_WRITEONLY, D3DFVF_XYZ | D3DFVF_TEX1,
                                                    D3DPOOL_MANAGED);
  ASSERT_NE(buffer, nullptr);
  EXPECT_EQ(buffer->stride, 20);
  EXPECT_EQ(buffer->fvf, static_cast<DWORD>(D3DFVF_XYZ | D3DFVF_TEX1));
  EXPECT_EQ(device->resources.count, 1u);
  D3DVERTEXBUFFER_DESC desc;
  ASSERT_EQ(buffer->buffer->GetDesc(&desc), D3D_OK);
  EXPECT_EQ(desc.Size, 1920u);

  unsigned char bytes[1920];
  for (int i = 0; i < 1920; ++i) bytes[i] = static_cast<unsigned char>(i * 7 + 3);
  EXPECT_EQ(buffer->Fill(bytes, sizeof(bytes), 0), 0);
  void* data = nullptr;
  ASSERT_EQ(buffer->buffer->Lock(0, 0, &data, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(std::memcmp(data, bytes, sizeof(bytes)), 0);
  buffer->buffer->Unlock();

  EXPECT_EQ(buffer->Fill(bytes, 1921, 0), D3DERR_INVALIDCALL) << "one byte past the end";
  EXPECT_EQ(buffer->Fill(nullptr, 20, 0), D3DERR_INVALIDCALL);
  platform_testing::FailCall("IDirect3DVertexBuffer9::Lock");
  EXPECT_LT(buffer->Fill(bytes, 20, 0), 0) << "the lock's failure comes back";
  platform_testing::ClearFailures();
  buffer->Bind(0, 0);
  DWORD fvf = 0;
  ASSERT_EQ(device->device->GetFVF(&fvf), D3D_OK);
  EXPECT_EQ(fvf, static_cast<DWORD>(D3DFVF_XYZ | D3DFVF_TEX1));
}

TEST_F(ResourcesTest, RefusedResourcesAreNotRegistered) {
  struct Case {
    int stride, count;
  } cases[] = {{0, 96}, {20, 0}, {-20, 96}, {20, -1}, {1 << 20, 1 << 13}};
  for (const Case& c : cases) {
    EXPECT_EQ(device->CreateVertexBuffer(c.stride, c.count, 0, D3DFVF_XYZ, D3DPOOL_MANAGED), nullptr)
        << c.stride << " x " << c.count;
  }
  EXPECT_EQ(device->LoadTexture("media/no-such-image.png"), nullptr);
  EXPECT_EQ(device->LoadTexture(nullptr), nullptr);
  EXPECT_EQ(device->resources.count, 0u);
  EXPECT_TRUE(platform_testing::MessageBoxes().empty()) << "buffers and textures fail silently";
}

TEST_F(ResourcesTest, SameFileTwiceMakesTwoTextures) {
  const std::string file = "resources_test_checker.png";  // in the build directory
  std::vector<uint8_t> rgba(4 * 4 * 4, 0xFF);
  ASSERT_TRUE(testsupport::WritePngRgba(file, 4, 4, rgba));
  Texture* first = device->LoadTexture(file.c_str());
  Texture* second = device->LoadTexture(file.c_str());
  std::remove(file.c_str());
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(first->device, device->device);
  EXPECT_NE(first, second);
  EXPECT_NE(first->texture, second->texture);
  EXPECT_EQ(device->resources.count, 2u);
}

}  // namespace
