// effect_table.cpp -- the demo's table of effects and the walks over it
#include "src/effects/effect_table.h"

namespace {

// Loading order: the sprites first, then the shadow map and the scene, then the sphere.
const EffectEntry* const kDemoEntries[] = {
    &kSpritesEffect,
    &kSceneShotEffect,
    &kSphereEffect,
};
const EffectTable kDemoTable = {kDemoEntries, sizeof(kDemoEntries) / sizeof(kDemoEntries[0])};

// The highest warm-up step that any row uses.
int LastWarmUpStep(const EffectTable& table) {
  int last = 0;
  for (size_t i = 0; i < table.count; ++i)
    if (table.entries[i]->warmUpStep > last) last = table.entries[i]->warmUpStep;
  return last;
}

}  // namespace

const EffectTable& DemoEffects() { return kDemoTable; }

const EffectEntry* FindEffect(const EffectTable& table, uint32_t type) {
  for (size_t i = 0; i < table.count; ++i) {
    const EffectEntry* entry = table.entries[i];
    if (type >= entry->firstEventType && type - entry->firstEventType < entry->eventTypeCount) return entry;
  }
  return nullptr;
}

void LoadEffects(const EffectTable& table, Device* device) {
  for (size_t i = 0; i < table.count; ++i)
    if (table.entries[i]->load) table.entries[i]->load(device);
}

void WarmUpEffects(const EffectTable& table, Device* device, const Timeline& timeline) {
  // A handful of rows: one pass per step keeps the order stated in the rows themselves.
  const int last = LastWarmUpStep(table);
  for (int step = 1; step <= last; ++step)
    for (size_t i = 0; i < table.count; ++i)
      if (table.entries[i]->warmUpStep == step && table.entries[i]->warmUp) table.entries[i]->warmUp(device, timeline);
}

bool DrawEffect(const EffectTable& table, Device* device, const EffectEvent& event) {
  const EffectEntry* entry = FindEffect(table, event.type);
  if (!entry || !entry->draw) return false;
  entry->draw(device, event);
  return true;
}

void ReleaseEffects(const EffectTable& table) {
  for (size_t i = table.count; i-- > 0;)
    if (table.entries[i]->release) table.entries[i]->release();
}
