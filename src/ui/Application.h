#pragma once

namespace qn {

// What the application must be told before its first window: its name,
// which names the configuration folder (~/.config/quilnaver) and the window
// class the desktop entry expects, Qt's own texts in Japanese, and the
// Japanese fonts. It gets no display name: the platform would add that to
// every window's title.
void setUpApplication();

} // namespace qn
