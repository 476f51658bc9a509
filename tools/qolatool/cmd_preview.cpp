// cmd_preview.cpp -- `qolatool preview`: the show in a window, with seek, pause, loop and a strip
#include <cstdio>

#include "tools/preview/preview_app.h"
#include "tools/preview/preview_options.h"
#include "tools/qolatool/arguments.h"
#include "tools/qolatool/subcommand.h"

namespace {

int RunPreviewCommand(int argc, char** argv) {
  preview::PreviewOptions options;
  std::string problem;
  switch (preview::ParsePreviewArguments(argc, argv, &options, &problem)) {
    case preview::PreviewParse::kHelp: std::fputs(preview::kPreviewHelp, stdout); return 0;
    case preview::PreviewParse::kBad: return UsageError("preview", problem);
    case preview::PreviewParse::kRun: break;
  }
  return preview::RunPreview(options);
}

Subcommand preview_command{"preview", "[--from MS] [--loop A B] [--size WxH]",
                           "play the show in a window: seek, pause, loop, sections, a timeline strip",
                           RunPreviewCommand};

}  // namespace
