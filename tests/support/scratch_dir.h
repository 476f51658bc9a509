// scratch_dir.h -- one scratch directory for tests and benchmarks: made fresh under the system's
// temporary folder, entered as the working directory where asked, removed with all it holds
//
// Header only, so that tests of the device-free readers use it without linking the GL layer.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace testsupport {

// The working directory moved to an existing folder (the demo's run directory) and back.
class WorkingDir {
 public:
  WorkingDir() = default;
  ~WorkingDir() { Leave(); }
  WorkingDir(const WorkingDir&) = delete;
  WorkingDir& operator=(const WorkingDir&) = delete;

  bool Enter(const std::string& path) {
    std::error_code error;
    const std::filesystem::path here = std::filesystem::current_path(error);
    if (error || chdir(path.c_str()) != 0) return false;
    if (home_.empty()) home_ = here.string();
    return true;
  }
  bool Leave() {
    if (home_.empty()) return true;
    const bool back = chdir(home_.c_str()) == 0;
    home_.clear();
    return back;
  }

 private:
  std::string home_;
};

// A new empty directory, removed with all it holds; it can be made the working directory.
class ScratchDir {
 public:
  // A new empty directory named prefix.XXXXXX; path() is empty when it could not be made.
  explicit ScratchDir(const char* prefix = "qola") {
    std::error_code error;
    std::string pattern = (std::filesystem::temp_directory_path(error) / prefix).string() + ".XXXXXX";
    if (error) pattern = std::string("/tmp/") + prefix + ".XXXXXX";
    if (mkdtemp(&pattern[0])) path_ = pattern;
  }
  ~ScratchDir() {
    Leave();
    std::error_code error;
    if (!path_.empty()) std::filesystem::remove_all(path_, error);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  // Makes it the working directory, remembering the one to return to. False when it fails.
  bool Enter() { return !path_.empty() && cwd_.Enter(path_); }
  // Back to the directory Enter left; nothing when it was not entered.
  bool Leave() { return cwd_.Leave(); }

  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
  WorkingDir cwd_;
};

}  // namespace testsupport
