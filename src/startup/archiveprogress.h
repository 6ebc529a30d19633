#pragma once
// The daily archiving run on screen: a progress dialog shows how far it has
// come, at once for a large run, else once it has taken longer than a moment, and its Cancel takes
// the whole run back (the next start tries again).

#include <QElapsedTimer>
#include <QProgressDialog>
#include <memory>

namespace vestra {

class ArchiveProgressDialog {
public:
    explicit ArchiveProgressDialog(int showAfterMs = 500);
    // Told between stretches of the run; false once the user cancelled.
    bool operator()(int done, int total);
    QProgressDialog* dialog() const { return m_dialog.get(); }

private:
    QElapsedTimer m_clock;
    int m_showAfterMs;
    std::unique_ptr<QProgressDialog> m_dialog;
};

} // namespace vestra
