// preview_options.h -- the arguments of `qolatool preview`
#pragma once

#include <cstdint>
#include <string>

namespace preview {

struct PreviewOptions {
  bool hasFrom = false;
  uint32_t fromMs = 0;
  bool hasLoop = false;
  uint32_t loopStart = 0, loopEnd = 0;
  int width = 0, height = 0;  // 0: the demo's 1024 x 768 with the strip under it
};

enum class PreviewParse { kRun, kHelp, kBad };

// argv[0] is the subcommand's name; kBad sets *problem to one sentence naming the argument.
PreviewParse ParsePreviewArguments(int argc, char** argv, PreviewOptions* out, std::string* problem);

extern const char kPreviewHelp[];

}  // namespace preview
