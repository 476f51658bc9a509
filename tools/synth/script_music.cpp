// script_music.cpp -- reads the tempo and the music file name from the demo script's "demo" element
#include "tools/synth/script_music.h"

#include <tinyxml.h>

#include "src/script/script_document.h"
#include "src/script/script_tempo.h"
#include "tools/synth/render.h"

namespace synth {

bool ReadScriptMusic(const std::string& path, ScriptMusic* music, std::string* error) {
  TiXmlDocument doc;
  std::string why;
  if (!script_document::Load(path.c_str(), &doc, &why)) {
    *error = path + (why.compare(0, 5, "line ") == 0 ? " " : ": ") + why;
    return false;
  }
  const TiXmlElement* demo = doc.FirstChildElement("demo");
  if (!demo) {
    *error = path + ": no \"demo\" element";
    return false;
  }
  const std::string where = path + " line " + std::to_string(demo->Row()) + ": ";
  const char* name = demo->Attribute("music_filename");
  if (!name || !*name) {
    *error = where + "\"demo\" has no \"music_filename\" (the file to write the music to)";
    return false;
  }
  double tempo = 0.0;
  if (!script_tempo::Read(demo, &tempo, &why)) {
    *error = path + " " + why;
    return false;
  }
  music->bpm = static_cast<float>(tempo);
  music->musicFileName = name;
  const size_t slash = path.rfind('/');
  music->musicPath = slash == std::string::npos || name[0] == '/' ? name : path.substr(0, slash + 1) + name;
  return true;
}

}  // namespace synth
