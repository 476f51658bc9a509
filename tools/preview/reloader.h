// reloader.h -- a saved file of the run directory loaded again while the preview plays
//
// What the demo loaded from the file is loaded again with the demo's own loaders and put in
// place of the old: "go.xml" (tempo, layers, events; the music reopened when its name
// changed), an effect file (compiled again; every parameter the program had set on the old
// effect is set on the new one, the file's defaults otherwise), a picture (the texture made
// again in place, so everything that draws with it draws the new one), the music file (reopened
// at the same position), the 3DS scene (read as at start-up, its log written again, and
// rebuilt) and the sphere's .x mesh. A file that fails keeps the last good version in use; its message
// stands until a good version of the same file is saved. Files the demo does not use are
// ignored.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class Device;

namespace preview {

class Reloader {
 public:
  enum class What { kNothing, kScript, kEffect, kTexture, kMusic, kScene, kMesh };

  explicit Reloader(Device* device) : device_(device) {}

  // What path (as the watcher gives it, relative to the run directory) is to the demo.
  What Classify(const std::string& path) const;
  // Loads path again. kNothing for a file the demo does not use. On failure, false with
  // *problem ("media/Phong.fx(12): error: ..."), the old version kept.
  bool Reload(const std::string& path, What what, std::string* problem);
  // Every file the demo loaded: go.xml, the music, each effect and picture, once each.
  std::vector<std::string> LoadedFiles() const;

  // The message of the latest failure whose file has not been saved good since; empty when none.
  const std::string& Failure() const;
  // Notes how the reload of path ended.
  void Record(const std::string& path, bool ok, const std::string& problem);

 private:
  bool ReloadScript(std::string* problem);
  bool ReloadEffects(const std::string& path, std::string* problem);
  bool ReloadTextures(const std::string& path, std::string* problem);
  bool ReopenMusic(std::string* problem);

  Device* device_;
  std::vector<std::pair<std::string, std::string>> failing_;  // path, message; oldest first
  std::string none_;
};

}  // namespace preview
