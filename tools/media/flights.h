// flights.h -- camera flights as the demo plays them, and the checks that keep them in the hall
//
// The demo interpolates every channel of a camera by itself with its KeyTrack (a Catmull-Rom
// curve adapted to uneven key spacing, holding the first and last keys). The generator evaluates
// the same KeyTrack, so that it sees the path the demo will show.
#pragma once

#include <string>
#include <vector>

#include "tools/media/world.h"

namespace media {

// One channel at a frame time; keys (time, value) in rising time.
float EvaluateChannel(const std::vector<float>& times, const std::vector<float>& values, float frame);
// Eye and target of a flight at a frame time.
void EvaluateFlight(const CameraFlight& flight, float frame, Vec3* eye, Vec3* target);
// Every problem of every flight, sampled each half frame: an eye outside the hall, under or too
// close to the floor or the dais, inside a column or a spinning box; a target outside the hall;
// a view too close to vertical (the demo's look-at has no up direction there). Empty when good.
std::vector<std::string> CheckFlights(const World& world);

}  // namespace media
