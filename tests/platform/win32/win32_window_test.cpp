// win32_window_test.cpp -- window classes, windows, sizes, the cursor count, stock objects
#include <SDL.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <mmsystem.h>

#include <string>
#include <vector>

#include "platform/testing/testing.h"
#include "platform/win32/win32_sdl.h"

namespace {

std::vector<UINT> seen;  // messages the test window procedure received, in order

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  seen.push_back(message);
  return DefWindowProcA(window, message, wParam, lParam);
}

WNDCLASSEXA ClassNamed(const char* name, WNDPROC proc = RecordingProc) {
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof(wc);
  wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = name;
  return wc;
}

class Win32WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform_testing::Reset();
    seen.clear();
    ASSERT_TRUE(win32::EnsureVideo()) << "needs a display (run under xvfb-run)";
  }
  void TearDown() override { platform_testing::Reset(); }
};

TEST_F(Win32WindowTest, ClassRegistersOnceAndUnregistersWhenItHasNoWindows) {
  WNDCLASSEXA wc = ClassNamed("TwiceClass");
  ATOM atom = RegisterClassExA(&wc);
  EXPECT_NE(atom, 0);
  EXPECT_EQ(RegisterClassExA(&wc), 0) << "the same name twice";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));
  WNDCLASSEXA otherCase = ClassNamed("TWICECLASS");
  EXPECT_EQ(RegisterClassExA(&otherCase), 0) << "class names ignore case";

  HWND window = CreateWindowExA(0, "TwiceClass", "t", WS_CAPTION, 0, 0, 100, 100, nullptr,
                                nullptr, wc.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(UnregisterClassA("TwiceClass", wc.hInstance)) << "a window of the class is live";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_HAS_WINDOWS));
  EXPECT_TRUE(DestroyWindow(window));
  EXPECT_TRUE(UnregisterClassA("TwiceClass", wc.hInstance));
  EXPECT_FALSE(UnregisterClassA("TwiceClass", wc.hInstance));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_DOES_NOT_EXIST));
  EXPECT_NE(RegisterClassExA(&wc), 0) << "the name is free again";
  EXPECT_TRUE(UnregisterClassA("TwiceClass", wc.hInstance));
}

TEST_F(Win32WindowTest, BadClassDescriptionsAreRefused) {
  struct Case {
    const char* what;
    void (*spoil)(WNDCLASSEXA&);
  } cases[] = {
      {"wrong cbSize", [](WNDCLASSEXA& wc) { wc.cbSize = 48 + 1; }},
      {"no window procedure", [](WNDCLASSEXA& wc) { wc.lpfnWndProc = nullptr; }},
      {"no name", [](WNDCLASSEXA& wc) { wc.lpszClassName = nullptr; }},
      {"empty name", [](WNDCLASSEXA& wc) { wc.lpszClassName = ""; }},
  };
  for (const Case& c : cases) {
    WNDCLASSEXA wc = ClassNamed("Spoiled");
    c.spoil(wc);
    EXPECT_EQ(RegisterClassExA(&wc), 0) << c.what;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << c.what;
  }
  EXPECT_EQ(RegisterClassExA(nullptr), 0);
  EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
            nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
}

TEST_F(Win32WindowTest, CreateAndDestroySendTheirMessagesInOrder) {
  WNDCLASSEXA wc = ClassNamed("OrderClass");
  ASSERT_NE(RegisterClassExA(&wc), 0);
  HWND window = CreateWindowExA(0, "OrderClass", "t", WS_CAPTION, 0, 0, 64, 64, nullptr, nullptr,
                                wc.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(IsWindow(window));
  EXPECT_NE(win32::SdlWindow(window), nullptr);
  EXPECT_TRUE(DestroyWindow(window));
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(win32::SdlWindow(window), nullptr);
  EXPECT_FALSE(DestroyWindow(window)) << "a dead handle is refused, not followed";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  std::vector<UINT> expected = {WM_NCCREATE, WM_CREATE, WM_DESTROY, WM_NCDESTROY};
  EXPECT_EQ(seen, expected);
  EXPECT_TRUE(UnregisterClassA("OrderClass", wc.hInstance));
}

LRESULT CALLBACK RefusingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) return -1;
  return DefWindowProcA(window, message, wParam, lParam);
}

TEST_F(Win32WindowTest, WindowProcedureRefusingWmCreateFailsTheCreation) {
  WNDCLASSEXA wc = ClassNamed("RefuseClass", RefusingProc);
  ASSERT_NE(RegisterClassExA(&wc), 0);
  EXPECT_EQ(CreateWindowExA(0, "RefuseClass", "", WS_CAPTION, 0, 0, 64, 64, nullptr, nullptr,
                            nullptr, nullptr),
            nullptr);
  EXPECT_TRUE(UnregisterClassA("RefuseClass", wc.hInstance)) << "no window was left behind";
}

TEST_F(Win32WindowTest, ClientAreaOfACaptionWindowIsTheAdjustedSizeMinusItsFrame) {
  WNDCLASSEXA wc = ClassNamed("SizeClass");
  ASSERT_NE(RegisterClassExA(&wc), 0);
  struct Case {
    DWORD style;
    int width, height;
  } cases[] = {
      {WS_VISIBLE | WS_CAPTION, 320, 240},
      {WS_OVERLAPPEDWINDOW, 200, 150},
      {WS_CAPTION, 1, 1},
  };
  for (const Case& c : cases) {
    RECT rect = {0, 0, c.width, c.height};
    ASSERT_TRUE(AdjustWindowRect(&rect, c.style, FALSE));
    EXPECT_LT(rect.left, 0);
    EXPECT_LT(rect.top, rect.left) << "the caption is above the frame";
    HWND window = CreateWindowExA(0, "SizeClass", "size", c.style, 0, 0, rect.right - rect.left,
                                  rect.bottom - rect.top, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    RECT client = {};
    ASSERT_TRUE(GetClientRect(window, &client));
    EXPECT_EQ(client.right, c.width) << std::hex << c.style;
    EXPECT_EQ(client.bottom, c.height) << std::hex << c.style;
    RECT outer = {};
    ASSERT_TRUE(GetWindowRect(window, &outer));
    EXPECT_EQ(outer.right - outer.left, rect.right - rect.left);
    EXPECT_EQ(outer.bottom - outer.top, rect.bottom - rect.top);
    DestroyWindow(window);
  }
  EXPECT_FALSE(AdjustWindowRect(nullptr, WS_CAPTION, FALSE));
  RECT popup = {0, 0, 1024, 768};
  AdjustWindowRect(&popup, WS_POPUP, FALSE);
  EXPECT_EQ(popup.left, 0);
  EXPECT_EQ(popup.top, 0);
  EXPECT_EQ(popup.right, 1024) << "a popup without border has no frame";
  EXPECT_TRUE(UnregisterClassA("SizeClass", wc.hInstance));
}

TEST_F(Win32WindowTest, ShowWindowReportsTheEarlierVisibility) {
  WNDCLASSEXA wc = ClassNamed("ShowClass");
  ASSERT_NE(RegisterClassExA(&wc), 0);
  HWND window = CreateWindowExA(0, "ShowClass", "", WS_CAPTION, 0, 0, 64, 64, nullptr, nullptr,
                                nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(ShowWindow(window, SW_SHOWDEFAULT)) << "made without WS_VISIBLE";
  EXPECT_TRUE(ShowWindow(window, SW_HIDE));
  EXPECT_FALSE(ShowWindow(window, SW_SHOW));
  EXPECT_TRUE(UpdateWindow(window));
  DestroyWindow(window);
  EXPECT_FALSE(ShowWindow(window, SW_SHOW));
  EXPECT_FALSE(UpdateWindow(window));
  EXPECT_TRUE(UnregisterClassA("ShowClass", wc.hInstance));
}

// The Direct3D device presents to the SDL window it was made on: while its OpenGL context is
// current there, a destroyed window's SDL window must stay valid (hidden) until the context lets go.
TEST_F(Win32WindowTest, DestroyedWindowWaitsForTheContextCurrentOnIt) {
  WNDCLASSEXA wc = ClassNamed("ContextClass");
  ASSERT_NE(RegisterClassExA(&wc), 0);
  HWND window = CreateWindowExA(0, "ContextClass", "", WS_CAPTION | WS_VISIBLE, 0, 0, 64, 64,
                                nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  SDL_Window* sdl = win32::SdlWindow(window);
  Uint32 id = SDL_GetWindowID(sdl);
  SDL_GLContext context = SDL_GL_CreateContext(sdl);
  ASSERT_NE(context, nullptr) << SDL_GetError();
  ASSERT_EQ(SDL_GL_GetCurrentWindow(), sdl);

  EXPECT_TRUE(DestroyWindow(window));
  EXPECT_FALSE(IsWindow(window));
  ASSERT_EQ(SDL_GetWindowFromID(id), sdl) << "closed under a current context";
  EXPECT_EQ(SDL_GetWindowFlags(sdl) & SDL_WINDOW_SHOWN, 0u) << "but hidden";
  SDL_GL_SwapWindow(sdl);  // what a device's Present does: still valid
  EXPECT_TRUE(UnregisterClassA("ContextClass", wc.hInstance)) << "a closed window is no window";

  SDL_GL_MakeCurrent(sdl, nullptr);
  SDL_GL_DeleteContext(context);
  MSG msg;
  PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);  // the pump closes what waited
  EXPECT_EQ(SDL_GetWindowFromID(id), nullptr);
}

TEST_F(Win32WindowTest, ShowCursorKeepsTheDisplayCount) {
  int start = ShowCursor(TRUE) - 1;
  EXPECT_EQ(ShowCursor(FALSE), start);
  EXPECT_EQ(ShowCursor(FALSE), start - 1);
  EXPECT_EQ(ShowCursor(FALSE), start - 2);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), start - 2 >= 0 ? SDL_ENABLE : SDL_DISABLE);
  EXPECT_EQ(ShowCursor(TRUE), start - 1);
  EXPECT_EQ(ShowCursor(TRUE), start);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), start >= 0 ? SDL_ENABLE : SDL_DISABLE);
}

TEST_F(Win32WindowTest, StockObjectsAndModuleHandle) {
  EXPECT_NE(GetStockObject(BLACK_BRUSH), nullptr);
  EXPECT_NE(GetStockObject(BLACK_BRUSH), GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(GetStockObject(BLACK_BRUSH), GetStockObject(BLACK_BRUSH));
  EXPECT_EQ(GetStockObject(9), nullptr);
  EXPECT_EQ(GetStockObject(-1), nullptr);
  EXPECT_EQ(GetStockObject(DC_PEN + 1), nullptr);
  EXPECT_NE(GetModuleHandleA(nullptr), nullptr);
  EXPECT_EQ(GetModuleHandleA(nullptr), GetModuleHandleA(nullptr));
  EXPECT_EQ(GetModuleHandleA("user32.dll"), nullptr);
}

TEST_F(Win32WindowTest, TimeGetTimeFollowsTheClock) {
  DWORD before = timeGetTime();
  SDL_Delay(30);
  DWORD elapsed = timeGetTime() - before;  // unsigned: right across a wrap too
  EXPECT_GE(elapsed, 29u);
  EXPECT_LT(elapsed, 1000u);
}

}  // namespace
