#include "series/alternativeswindow.h"

#include "report/listcontrol.h"
#include "series/candidates.h"
#include "series/serieswindows.h"
#include "services/messages.h"
#include "session/session.h"
#include "widgets/windowregistry.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace vestra {

AlternativesWindow::AlternativesWindow(int candidateId, std::function<void()> applied,
                                       QWidget* parent)
    : QWidget(parent, Qt::Window), m_candidate(candidateId), m_applied(std::move(applied))
{
    setWindowTitle(QStringLiteral("Alternative Resources"));

    m_list = new ListControl(this);
    m_list->setObjectName(QStringLiteral("AltList"));
    m_list->setAccessibleName(QStringLiteral("Alternative resources"));
    m_list->setColumns({{QStringLiteral("Alternative Resource"), 180}});
    m_list->setRootIsDecorated(false);

    auto* apply = new QPushButton(QStringLiteral("Apply Alternative"), this);
    apply->setObjectName(QStringLiteral("apply"));
    apply->setDefault(true);
    auto* exit = new QPushButton(QStringLiteral("Exit"), this);
    exit->setObjectName(QStringLiteral("luk"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(apply);
    buttons->addStretch();
    buttons->addWidget(exit);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);

    connect(apply, &QPushButton::clicked, this, &AlternativesWindow::Apply);
    connect(exit, &QPushButton::clicked, this, &QWidget::close);
    connect(m_list, &ListControl::rowActivated, this, [this] { Apply(); });

    // The search has filled andetlokalt; the window shows it in its order.
    Database work = WorkDatabase();
    for (const Alternative& a : LoadAlternatives(work, ListControl::kMaxFillRows))
        m_list->addRow({a.name}, a.item);
    m_list->fitColumns();
    resize(std::max(260, m_list->columnsWidth() + 24), 320);
    m_list->setFocus();
}

void AlternativesWindow::Apply()
{
    const QVariant item = m_list->selectedData();
    if (!item.isValid()) {
        showMessage(QStringLiteral("Select Alternative"), QStringLiteral("Service Message"));
        return;
    }
    Database work = WorkDatabase();
    if (!ApplyAlternative(work, m_candidate, item.toInt())) {
        showMessage(QStringLiteral("The date could not be moved:\n") + work.lastError(),
                    QStringLiteral("Error"), MsgIcon::Critical);
        return;
    }
    // Close first: the caller's reload may open or close windows of its own.
    const auto applied = m_applied;
    close();
    if (applied)
        applied();
}

AlternativesWindow* FindAlternativeFor(ListControl* candidates, int templateItem,
                                       const QString& windowName, QWidget* caller,
                                       std::function<void()> applied)
{
    const QVariant id = candidates->selectedData();
    if (!id.isValid()) {
        showMessage(QStringLiteral("Select a booking."), QStringLiteral("Service Message"));
        return nullptr;
    }
    Database work = WorkDatabase();
    Database db = BookingFile();
    // An item left out because the file could not answer is not free: the
    // user tries again rather than choosing from a short list.
    bool unchecked = false;
    FindAlternatives(work, db, id.toInt(), templateItem, &unchecked);
    if (unchecked) {
        ShowBookingFileBusy();
        return nullptr;
    }

    auto& windows = WindowRegistry::instance();
    // A window left from another candidate would move the wrong one.
    if (QWidget* old = windows.find(windowName))
        windows.unload(old);
    auto* w = windows.obtain<AlternativesWindow>(
        windowName, [&] { return new AlternativesWindow(id.toInt(), std::move(applied), caller); });
    windows.show(w, ShowMode::Modal);
    return w;
}

} // namespace vestra
