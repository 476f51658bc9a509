// player_options.cpp -- qola's options read from the Windows command line
#include "src/program/player_options.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

const char kPlayerUsage[] =
    "usage: qola [--window | --fit] [--from MS] [--av-offset MS]\n"
    "  (no option)      full screen at 1024 x 768, from the music's start\n"
    "  --window         a resizable window, 1024 x 768 at first; the picture keeps its 4:3 aspect\n"
    "  --fit            full screen at the display's own mode, the picture scaled with black bars\n"
    "  --from MS        start the music and the show MS milliseconds in\n"
    "  --av-offset MS   -500 to 500: show the picture MS milliseconds later than the sound\n"
    "                   is heard (positive for sound that reaches the ear late)\n"
    "  --help           this text\n"
    "Escape ends the show; with --window or --fit closing the window ends it too.\n";

namespace {

const char kAccepted[] = "accepted: --window, --fit, --from MS, --av-offset MS, --help";

// Windows' splitting: blanks separate, a double quote starts or ends a quoted part.
std::vector<std::string> SplitCommandLine(const char* line) {
  std::vector<std::string> args;
  std::string current;
  bool inQuotes = false, started = false;
  for (const char* p = line ? line : ""; *p; ++p) {
    char c = *p;
    if (c == '"') {
      inQuotes = !inQuotes;
      started = true;
    } else if ((c == ' ' || c == '\t') && !inQuotes) {
      if (started) args.push_back(current);
      current.clear();
      started = false;
    } else {
      current += c;
      started = true;
    }
  }
  if (started) args.push_back(current);
  return args;
}

// A whole decimal number within [low, high], nothing else around it.
bool ReadInteger(const std::string& text, long long low, long long high, long long* value) {
  if (text.empty() || text.size() > 20) return false;
  errno = 0;
  char* end = nullptr;
  long long v = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || v < low || v > high) return false;
  *value = v;
  return true;
}

}  // namespace

bool ParsePlayerOptions(const char* commandLine, PlayerOptions* options, std::string* problem) {
  *options = PlayerOptions();
  std::vector<std::string> args = SplitCommandLine(commandLine);
  bool window = false, fit = false;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i], value;
    bool joined = false;  // --from=MS
    size_t eq = name.find('=');
    if (name.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = name.substr(eq + 1);
      name = name.substr(0, eq);
      joined = true;
    }
    bool takesValue = name == "--from" || name == "--av-offset";
    if (!takesValue && joined) {
      *problem = "qola: " + name + " takes no value; " + kAccepted;
      return false;
    }
    if (takesValue && !joined) {
      if (i + 1 >= args.size()) {
        *problem = "qola: " + name + (name == "--from" ? " needs milliseconds, 0 or more"
                                                       : " needs milliseconds from -500 to 500");
        return false;
      }
      value = args[++i];
    }
    long long number = 0;
    if (name == "--window") {
      window = true;
    } else if (name == "--fit") {
      fit = true;
    } else if (name == "--help" || name == "-h") {
      options->help = true;
    } else if (name == "--from") {
      if (!ReadInteger(value, 0, INT_MAX, &number)) {
        *problem = "qola: --from \"" + value + "\": give whole milliseconds, 0 or more";
        return false;
      }
      options->hasFrom = true;
      options->fromMs = static_cast<uint32_t>(number);
    } else if (name == "--av-offset") {
      if (!ReadInteger(value, kMinAVOffsetMs, kMaxAVOffsetMs, &number)) {
        *problem = "qola: --av-offset \"" + value + "\": give whole milliseconds from -500 to 500";
        return false;
      }
      options->avOffsetMs = static_cast<int>(number);
    } else {
      *problem = "qola: unknown option \"" + args[i] + "\"; " + kAccepted;
      return false;
    }
  }
  if (window && fit) {
    *problem = "qola: --window and --fit exclude each other; give one of them";
    return false;
  }
  options->display = window ? PlayerOptions::Display::kWindow
                     : fit  ? PlayerOptions::Display::kFit
                            : PlayerOptions::Display::kFullScreen;
  return true;
}
