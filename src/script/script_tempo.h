// script_tempo.h -- the one rule for a demo script's tempo, shared by the demo and the synthesiser
//
// The timeline counts in sixteenth notes of 15000 / bpm ms: one shorter than a millisecond or
// longer than a minute is no tempo a demo can keep, so "bpm" must lie in 0.25 .. 15000.
#pragma once

#include <string>

class TiXmlElement;

namespace script_tempo {

constexpr double kMinBpm = 0.25;
constexpr double kMaxBpm = 15000.0;

// Reads "bpm" of the "demo" element into *tempo. False with *why ("line 3: \"bpm\" is 0; ...")
// for a value that is missing, not a number, or outside kMinBpm .. kMaxBpm.
bool Read(const TiXmlElement* demo, double* tempo, std::string* why);

}  // namespace script_tempo
