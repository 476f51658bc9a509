// preview_options.cpp -- parsing `qolatool preview`'s arguments
#include "tools/preview/preview_options.h"

#include "tools/arguments/numbers.h"

#include <cstring>

namespace preview {

const char kPreviewHelp[] =
    "usage: qolatool preview [--from MS] [--loop A B] [--size WxH]\n"
    "\n"
    "Plays the show in a window, run in the demo's directory (where go.xml is): the demo's own\n"
    "start-up and frames, with the music, above a timeline strip of the whole song (waveform,\n"
    "bars, the sections of layer 1, the pictures of layer 0) and of the eight bars around the\n"
    "playhead, and a readout of the time, bar.beat.sixteenth (counted from 0, as the script\n"
    "counts its sixteenths), the picture on screen and the frame rate.\n"
    "\n"
    "  --from MS    start at MS milliseconds of the music (default 0)\n"
    "  --loop A B   play A to B milliseconds again and again from the start (and from A\n"
    "               without --from)\n"
    "  --size WxH   the window's size (default 1024x992: the demo's 1024x768 and the strip);\n"
    "               a window of another shape shows the whole scaled, its aspect kept\n"
    "\n"
    "keys:\n"
    "  Space           pause and resume (the music resumes from the same sample)\n"
    "  Left / Right    one beat back or on; with Shift one bar, with Ctrl ten seconds\n"
    "  Home            the start\n"
    "  1 to 9          the start of that section (layer 1's events in order)\n"
    "  [ and ]         the loop's start and end at the playhead; L turns the loop on and off\n"
    "  T               hides and shows the strip\n"
    "  R               loads every file of the show again\n"
    "  Escape          ends the preview (so does closing the window)\n"
    "  a click or a drag on the strip seeks there\n"
    "\n"
    "A file of the show saved while the preview runs is loaded again at once, the music where it\n"
    "was: go.xml, an effect (media/*.fx), a picture, the 3DS scene, the sphere's mesh, the music.\n"
    "A file that fails to load keeps the last good version on screen; its message stays on the\n"
    "strip, in red, until a good version is saved.\n"
    "\n"
    "Each action prints one line on standard output, MS being the music time when it happened:\n"
    "  at MS: seek MS          (\" (clamped from MS)\" where the time lay outside the music)\n"
    "  at MS: pause            at MS: play\n"
    "  at MS: loop A B on|off  at MS: wrap A   (each time the loop jumps back)\n"
    "  at MS: section N NAME   (N from 1; NAME the event's \"name\", or -)\n"
    "  at MS: reload FILE ok (N ms)      at MS: reload FILE failed: MESSAGE\n";

namespace {

// "WxH" of a window from 320 x 240 to 8192 x 8192.
bool ParseWindowSize(const char* text, int* width, int* height) {
  int w = 0, h = 0;
  if (!arguments::ParseSize(text, 240, 8192, &w, &h) || w < 320) return false;
  *width = w;
  *height = h;
  return true;
}

}  // namespace

PreviewParse ParsePreviewArguments(int argc, char** argv, PreviewOptions* out, std::string* problem) {
  PreviewOptions o;
  for (int i = 1; i < argc; ++i) {
    const char* option = argv[i];
    if (std::strcmp(option, "--help") == 0 || std::strcmp(option, "-h") == 0) return PreviewParse::kHelp;
    auto value = [&](int k) -> const char* { return i + k < argc ? argv[i + k] : nullptr; };
    if (std::strcmp(option, "--from") == 0) {
      if (!arguments::ParseMs(value(1), &o.fromMs)) {
        *problem = "--from needs a time in whole milliseconds";
        return PreviewParse::kBad;
      }
      o.hasFrom = true;
      i += 1;
    } else if (std::strcmp(option, "--loop") == 0) {
      if (!arguments::ParseMs(value(1), &o.loopStart) || !arguments::ParseMs(value(2), &o.loopEnd)) {
        *problem = "--loop needs two times in whole milliseconds, its start and its end";
        return PreviewParse::kBad;
      }
      if (o.loopEnd <= o.loopStart) {
        *problem = "--loop " + std::to_string(o.loopStart) + " " + std::to_string(o.loopEnd) +
                   ": the end must come after the start";
        return PreviewParse::kBad;
      }
      o.hasLoop = true;
      i += 2;
    } else if (std::strcmp(option, "--size") == 0) {
      if (!ParseWindowSize(value(1), &o.width, &o.height)) {
        *problem = std::string("--size \"") + (value(1) ? value(1) : "") + "\": WxH from 320x240 to 8192x8192";
        return PreviewParse::kBad;
      }
      i += 1;
    } else {
      *problem = std::string("unknown argument \"") + option + "\"";
      return PreviewParse::kBad;
    }
  }
  *out = o;
  return PreviewParse::kRun;
}

}  // namespace preview
