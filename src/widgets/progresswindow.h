#pragma once
// A long run on screen: a progress window with a count of rows and Cancel.
// A run of at least bigRun rows shows it at its first report, so the user
// sees at once that work has started; a smaller run shows it only once it
// has taken longer than a moment, so a short run does not flash a window.

#include <QElapsedTimer>
#include <QProgressDialog>
#include <QString>
#include <memory>

namespace vestra {

struct ProgressTexts {
    QString title;      // the window's title, "Export"
    QString doing;      // "Writing rows…"
    QString counted;    // after "n of m", e.g. "bookings gone through"; may be empty
    QString objectName; // for tests and screenshots
};

class ProgressWindow {
public:
    ProgressWindow(ProgressTexts texts, int bigRun, int showAfterMs = 500);
    // Told between stretches of the run; false once the user cancelled.
    bool operator()(int done, int total);
    QProgressDialog* dialog() const { return m_dialog.get(); }
    bool cancelled() const { return m_dialog && m_dialog->wasCanceled(); }

private:
    ProgressTexts m_texts;
    int m_bigRun;
    int m_showAfterMs;
    QElapsedTimer m_clock;
    std::unique_ptr<QProgressDialog> m_dialog;
};

} // namespace vestra
