// fmod_pulse_test.cpp -- the heard position through a PulseAudio server: the mixed position less
// the server's whole reported latency, and never back when the sink's latency changes
//
// The test starts its own server (the "pulseaudio" program) with two null sinks on a private
// socket and stops it after. It skips, saying why, only where no server can be started.
#include <gtest/gtest.h>
#include <pulse/pulseaudio.h>
#include <signal.h>
#include <sndfile.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "fmod.h"
#include "platform/fmod/fmod_output.h"
#include "platform/fmod/fmod_stream.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRate = 44100;

// A private PulseAudio server: started in a directory of its own, reached through PULSE_SERVER.
class PulseServer {
 public:
  ~PulseServer() { Stop(); }
  bool Start(std::string* reason) {
    dir_ = ::testing::TempDir() + "qola_pulse_" + std::to_string(getpid());
    mkdir(dir_.c_str(), 0700);
    socket_ = dir_ + "/native";
    std::string runtime = "XDG_RUNTIME_DIR=" + dir_, home = "HOME=" + dir_;
    std::string protocol = "module-native-protocol-unix socket=" + socket_ + " auth-anonymous=1";
    std::vector<std::string> args = {"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
                                     "--log-level=error", "--use-pid-file=no", "-L", protocol,
                                     "-L", "module-null-sink sink_name=first rate=44100",
                                     "-L", "module-null-sink sink_name=second rate=44100"};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    std::vector<std::string> env = {runtime, home, "PATH=/usr/bin:/bin"};
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(&e[0]);
    envp.push_back(nullptr);
    if (posix_spawnp(&pid_, "pulseaudio", nullptr, nullptr, argv.data(), envp.data()) != 0) {
      pid_ = -1;
      *reason = "the pulseaudio program is not installed (Debian package \"pulseaudio\")";
      return false;
    }
    setenv("PULSE_SERVER", ("unix:" + socket_).c_str(), 1);
    for (int i = 0; i < 100; ++i) {
      struct stat st;
      if (stat(socket_.c_str(), &st) == 0) return true;
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        *reason = "pulseaudio ended at start with status " + std::to_string(status);
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    *reason = "pulseaudio made no socket within 5 s";
    return false;
  }
  void Stop() {
    unsetenv("PULSE_SERVER");
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
      pid_ = -1;
    }
    if (!dir_.empty()) std::system(("rm -rf '" + dir_ + "'").c_str());
    dir_.clear();
  }

 private:
  pid_t pid_ = -1;
  std::string dir_, socket_;
};

// The server's own view of the stream "music", asked over a connection of the test's own.
class ServerView {
 public:
  ServerView() {
    loop_ = pa_mainloop_new();
    context_ = pa_context_new(pa_mainloop_get_api(loop_), "qola test");
    pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr);
    while (pa_context_get_state(context_) != PA_CONTEXT_READY && PA_CONTEXT_IS_GOOD(pa_context_get_state(context_))) {
      pa_mainloop_iterate(loop_, 1, nullptr);
    }
  }
  ~ServerView() {
    pa_context_disconnect(context_);
    pa_context_unref(context_);
    pa_mainloop_free(loop_);
  }
  bool Ready() { return pa_context_get_state(context_) == PA_CONTEXT_READY; }

  struct Input {
    uint32_t index = PA_INVALID_INDEX;
    uint64_t latencyUs = 0;  // the stream's buffer and the sink's
  };
  Input Music() {
    Input found;
    Wait(pa_context_get_sink_input_info_list(context_, &ServerView::OnInput, &found));
    return found;
  }
  void Command(pa_operation* op) { Wait(op); }
  pa_context* context() { return context_; }

 private:
  static void OnInput(pa_context*, const pa_sink_input_info* info, int eol, void* found) {
    if (eol || !info) return;
    const char* name = pa_proplist_gets(info->proplist, PA_PROP_MEDIA_NAME);
    if (!name || std::string(name) != "music") return;
    auto* input = static_cast<Input*>(found);
    input->index = info->index;
    input->latencyUs = info->buffer_usec + info->sink_usec;
  }
  void Wait(pa_operation* op) {
    while (op && pa_operation_get_state(op) == PA_OPERATION_RUNNING) pa_mainloop_iterate(loop_, 1, nullptr);
    if (op) pa_operation_unref(op);
  }
  pa_mainloop* loop_ = nullptr;
  pa_context* context_ = nullptr;
};

std::string WriteWav(double seconds) {
  std::string path = ::testing::TempDir() + "qola_pulse_" + std::to_string(getpid()) + ".wav";
  SF_INFO info{};
  info.samplerate = kRate;
  info.channels = 2;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  std::vector<float> samples(static_cast<size_t>(seconds * kRate) * 2);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = 0.2f * static_cast<float>(std::sin(i * 0.02));
  sf_writef_float(file, samples.data(), static_cast<sf_count_t>(samples.size() / 2));
  sf_close(file);
  return path;
}

double FramesToMs(double frames) { return frames * 1000.0 / kRate; }

TEST(FmodPulse, HeardIsMixedLessTheServersLatencyAndNeverGoesBack) {
  PulseServer server;
  std::string reason;
  if (!server.Start(&reason)) GTEST_SKIP() << "no PulseAudio server could be started: " << reason;
  ServerView view;
  ASSERT_TRUE(view.Ready()) << "the test's own connection to the server";

  fsound::Output output;
  ASSERT_TRUE(output.Open(kRate, 8, fsound::Output::Kind::kDevice));
  ASSERT_NE(output.Describe().find("PulseAudio"), std::string::npos) << output.Describe();
  std::string path = WriteWav(6.0);
  int error = 0;
  fsound::Stream* stream = fsound::Stream::Open(path, kRate, &error, &reason);
  ASSERT_NE(stream, nullptr) << reason;
  ASSERT_GE(output.Play(FSOUND_FREE, stream), 0);
  // A null sink that has just started sleeps out its idle period (up to 2 s) before it first
  // asks for more; until then nothing is heard and the position rightly stays at 0.
  Clock::time_point giveUp = Clock::now() + std::chrono::seconds(8);
  while (stream->MixedFrames() < static_cast<uint64_t>(kRate) && Clock::now() < giveUp) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_GE(stream->MixedFrames(), static_cast<uint64_t>(kRate)) << "the server never played the stream";

  // The mixed position less the latency the server itself reports for the stream, both taken
  // between two readings of the mixed position that agree (no block handed over meanwhile).
  // The median of ten comparisons: on a loaded machine one answer may come late.
  std::vector<double> errors;
  int compared = 0;
  for (int i = 0; i < 40 && compared < 10; ++i) {
    uint64_t mixed = stream->MixedFrames();
    uint64_t heard = output.HeardFrames(stream);
    ServerView::Input input = view.Music();
    if (stream->MixedFrames() != mixed || input.index == PA_INVALID_INDEX) continue;
    double expected = FramesToMs(static_cast<double>(mixed)) - input.latencyUs / 1000.0;
    errors.push_back(std::fabs(FramesToMs(static_cast<double>(heard)) - expected));
    ++compared;
    std::this_thread::sleep_for(std::chrono::milliseconds(7));
  }
  ASSERT_GE(compared, 5) << "the mixed position never held still for one question to the server";
  std::sort(errors.begin(), errors.end());
  EXPECT_LE(errors[errors.size() / 2], 5.0) << "heard position against mixed less the server's latency, ms";
  EXPECT_GT(FramesToMs(static_cast<double>(output.LatencyFrames())), 30.0)
      << "the server's whole latency (its buffer too), not a device block";

  // The sink's latency changes while it plays: the stream moves to the other null sink and
  // back. Positions read all along never go back and never pass what was mixed.
  uint32_t index = view.Music().index;
  ASSERT_NE(index, PA_INVALID_INDEX);
  uint64_t previous = 0;
  int reads = 0;
  for (const char* sink : {"second", "first", "second"}) {
    view.Command(pa_context_move_sink_input_by_name(view.context(), index, sink, nullptr, nullptr));
    Clock::time_point until = Clock::now() + std::chrono::milliseconds(250);
    while (Clock::now() < until) {
      uint64_t heard = output.HeardFrames(stream);
      ASSERT_GE(heard, previous) << "the heard position went back after a move to " << sink;
      ASSERT_LE(heard, stream->MixedFrames());
      previous = heard;
      ++reads;
      std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
  }
  EXPECT_GT(reads, 100);
  EXPECT_GT(FramesToMs(static_cast<double>(previous)), 1500.0) << "the position went on through the moves";
  output.Close();
  delete stream;
  unlink(path.c_str());
}

}  // namespace
