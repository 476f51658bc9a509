// handlers_keyframer.cpp -- keyframer chunk handlers: camera node kinds, node headers, position and roll tracks
//
// A camera node and its target node carry the same name, so the node header finds or makes one
// KeyframeObjectInfo per name and the node kind chooses which of its tracks a position track fills.
#include <new>

#include "src/import3ds/loader3ds.h"

namespace {

// Bytes of a key before its optional spline values: frame (u32) and spline flags (u16).
constexpr uint32_t kKeyHeadBytes = 6;
// Spline-flag bits that each announce one f32 (tension, continuity, bias, ease to, ease from).
constexpr uint16_t kSplineValueBits[] = {0x0001, 0x0002, 0x0004, 0x0008, 0x0010};

}  // namespace

bool Loader3DS::HandleCameraNode(const Chunk&) {
  nodeKind = 1;
  return true;
}

bool Loader3DS::HandleTargetNode(const Chunk&) {
  nodeKind = 2;
  return true;
}

bool Loader3DS::HandleNodeHeader(const Chunk&) {
  const char* name = nullptr;
  if (!ReadName(&name, "a node name has no terminating zero")) return false;
  KeyframeObjectInfo* node = FindNode(name);
  if (node) {
    // A found node keeps the flags and parent of its first header.
    if (!Need(6, "a node header runs past the end of the file")) return false;
    readPos += 6;
  } else {
    uint16_t header[3];
    for (uint16_t& word : header) {
      if (!ReadU16(&word, "a node header runs past the end of the file")) return false;
    }
    node = new (std::nothrow) KeyframeObjectInfo();
    if (!node || nodes.Append(node) < 0) {
      delete node;
      return Fail("out of memory for a keyframer node");
    }
    node->name = name;
    node->flags1 = header[0];
    node->flags2 = header[1];
    node->parent = header[2];
  }
  currentNode = node;
  lineBuffer << "\t\t KeyframeObjectInfo - " << name << "\n";
  FlushLine();
  return true;
}

// Reads flags, the 8 bytes passed over and the key count, and checks that keyCount keys of at
// least their fixed size fit in the bytes left, so a huge count cannot make a long loop.
bool Loader3DS::ReadTrackHeader(uint16_t* flags, uint32_t* keyCount, uint32_t valueBytes) {
  if (!Need(14, "a track header runs past the end of the file")) return false;
  ReadU16(flags, "");
  readPos += 8;
  ReadU32(keyCount, "");
  return Need(static_cast<uint64_t>(*keyCount) * (kKeyHeadBytes + valueBytes),
              "a track's keys run past the end of the file");
}

bool Loader3DS::SkipSplineValues() {
  uint16_t splineFlags = 0;
  if (!ReadU16(&splineFlags, "a key runs past the end of the file")) return false;
  uint32_t skip = 0;
  for (uint16_t bit : kSplineValueBits) {
    if (splineFlags & bit) skip += 4;
  }
  if (!Need(skip, "a key's spline values run past the end of the file")) return false;
  readPos += skip;
  return true;
}

// A track with no node to go to (no node header yet, or outside a camera or target node) is
// skipped whole.
bool Loader3DS::HandlePositionTrack(const Chunk& chunk) {
  if (!currentNode || nodeKind == 0) return SkipRest(chunk);
  LogText("Position track\n");
  PositionTrack* track = nullptr;
  if (nodeKind == 1) {
    track = &currentNode->positionTrack;
    LogText("  -Position\n");
  } else {
    track = &currentNode->targetTrack;
    LogText("  -Target\n");
  }
  uint16_t flags = 0;
  uint32_t keyCount = 0;
  if (!ReadTrackHeader(&flags, &keyCount, 12)) return false;
  track->trackFlags = flags;
  track->keyCount = keyCount;
  for (uint32_t k = 0; k < keyCount; ++k) {
    uint32_t frame = 0;
    TrackVector value;
    if (!ReadU32(&frame, "a key runs past the end of the file") || !SkipSplineValues()) return false;
    if (!ReadF32(&value.x, "a key's value runs past the end of the file") ||
        !ReadF32(&value.y, "a key's value runs past the end of the file") ||
        !ReadF32(&value.z, "a key's value runs past the end of the file")) {
      return false;
    }
    if (track->frames.Append(frame) < 0 || track->values.Append(value) < 0) {
      return Fail("out of memory for a position key");
    }
  }
  if (keyCount != 0) {
    // The base is still hexadecimal from the header line.
    lineBuffer << "---" << keyCount << "\n";
    FlushLine();
  }
  return true;
}

bool Loader3DS::HandleRollTrack(const Chunk& chunk) {
  if (!currentNode || nodeKind == 0) return SkipRest(chunk);
  LogText("Roll track\n");
  RollTrack* track = &currentNode->rollTrack;
  uint16_t flags = 0;
  uint32_t keyCount = 0;
  if (!ReadTrackHeader(&flags, &keyCount, 4)) return false;
  track->trackFlags = flags;
  track->keyCount = keyCount;
  for (uint32_t k = 0; k < keyCount; ++k) {
    uint32_t frame = 0;
    float roll = 0.0f;
    if (!ReadU32(&frame, "a key runs past the end of the file") || !SkipSplineValues() ||
        !ReadF32(&roll, "a key's value runs past the end of the file")) {
      return false;
    }
    if (track->frames.Append(frame) < 0 || track->values.Append(roll) < 0) {
      return Fail("out of memory for a roll key");
    }
  }
  if (keyCount != 0) {
    lineBuffer << "---" << keyCount << "\n";
    FlushLine();
  }
  return true;
}
