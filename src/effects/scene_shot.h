// scene_shot.h -- the scene shot: "media/scene1texkey.3ds" through one of its animated cameras,
// with three spinning boxes, under the shadow-mapped spot light
#pragma once

#include <string>

class Device;

// Turns "Box01" to "Box03" of the scene to their angles at timeMs of shot time.
void SpinSceneBoxes(float timeMs);

// Spins "Box01" to "Box03" by timeMs and renders the scene through camera 0 "Camera1",
// 1 "Camera02" or 2 "Camera03" at that time. Any other camera index sets the angles and draws
// nothing; a box the scene lacks is skipped.
void DrawSceneShot(Device* device, float timeMs, int camera);

// The scene file and its maps' folder as the shot loads them.
extern const char kSceneShotFile[];
extern const char kSceneShotMapDir[];

// The preview's reload of an edited scene: the file read as at start-up (its log written
// again), and only when it reads, the scene rebuilt from it and the old maps' textures taken out
// of the Device's registry. False with *problem (the old scene kept) when it cannot be read.
bool ReloadSceneShot(Device* device, std::string* problem);
