// demo_program.h -- the demo's start-up after the Device, one frame, and the shutdown
//
// The entry function and the capture tool run exactly this code, so a captured video shows
// what the demo shows. The order is the behaviour: the script and its music first, then every
// effect's resources while the music already plays, then the unseen warm-up draws.
#pragma once

#include <cstdint>

#include "src/effects/effect_table.h"

class Device;

// Start-up steps after the Device: the sound library, "go.xml" with its prototype, the
// EffectDispatcher installed, the music started, every effect's load in table order (the
// sprites, the shadow map, the scene "media/scene1texkey.3ds" with maps from "media/maps/",
// the sphere distortion) and the warm-up draws (no clear before them, no present after).
// False when the script was refused: the caller then calls StopDemo and ends the program.
// holdMusic stops the music again as soon as it started, so that the caller can start it later
// at a time of its choice (qola --from). effects must outlive the demo: StopDemo releases them.
bool StartDemo(Device* device, bool holdMusic = false, const EffectTable& effects = DemoEffects());

// One frame: DrawDemoFrame, present, then every pending window message.
void RunDemoFrame(Device* device);
// The frame's picture without its present: clear to black with depth 1, then the script's
// update (which draws the frame's effect). The preview shows it in a window of its own.
void DrawDemoFrame(Device* device);

// Frames until Escape: the key is polled before every frame, the first one too, so Escape
// pressed during loading ends the demo without a frame. The number of frames run.
uint64_t RunDemoUntilEscape(Device* device);

// The shutdown: the script (timeline, stream, sound library), then what the effects made
// outside the Device's registry, in the reverse of their loading order (the sphere mesh, the
// scene's device meshes with the shadow map and its depth surface), then the Device with its
// resources, the Direct3D device and the window.
void StopDemo();
