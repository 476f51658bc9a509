// mmsystem.h -- the winmm clock calls, declared for Linux (platform/win32/win32_system.cpp)
//
//   timeGetTime      milliseconds of the system's monotonic clock, wrapping after 2^32 ms
//                    (or the clock override's: platform/services/virtual_clock.h)
//   timeBeginPeriod, timeEndPeriod  accepted for any period from 1 ms; the clock is always exact
#pragma once

#include <windows.h>

typedef UINT MMRESULT;

#define TIMERR_NOERROR 0
#define TIMERR_NOCANDO 97

DWORD WINAPI timeGetTime(void);
MMRESULT WINAPI timeBeginPeriod(UINT uPeriod);
MMRESULT WINAPI timeEndPeriod(UINT uPeriod);
