#include "widgets/progresswindow.h"

#include <QApplication>

namespace vestra {

ProgressWindow::ProgressWindow(ProgressTexts texts, int bigRun, int showAfterMs)
    : m_texts(std::move(texts)), m_bigRun(bigRun), m_showAfterMs(showAfterMs)
{
    m_clock.start();
}

bool ProgressWindow::operator()(int done, int total)
{
    if (!m_dialog && (total >= m_bigRun || m_clock.elapsed() >= m_showAfterMs)) {
        m_dialog =
            std::make_unique<QProgressDialog>(m_texts.doing, QStringLiteral("Cancel"), 0, total);
        m_dialog->setObjectName(m_texts.objectName);
        m_dialog->setWindowTitle(m_texts.title);
        m_dialog->setWindowModality(Qt::ApplicationModal);
        m_dialog->setMinimumDuration(0);
        m_dialog->show();
    }
    if (!m_dialog)
        return true;
    m_dialog->setMaximum(total);
    m_dialog->setValue(done);
    QString label = m_texts.doing + QStringLiteral(" %L1 of %L2").arg(done).arg(total);
    if (!m_texts.counted.isEmpty())
        label += u' ' + m_texts.counted;
    m_dialog->setLabelText(label);
    // The run holds the event loop: the window paints and hears Cancel here.
    QApplication::processEvents();
    return !m_dialog->wasCanceled();
}

} // namespace vestra
