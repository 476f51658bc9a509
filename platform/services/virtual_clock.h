// virtual_clock.h -- one clock override for the platform layer's two time sources
//
// The demo reads time in two places only: the music stream's play position
// (FSOUND_Stream_GetTime) and the system's millisecond clock (timeGetTime). While the virtual
// clock is on, both answer its value instead, the sound library opens no sound device and plays
// nothing, so a program can render any moment of the demo, as slowly as it needs, and the demo's
// code cannot tell. Capture turns it on before the sound library starts and keeps it on until
// the library is closed; tests stand the demo at a chosen moment the same way. One thread sets
// it; the platform's calls only read it, from any thread, with one atomic load and no allocation.
#pragma once

#include <cstdint>

namespace platform_clock {

// Turns the virtual clock on (if it was off) and sets it to ms.
void UseVirtualClock(uint32_t ms);
// Moves the virtual clock on by deltaMs (wrapping as the 32-bit clocks do). On only.
void AdvanceVirtualClock(uint32_t deltaMs);
// Back to the real clocks: the monotonic clock and the sound output's play position.
void UseRealClock();

bool VirtualClockActive();
uint32_t VirtualClockMs();
// Both at once, from one load: true with *ms while the virtual clock is on.
bool VirtualClockNow(uint32_t* ms);

}  // namespace platform_clock
