// win32_system.cpp -- module handle, stock objects, the last-error code and the winmm clock
#include <time.h>

#include <mmsystem.h>

#include "platform/services/virtual_clock.h"
#include "platform/win32/win32_internal.h"

namespace {

char programModule;          // its address is the program's instance handle
char stockObjects[DC_PEN + 1];  // one distinct address per stock object
thread_local DWORD lastError = ERROR_SUCCESS;

}  // namespace

namespace win32 {

HINSTANCE ProgramInstance() { return reinterpret_cast<HINSTANCE>(&programModule); }

}  // namespace win32

HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName) {
  if (moduleName) {  // only the program itself is a module here
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  return win32::ProgramInstance();
}

HGDIOBJ WINAPI GetStockObject(int i) {
  if (i < WHITE_BRUSH || i > DC_PEN || i == 9) return nullptr;  // 9 is no stock object
  return &stockObjects[i];
}

DWORD WINAPI GetLastError(void) { return lastError; }
VOID WINAPI SetLastError(DWORD code) { lastError = code; }

DWORD WINAPI timeGetTime(void) {
  uint32_t virtualMs;
  if (platform_clock::VirtualClockNow(&virtualMs)) return virtualMs;  // capture's or a test's
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<DWORD>(ms);  // wraps as Windows' does
}

MMRESULT WINAPI timeBeginPeriod(UINT period) { return period ? TIMERR_NOERROR : TIMERR_NOCANDO; }
MMRESULT WINAPI timeEndPeriod(UINT period) { return period ? TIMERR_NOERROR : TIMERR_NOCANDO; }
