// flights.cpp -- camera flights evaluated with the demo's key tracks, and the flight checks
#include "tools/media/flights.h"

#include <cmath>
#include <cstdio>

#include "src/scene/key_track.h"

namespace media {

namespace {

std::string Where(const CameraFlight& flight, float frame, const char* what, Vec3 p) {
  char text[200];
  std::snprintf(text, sizeof text, "%s at frame %.1f: %s (%.1f, %.1f, %.1f)", flight.name.c_str(), frame, what, p.x,
                p.y, p.z);
  return text;
}

}  // namespace

float EvaluateChannel(const std::vector<float>& t, const std::vector<float>& y, float x) {
  // The demo's own key track, so that the path checked here is the path the demo shows.
  KeyTrack track;
  for (size_t i = 0; i < t.size() && i < y.size(); ++i) track.AddKey(t[i], y[i]);
  TrackKey out = {x, 0.0f};
  track.Evaluate(x, &out);
  return out.value;
}

void EvaluateFlight(const CameraFlight& flight, float frame, Vec3* eye, Vec3* target) {
  std::vector<float> t, ex, ey, ez, tx, ty, tz;
  for (const FlightKey& k : flight.keys) {
    t.push_back(static_cast<float>(k.frame));
    ex.push_back(k.eye.x);
    ey.push_back(k.eye.y);
    ez.push_back(k.eye.z);
    tx.push_back(k.target.x);
    ty.push_back(k.target.y);
    tz.push_back(k.target.z);
  }
  *eye = {EvaluateChannel(t, ex, frame), EvaluateChannel(t, ey, frame), EvaluateChannel(t, ez, frame)};
  *target = {EvaluateChannel(t, tx, frame), EvaluateChannel(t, ty, frame), EvaluateChannel(t, tz, frame)};
}

std::vector<std::string> CheckFlights(const World& world) {
  const Obstacles& o = world.obstacles;
  const float margin = 6.0f;  // the near plane is 1 unit away; keep well clear of surfaces
  std::vector<std::string> problems;
  for (const CameraFlight& flight : world.flights) {
    if (flight.keys.empty()) {
      problems.push_back(flight.name + " has no keys");
      continue;
    }
    float end = static_cast<float>(flight.keys.back().frame);
    for (float frame = 0; frame <= end; frame += 0.5f) {
      Vec3 eye, target;
      EvaluateFlight(flight, frame, &eye, &target);
      std::string problem;
      if (std::fabs(eye.x) > o.hallHalf - margin || std::fabs(eye.z) > o.hallHalf - margin)
        problem = Where(flight, frame, "eye outside the hall", eye);
      else if (eye.y < 4.0f)
        problem = Where(flight, frame, "eye too close to the floor", eye);
      else if (std::fabs(eye.x) < o.daisHalf + 2 && std::fabs(eye.z) < o.daisHalf + 2 && eye.y < o.daisTop + 4)
        problem = Where(flight, frame, "eye inside the dais", eye);
      for (const Vec3& c : o.columns)
        if (problem.empty() && eye.y < o.columnHeight + 8 && std::hypot(eye.x - c.x, eye.z - c.z) < o.columnClearance)
          problem = Where(flight, frame, "eye inside a column", eye);
      for (size_t b = 0; b < o.boxCentres.size(); ++b)
        if (problem.empty() && Length(eye - o.boxCentres[b]) < o.boxRadii[b] + margin)
          problem = Where(flight, frame, "eye inside a spinning box", eye);
      if (problem.empty() && (std::fabs(target.x) > o.hallHalf || std::fabs(target.z) > o.hallHalf || target.y < 0))
        problem = Where(flight, frame, "target outside the hall", target);
      Vec3 d = target - eye;
      float length = Length(d);
      if (problem.empty() && (length < 5.0f || std::fabs(d.y) > 0.9f * length))
        problem = Where(flight, frame, "view too steep or too short", eye);
      if (!problem.empty()) {
        problems.push_back(problem);
        break;  // one report per flight is enough to act on
      }
    }
  }
  return problems;
}

}  // namespace media
