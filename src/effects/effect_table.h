// effect_table.h -- the demo's effects, one row each: load, unseen warm-up, draw by event type,
// release
//
// Start-up walks the rows in table order to load, the warm-up walks them by warm-up step, the
// dispatcher finds the row whose event types hold layer 0's param0, and the shutdown walks
// them backwards to release what each effect made outside the Device's registry. Adding an
// effect is one file in src/effects/ that defines its row and one line in effect_table.cpp.
#pragma once

#include <cstddef>
#include <cstdint>

class Device;
class Timeline;

// Layer 0's active event as an effect sees it: param0 chose the row.
struct EffectEvent {
  uint32_t type;  // param0, compared unsigned
  int32_t param1;
  int32_t param2;
  uint32_t elapsedMs;  // since the event started
};

struct EffectEntry {
  const char* name;
  uint32_t firstEventType;  // the event types this row draws: first .. first + count - 1
  uint32_t eventTypeCount;
  int warmUpStep;  // the order of the warm-up draws, 1 first; 0 for none
  void (*load)(Device* device);
  // One draw before the first frame, never presented; the timeline gives the tempo.
  void (*warmUp)(Device* device, const Timeline& timeline);
  void (*draw)(Device* device, const EffectEvent& event);
  // What the effect made outside the Device's registry, released before the Device goes;
  // null when the Device owns everything it made.
  void (*release)();
};

struct EffectTable {
  const EffectEntry* const* entries;
  size_t count;
};

// The demo's own effects in their loading order: sprites, the scene shot, the sphere.
const EffectTable& DemoEffects();

// The row that draws event type, or null.
const EffectEntry* FindEffect(const EffectTable& table, uint32_t type);

void LoadEffects(const EffectTable& table, Device* device);
void WarmUpEffects(const EffectTable& table, Device* device, const Timeline& timeline);
// Draws the event through its row; false when no row draws that type.
bool DrawEffect(const EffectTable& table, Device* device, const EffectEvent& event);
// In the reverse of the loading order.
void ReleaseEffects(const EffectTable& table);

// Each effect's row, defined beside the effect.
extern const EffectEntry kSpritesEffect;
extern const EffectEntry kSceneShotEffect;
extern const EffectEntry kSphereEffect;
