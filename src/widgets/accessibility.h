#pragma once
// What a screen reader is told about the program's windows beyond what Qt
// says by itself.

class QWidget;

namespace vestra {

// Windows made from a plain widget report the role of a window (not a
// filler), and a drop-down box is named by its label or accessible name
// rather than by the entry it shows. Call once after the QApplication exists.
void InstallAccessibility();

// Names the unnamed controls of a print preview: its page, page number and zoom.
void NamePreviewControls(QWidget* preview);

} // namespace vestra
