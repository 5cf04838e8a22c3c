#pragma once
#include <string>
#include <vector>

// The toolkit's list prompt, a sibling of the input prompt: a small modal window with the prompt,
// a list of lines, "OK" and "Abbrechen". OK, Enter or a double-click on a line confirms the
// selected line; "Abbrechen", Escape or the close box give none. index holds the line selected
// at first on entry (the first when out of range) and the one confirmed on exit; false, with
// index unchanged, when nothing was confirmed.
bool RunListQuery(const std::string& caption, const std::string& prompt, const std::vector<std::string>& lines,
                  int& index);
