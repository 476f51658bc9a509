// win32_message_test.cpp -- SDL events as messages, dispatch, the queue, keys, message boxes
#include <SDL.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "platform/testing/testing.h"
#include "platform/win32/win32_sdl.h"

namespace {

struct Seen {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};
std::vector<Seen> seen;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  seen.push_back({window, message, wParam, lParam});
  return DefWindowProcA(window, message, wParam, lParam);
}

void PumpAll() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

class Win32MessageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform_testing::Reset();
    ASSERT_TRUE(win32::EnsureVideo()) << "needs a display (run under xvfb-run)";
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = RecordingProc;
    wc.lpszClassName = "MessageTestClass";
    ASSERT_NE(RegisterClassExA(&wc), 0);
    window = CreateWindowExA(0, "MessageTestClass", "messages", WS_CAPTION | WS_VISIBLE, 0, 0,
                             160, 120, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    PumpAll();  // the window system's own greeting messages
    seen.clear();
    GetAsyncKeyState(VK_ESCAPE);  // forget earlier presses
  }
  void TearDown() override {
    if (IsWindow(window)) DestroyWindow(window);
    UnregisterClassA("MessageTestClass", nullptr);
    platform_testing::Reset();
  }

  void PushKey(Uint32 type, SDL_Scancode scancode, Uint16 mod = KMOD_NONE) {
    SDL_Event e = {};
    e.type = type;
    e.key.windowID = SDL_GetWindowID(win32::SdlWindow(window));
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.scancode = scancode;
    e.key.keysym.sym = SDL_GetKeyFromScancode(scancode);
    e.key.keysym.mod = mod;
    ASSERT_EQ(SDL_PushEvent(&e), 1);
  }

  std::vector<UINT> SeenMessages(UINT first, UINT last) const {
    std::vector<UINT> out;
    for (const Seen& s : seen) {
      if (s.message >= first && s.message <= last) out.push_back(s.message);
    }
    return out;
  }

  HWND window = nullptr;
};

TEST_F(Win32MessageTest, KeyEventsReachTheWindowProcedureWithTheirCharacter) {
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_A);
  PushKey(SDL_KEYUP, SDL_SCANCODE_A);
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_ESCAPE);
  PumpAll();
  PushKey(SDL_KEYUP, SDL_SCANCODE_ESCAPE);
  std::vector<UINT> expected = {WM_KEYDOWN, WM_CHAR, WM_KEYUP, WM_KEYDOWN, WM_CHAR};
  ASSERT_EQ(SeenMessages(WM_KEYDOWN, WM_CHAR), expected);
  std::vector<Seen> keys;
  for (const Seen& s : seen) {
    if (s.message >= WM_KEYDOWN && s.message <= WM_CHAR) keys.push_back(s);
  }
  EXPECT_EQ(keys[0].window, window);
  EXPECT_EQ(keys[0].wParam, static_cast<WPARAM>('A'));
  EXPECT_EQ(keys[0].lParam & 0xFFFF, 1) << "repeat count";
  EXPECT_EQ(keys[1].wParam, static_cast<WPARAM>('a'));
  EXPECT_NE(keys[2].lParam & (LPARAM(1) << 31), 0) << "transition bit of a key-up";
  EXPECT_EQ(keys[3].wParam, static_cast<WPARAM>(VK_ESCAPE));
  EXPECT_EQ(keys[4].wParam, static_cast<WPARAM>(0x1B));
}

TEST_F(Win32MessageTest, GetAsyncKeyStateHasBit15WhileDownAndBit0OncePerPress) {
  EXPECT_EQ(GetAsyncKeyState(VK_ESCAPE), 0);
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_ESCAPE);
  EXPECT_EQ(static_cast<unsigned short>(GetAsyncKeyState(VK_ESCAPE)), 0x8001u);
  EXPECT_EQ(static_cast<unsigned short>(GetAsyncKeyState(VK_ESCAPE)), 0x8000u) << "bit 0 once";
  PushKey(SDL_KEYUP, SDL_SCANCODE_ESCAPE);
  EXPECT_EQ(GetAsyncKeyState(VK_ESCAPE), 0);

  // A press and release between two polls is still seen, without the down bit.
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_ESCAPE);
  PushKey(SDL_KEYUP, SDL_SCANCODE_ESCAPE);
  EXPECT_EQ(GetAsyncKeyState(VK_ESCAPE), 1);
  EXPECT_EQ(GetAsyncKeyState(VK_ESCAPE), 0);

  // The shared Shift code follows either side; other keys are unaffected.
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_RSHIFT);
  EXPECT_NE(GetAsyncKeyState(VK_SHIFT) & 0x8000, 0);
  EXPECT_NE(GetAsyncKeyState(VK_RSHIFT) & 0x8000, 0);
  EXPECT_EQ(GetAsyncKeyState(VK_LSHIFT), 0);
  EXPECT_EQ(GetAsyncKeyState(VK_ESCAPE), 0);
  PushKey(SDL_KEYUP, SDL_SCANCODE_RSHIFT);
  EXPECT_EQ(GetAsyncKeyState(VK_SHIFT) & 0x8000, 0);

  for (int outside : {-1, 0, 256, 100000}) EXPECT_EQ(GetAsyncKeyState(outside), 0) << outside;
  PumpAll();
}

TEST_F(Win32MessageTest, PostedMessagesComeBackInOrderAndByFilter) {
  ASSERT_TRUE(PostMessageA(window, WM_USER + 1, 11, 0));
  ASSERT_TRUE(PostMessageA(nullptr, WM_USER + 2, 22, 0));
  ASSERT_TRUE(PostMessageA(window, WM_USER + 3, 33, 0));
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, window, WM_USER + 3, WM_USER + 3, PM_NOREMOVE));
  EXPECT_EQ(msg.wParam, 33u);
  ASSERT_TRUE(PeekMessageA(&msg, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 2)) << "thread messages only";
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER, WM_USER + 10, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 11u);
  EXPECT_EQ(DispatchMessageA(&msg), 0);
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER, WM_USER + 10, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 33u);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_USER, WM_USER + 10, PM_REMOVE));
  EXPECT_FALSE(PeekMessageA(nullptr, nullptr, 0, 0, PM_REMOVE));
  EXPECT_FALSE(PostMessageA(reinterpret_cast<HWND>(&msg), WM_USER, 0, 0)) << "foreign handle";
}

TEST_F(Win32MessageTest, QuitComesAfterEveryOtherMessageAndOnce) {
  PostQuitMessage(7);
  ASSERT_TRUE(PostMessageA(window, WM_USER, 0, 0));
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER));
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) && msg.message != WM_QUIT) {
  }
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 7u);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(Win32MessageTest, QueueRefusesPostsBeyondItsLimitAndKeepsWorking) {
  int posted = 0;
  while (PostMessageA(nullptr, WM_USER, 0, 0)) ++posted;
  EXPECT_EQ(posted, 4096);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_QUOTA));
  PumpAll();
  EXPECT_TRUE(PostMessageA(nullptr, WM_USER, 0, 0));
  PumpAll();
}

TEST_F(Win32MessageTest, ClosingTheWindowDestroysItThroughDefWindowProc) {
  SDL_Event e = {};
  e.type = SDL_WINDOWEVENT;
  e.window.event = SDL_WINDOWEVENT_CLOSE;
  e.window.windowID = SDL_GetWindowID(win32::SdlWindow(window));
  ASSERT_EQ(SDL_PushEvent(&e), 1);
  ASSERT_TRUE(PostMessageA(window, WM_USER, 0, 0));
  PumpAll();
  // Focus and activation come from the X server whenever it grants them; they are not part of
  // the close sequence.
  std::vector<UINT> messages;
  for (const Seen& s : seen) {
    if (s.message != WM_ACTIVATE && s.message != WM_SETFOCUS && s.message != WM_KILLFOCUS)
      messages.push_back(s.message);
  }
  std::vector<UINT> expected = {WM_USER, WM_CLOSE, WM_DESTROY, WM_NCDESTROY};
  EXPECT_EQ(messages, expected);
  EXPECT_FALSE(IsWindow(window));
}

TEST_F(Win32MessageTest, SendMessageCallsTheProcedureAtOnce) {
  EXPECT_EQ(SendMessageA(window, WM_ERASEBKGND, 0, 0), 1);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].message, static_cast<UINT>(WM_ERASEBKGND));
  EXPECT_EQ(SendMessageA(nullptr, WM_ERASEBKGND, 0, 0), 0);
}

TEST_F(Win32MessageTest, MessageBoxIsCapturedAndWrittenToStandardError) {
  platform_testing::CaptureMessageBoxes(true);
  testing::internal::CaptureStderr();
  EXPECT_EQ(MessageBoxA(nullptr, "Failed to find desired adapter.", "Eek!", MB_OK), IDOK);
  EXPECT_EQ(MessageBoxA(nullptr, nullptr, nullptr, MB_YESNO), IDYES);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("Eek!: Failed to find desired adapter.\n"), std::string::npos) << err;
  EXPECT_NE(err.find("Error: \n"), std::string::npos) << "null caption and text: " << err;
  const auto& boxes = platform_testing::MessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].caption, "Eek!");
  EXPECT_EQ(boxes[0].text, "Failed to find desired adapter.");
  EXPECT_EQ(boxes[0].type, static_cast<unsigned>(MB_OK));
  EXPECT_TRUE(boxes[1].captionIsNull);
  EXPECT_TRUE(MessageBeep(0xFFFFFFFF));
  EXPECT_EQ(platform_testing::MessageBeeps(), 1);
}

}  // namespace
