// unattended.h -- one switch for runs nobody watches: no dialog waits for a click
//
// While it is on, MessageBoxA writes its line to standard error (as it always does) and returns
// at once with the box's first button, as if it had been pressed; nothing waits for a person.
// Tools that render offline turn it on; a user turns it on for any program by setting
// QOLA_NO_MESSAGE_BOX=1 in the environment, which gives the switch its first value.
#pragma once

namespace platform_unattended {

void Set(bool on);
bool On();

}  // namespace platform_unattended
