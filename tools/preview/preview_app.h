// preview_app.h -- `qolatool preview`: the show in a window with its transport and strip
#pragma once

#include "tools/preview/preview_options.h"

namespace preview {

// Runs the preview in the working directory until Escape or the window's close; the exit
// code (0, or 1 after one message when the demo cannot start, 2 for a start time past the end).
int RunPreview(const PreviewOptions& options);

}  // namespace preview
