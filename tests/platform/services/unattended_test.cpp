// unattended_test.cpp -- the unattended switch and the hooks, in a program without the test harness
#include <gtest/gtest.h>
#include <windows.h>

#include <d3d9.h>

#include <cstdlib>
#include <string>

#include "platform/services/hooks.h"
#include "platform/services/unattended.h"

namespace {

// The first button of each box type, as if it had been pressed.
TEST(Unattended, EveryBoxReturnsItsFirstButtonAndStillWritesItsLine) {
  platform_unattended::Set(true);
  struct Case {
    UINT type;
    int button;
  } cases[] = {
      {MB_OK, IDOK},           {MB_OKCANCEL | MB_ICONERROR, IDOK}, {MB_ABORTRETRYIGNORE, IDABORT},
      {MB_YESNOCANCEL, IDYES}, {MB_YESNO, IDYES},                  {MB_RETRYCANCEL, IDRETRY},
  };
  for (const Case& c : cases) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(c.button, MessageBoxA(nullptr, "media/x.png: not found", "Eek!", c.type)) << c.type;
    EXPECT_EQ("Eek!: media/x.png: not found\n", ::testing::internal::GetCapturedStderr());
  }
  platform_unattended::Set(false);
  EXPECT_FALSE(platform_unattended::On());
}

// The environment gives the switch its first value; a Set afterwards still decides. Each case
// runs in a fresh copy of this program, whose switch has not been asked yet.
TEST(Unattended, TheEnvironmentGivesTheFirstValue) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  struct Case {
    const char* value;  // null: unset
    bool on;
  } cases[] = {{"1", true}, {"yes", true}, {"0", false}, {"", false}, {nullptr, false}};
  for (const Case& c : cases) {
    EXPECT_EXIT(
        {
          if (c.value) {
            setenv("QOLA_NO_MESSAGE_BOX", c.value, 1);
          } else {
            unsetenv("QOLA_NO_MESSAGE_BOX");
          }
          bool first = platform_unattended::On();
          platform_unattended::Set(!first);
          std::exit(first == c.on && platform_unattended::On() == !c.on ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "")
        << (c.value ? c.value : "(unset)");
  }
}

// A shipped program installs no hooks: nothing fails, nothing is taken.
TEST(Hooks, WithoutAHarnessEveryQuestionIsAnsweredNo) {
  EXPECT_FALSE(platform_hooks::ShouldFail("IDirect3D9::CreateDevice"));
  EXPECT_FALSE(platform_hooks::TakeMessageBox("t", "c", MB_OK));
  EXPECT_FALSE(platform_hooks::TakeMessageBeep(MB_OK));
  platform_hooks::CountPresent();  // harmless
}

struct Seen {
  std::string failName, boxText;
  int presents = 0;
};
Seen seen;

TEST(Hooks, InstalledHooksAreAskedUntilRemoved) {
  platform_hooks::Hooks hooks;
  hooks.shouldFail = [](const char* name) {
    seen.failName = name;
    return std::string(name) == "Direct3DCreate9";
  };
  hooks.messageBox = [](const char* text, const char*, unsigned) {
    seen.boxText = text;
    return true;
  };
  hooks.present = [] { ++seen.presents; };
  platform_hooks::Install(&hooks);
  EXPECT_TRUE(platform_hooks::ShouldFail("Direct3DCreate9"));
  EXPECT_EQ(nullptr, Direct3DCreate9(D3D_SDK_VERSION)) << "the platform call asks the hook";
  EXPECT_FALSE(platform_hooks::ShouldFail("FSOUND_Init"));
  EXPECT_EQ("FSOUND_Init", seen.failName);
  platform_unattended::Set(false);
  EXPECT_EQ(IDYES, MessageBoxA(nullptr, "taken", "Eek!", MB_YESNO)) << "a taken box shows no dialog";
  EXPECT_EQ("taken", seen.boxText);
  EXPECT_FALSE(platform_hooks::TakeMessageBeep(MB_OK)) << "a hook left null answers no";
  platform_hooks::CountPresent();
  EXPECT_EQ(1, seen.presents);

  platform_hooks::Install(nullptr);
  EXPECT_FALSE(platform_hooks::ShouldFail("Direct3DCreate9"));
  platform_hooks::CountPresent();
  EXPECT_EQ(1, seen.presents);
}

}  // namespace
