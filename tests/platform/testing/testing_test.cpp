// testing_test.cpp -- the test harness reaches the platform through its hooks: failures, boxes, presents
#include <gtest/gtest.h>
#include <windows.h>

#include <d3d9.h>
#include <mmsystem.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "platform/services/hooks.h"
#include "platform/services/unattended.h"
#include "platform/services/virtual_clock.h"
#include "platform/testing/testing.h"

namespace {

std::atomic<uint64_t> allocations{0};

}  // namespace

// Counts every allocation of the process, so that a question asked every frame can be shown to
// allocate nothing.
void* operator new(size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }

namespace {

class TestingTest : public ::testing::Test {
 protected:
  void SetUp() override { platform_testing::Reset(); }
  void TearDown() override { platform_testing::Reset(); }
};

TEST_F(TestingTest, NamedFailuresFailEveryCallOrAfterSomeSuccesses) {
  platform_testing::FailCall("IDirect3D9::CreateDevice");
  platform_testing::FailCallAfter("IDirect3DVertexBuffer9::Lock", 2);
  struct Ask {
    const char* name;
    bool fails;
  } asks[] = {
      {"IDirect3D9::CreateDevice", true},       {"IDirect3D9::CreateDevice", true},
      {"IDirect3D9::CreateDevice:hardware", false},  // a variant is a name of its own
      {"IDirect3DVertexBuffer9::Lock", false},  {"IDirect3DVertexBuffer9::Lock", false},
      {"IDirect3DVertexBuffer9::Lock", true},   {"IDirect3DVertexBuffer9::Lock", true},
      {"FSOUND_Init", false},                   {"", false},
      {nullptr, false},
  };
  for (const Ask& a : asks) EXPECT_EQ(a.fails, platform_hooks::ShouldFail(a.name)) << (a.name ? a.name : "null");
  platform_testing::ClearFailures();
  EXPECT_FALSE(platform_hooks::ShouldFail("IDirect3D9::CreateDevice"));
}

TEST_F(TestingTest, APlatformCallFailsByItsName) {
  platform_testing::FailCall("Direct3DCreate9");
  EXPECT_EQ(nullptr, Direct3DCreate9(D3D_SDK_VERSION));
  platform_testing::Reset();
  EXPECT_FALSE(platform_hooks::ShouldFail("Direct3DCreate9")) << "Reset forgets the failures";
}

TEST_F(TestingTest, AskingEveryFrameAllocatesNothing) {
  uint64_t start = allocations.load();
  for (int i = 0; i < 100; ++i) platform_hooks::ShouldFail("IDirect3DDevice9::Present");
  EXPECT_EQ(start, allocations.load()) << "with no failure set";
  platform_testing::FailCall("IDirect3DDevice9::CreateTexture");
  uint64_t set = allocations.load();
  for (int i = 0; i < 100; ++i) platform_hooks::ShouldFail("IDirect3DDevice9::Present");
  for (int i = 0; i < 100; ++i) platform_hooks::CountPresent();
  EXPECT_EQ(set, allocations.load()) << "with another call's failure set";
  EXPECT_EQ(100u, platform_testing::Presents());
  platform_testing::Reset();
  EXPECT_EQ(0u, platform_testing::Presents());
}

TEST_F(TestingTest, CapturedBoxesAreRecordedAndShowNoDialog) {
  platform_unattended::Set(false);  // only the capture stands between the call and a dialog
  platform_testing::CaptureMessageBoxes(true);
  EXPECT_EQ(IDYES, MessageBoxA(nullptr, "media/x.png: not found", "Eek!", MB_YESNO));
  EXPECT_EQ(IDOK, MessageBoxA(nullptr, nullptr, nullptr, MB_OK | MB_ICONERROR));
  EXPECT_TRUE(MessageBeep(MB_ICONERROR));
  const auto& boxes = platform_testing::MessageBoxes();
  ASSERT_EQ(2u, boxes.size());
  EXPECT_EQ("Eek!", boxes[0].caption);
  EXPECT_EQ("media/x.png: not found", boxes[0].text);
  EXPECT_EQ(static_cast<unsigned>(MB_YESNO), boxes[0].type);
  EXPECT_FALSE(boxes[0].captionIsNull);
  EXPECT_TRUE(boxes[1].captionIsNull);
  EXPECT_EQ("", boxes[1].text);
  EXPECT_EQ(1, platform_testing::MessageBeeps());

  // Capture off: a box goes by the unattended switch and is not recorded.
  platform_testing::CaptureMessageBoxes(false);
  platform_unattended::Set(true);
  EXPECT_EQ(IDOK, MessageBoxA(nullptr, "unrecorded", "Eek!", MB_OKCANCEL));
  EXPECT_EQ(2u, platform_testing::MessageBoxes().size());
  platform_testing::ClearMessageBoxes();
  EXPECT_TRUE(platform_testing::MessageBoxes().empty());
  EXPECT_EQ(0, platform_testing::MessageBeeps());
}

TEST_F(TestingTest, ResetTurnsTheClockOverrideOff) {
  platform_clock::UseVirtualClock(7);
  EXPECT_EQ(7u, timeGetTime());
  platform_testing::Reset();
  EXPECT_FALSE(platform_clock::VirtualClockActive());
}

}  // namespace
