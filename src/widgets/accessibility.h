#pragma once
// What a screen reader is told about the program's windows beyond what Qt
// says by itself.

namespace vestra {

// Windows made from a plain widget report the role of a window (not a
// filler), and a drop-down box is named by its label or accessible name
// rather than by the entry it shows. Call once after the QApplication exists.
void InstallAccessibility();

} // namespace vestra
