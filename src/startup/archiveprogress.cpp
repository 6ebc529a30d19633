#include "startup/archiveprogress.h"

#include "session/archiving.h"

#include <QApplication>

namespace vestra {

ArchiveProgressDialog::ArchiveProgressDialog(int showAfterMs) : m_showAfterMs(showAfterMs)
{
    m_clock.start();
}

bool ArchiveProgressDialog::operator()(int done, int total)
{
    // A short run finishes without a dialog flashing past; a run with
    // thousands of bookings to go through shows it at its first report.
    if (!m_dialog && (m_clock.elapsed() >= m_showAfterMs || total >= kArchiveStretchRows)) {
        m_dialog = std::make_unique<QProgressDialog>(QStringLiteral("Archiving past bookings…"),
                                                     QStringLiteral("Cancel"), 0, total);
        m_dialog->setObjectName(QStringLiteral("ArchiveProgress"));
        m_dialog->setWindowTitle(QStringLiteral("Archiving"));
        m_dialog->setWindowModality(Qt::ApplicationModal);
        m_dialog->setMinimumDuration(0);
        m_dialog->show();
    }
    if (!m_dialog)
        return true;
    m_dialog->setMaximum(total);
    m_dialog->setValue(done);
    m_dialog->setLabelText(
        QStringLiteral("Archiving past bookings… %L1 of %L2 bookings gone through")
            .arg(done)
            .arg(total));
    // The run holds the event loop: the dialog paints and hears Cancel here.
    QApplication::processEvents();
    return !m_dialog->wasCanceled();
}

} // namespace vestra
