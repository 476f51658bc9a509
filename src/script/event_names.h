// event_names.h -- the "name" attributes of a script's events, which the demo itself ignores
//
// go.xml names the tune's sections on layer 1 with them; `qolatool script` prints them and the
// preview labels its sections with them. They are read from the same file with TinyXML, event
// by event, walked as the timeline's reader walks them: the n-th "layer" of "timeline", its
// "event"s in document order.
#pragma once

#include <string>
#include <vector>

class Timeline;

// names[L][I]: the "name" of event I of layer L, empty when it has none; a control character
// in a name (a line break, a tab) becomes a space, so that a name always prints on one line.
using EventNames = std::vector<std::vector<std::string>>;

// The names for timeline as read from file; every name empty when the file cannot be read.
EventNames ReadEventNames(const char* file, const Timeline& timeline);
