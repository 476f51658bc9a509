// entry_main.cpp -- the process entry: main hands over to the program's WinMain
//
// The command line is rebuilt as Windows passes it, without the program name. After WinMain
// every SDL window left is closed, which also gives a full-screen display its mode back.
#include <windows.h>

#include <string>

#include "platform/win32/win32_sdl.h"

int main(int argc, char** argv) {
  std::string commandLine;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) commandLine += ' ';
    commandLine += argv[i];
  }
  int result = WinMain(GetModuleHandleA(nullptr), nullptr, &commandLine[0], SW_SHOWDEFAULT);
  win32::CloseWaitingWindows();
  return result;
}
