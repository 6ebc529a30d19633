#pragma once
// The start-up and login open windows that live in later layers (the day
// view) and end the program; they reach them through these hooks, which the
// program sets at start and tests replace.

#include <functional>

namespace vestra {

struct Navigator {
    std::function<void()> showMainWindow;  // after a good login
    std::function<void()> showSplash;      // to rerun the start-up from a schedule window
    std::function<void()> quit;            // end the program
};

Navigator& navigator();

} // namespace vestra
