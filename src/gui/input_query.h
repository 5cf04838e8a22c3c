#pragma once
#include <string>

// The toolkit's input prompt: a small modal window with the prompt, one text field, "OK" and
// "Abbrechen". True when confirmed with OK; value holds the default on entry, the text on exit.
bool RunInputQuery(const std::string& caption, const std::string& prompt, std::string& value);
