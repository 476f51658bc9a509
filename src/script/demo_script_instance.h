// demo_script_instance.h -- the process-wide DemoScript: "go.xml", its timeline and the music
//
// One object with static storage duration, constructed before the entry function runs. The
// effects reach the demo's tempo through its timeline (the sprite beat's sixteenth note).
#pragma once

#include "src/script/demo_script.h"

extern DemoScript demoScript;
