#pragma once
// What a screen reader is told about the program's windows beyond what Qt
// says by itself.

class QWidget;

namespace vestra {

// Windows made from a plain widget report the role of a window (not a
// filler), and a drop-down box is named by its label or accessible name
// rather than by the entry it shows; and every date and time editor takes
// typed digits: focusing it, or Ctrl+A in it, selects its first section, so
// that "0930" or "9:30" gives 09:30. Call once after the QApplication exists.
void InstallAccessibility();

// Escape closes the window: for windows that only show (help, options,
// reports and lists), where Escape has nothing else to undo.
void CloseOnEscape(QWidget* window);

// Names the unnamed controls of a print preview: its page, page number and zoom.
void NamePreviewControls(QWidget* preview);

} // namespace vestra
