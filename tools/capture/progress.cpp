// progress.cpp -- progress line text and pacing; the SIGINT flag
#include "tools/capture/progress.h"

#include <signal.h>
#include <unistd.h>

namespace capture {

namespace {

constexpr double kTerminalInterval = 0.25;  // seconds between rewrites on a terminal
constexpr double kLogInterval = 5.0;        // seconds between lines elsewhere

volatile sig_atomic_t interrupted = 0;
struct sigaction previousAction;

void OnInterrupt(int) { interrupted = 1; }

}  // namespace

void FormatProgress(char* text, size_t size, uint32_t done, uint32_t total, double seconds) {
  double fps = seconds > 0.0 ? done / seconds : 0.0;
  if (done == 0 || fps <= 0.0) {
    std::snprintf(text, size, "frame %u/%u, -- fps, --:-- left", done, total);
    return;
  }
  double left = (total > done ? total - done : 0) / fps;
  unsigned long whole = static_cast<unsigned long>(left + 0.5);
  std::snprintf(text, size, "frame %u/%u, %.1f fps, %lu:%02lu left", done, total, fps, whole / 60, whole % 60);
}

void FormatShares(char* text, size_t size, const StageSeconds& s) {
  const double total = s.render + s.readback + s.convert + s.encode;
  if (total <= 0.0) {
    if (size) text[0] = '\0';
    return;
  }
  auto share = [total](double part) { return static_cast<int>(part / total * 100.0 + 0.5); };
  std::snprintf(text, size, "render %d %%, readback %d %%, convert %d %%, encode %d %%", share(s.render),
                share(s.readback), share(s.convert), share(s.encode));
}

ProgressLine::ProgressLine(FILE* out, uint32_t total)
    : out_(out),
      total_(total),
      terminal_(isatty(fileno(out)) != 0),
      start_(std::chrono::steady_clock::now()),
      lastShown_(start_) {
  text_[0] = '\0';
}

double ProgressLine::Seconds() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void ProgressLine::Update(uint32_t done, const StageSeconds& stages) {
  auto now = std::chrono::steady_clock::now();
  double sinceShown = std::chrono::duration<double>(now - lastShown_).count();
  if (sinceShown < (terminal_ ? kTerminalInterval : kLogInterval)) return;
  lastShown_ = now;
  FormatProgress(text_, sizeof text_, done, total_, Seconds());
  char shares[96];
  FormatShares(shares, sizeof shares, stages);
  std::fprintf(out_, terminal_ ? "\r%s%s%s   " : "%s%s%s\n", text_, shares[0] ? "; " : "", shares);
  std::fflush(out_);
}

void ProgressLine::Finish(uint32_t done, bool stopped, const StageSeconds& stages) {
  double seconds = Seconds();
  char shares[96];
  FormatShares(shares, sizeof shares, stages);
  std::fprintf(out_, "%sframe %u/%u, %.1f fps, %.1f s%s%s%s%s\n", terminal_ ? "\r" : "", done, total_,
               seconds > 0.0 ? done / seconds : 0.0, seconds, stopped ? ", stopped by Ctrl+C" : ", done",
               shares[0] ? "; " : "", shares, terminal_ ? "                    " : "");  // over the longer line
  std::fflush(out_);
}

StopOnInterrupt::StopOnInterrupt() {
  interrupted = 0;
  struct sigaction action = {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND;  // a second Ctrl+C ends the program
  sigaction(SIGINT, &action, &previousAction);
}

StopOnInterrupt::~StopOnInterrupt() {
  sigaction(SIGINT, &previousAction, nullptr);
  interrupted = 0;  // asked of this capture only
}

bool StopOnInterrupt::Requested() { return interrupted != 0; }

}  // namespace capture
