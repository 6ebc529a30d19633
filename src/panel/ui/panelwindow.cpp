#include "panel/ui/panelwindow.h"

#include "data/audit.h"
#include "panel/ui/itemview.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace vestra {

PanelWindow::PanelWindow(PanelFeed* feed, const QString& store, const QString& walkIn,
                         QWidget* parent)
    : KioskWindow(feed, store, parent), m_walkIn(walkIn)
{
    setObjectName(QStringLiteral("panel"));
    setWindowTitle(QStringLiteral("Vestra - Panel"));
    m_columns = new QHBoxLayout;
    m_columns->setSpacing(24);
    body()->addLayout(m_columns, 1);
}

void PanelWindow::showState()
{
    const std::optional<PanelSnapshot>& snap = feed()->snapshot();
    if (!snap)
        return; // nothing read yet: the banner says so, and no item claims to be free
    while (m_views.size() < snap->items.size()) {
        auto* view = new ItemView(this);
        connect(view, &ItemView::bookRequested, this, &PanelWindow::book);
        m_columns->addWidget(view, 1);
        view->show();
        m_views << view;
    }
    while (m_views.size() > snap->items.size())
        delete m_views.takeLast();
    const PanelMoment now = feed()->moment();
    if (m_messageUntil.isValid() && feed()->now() >= m_messageUntil)
        m_message.clear();
    for (int i = 0; i < m_views.size(); ++i) {
        const PanelItemData& data = snap->items[i];
        // Nothing is booked on a picture that may be out of date.
        const QList<int> lengths =
            !m_walkIn.isEmpty() && !feed()->stale() ? WalkInLengths(data, now) : QList<int>();
        m_views[i]->setScreenHeight(height());
        m_views[i]->showItem(data, ComputeItemState(data, now), now, lengths,
                             data.item == m_messageItem ? m_message : QString());
    }
}

void PanelWindow::book(int item, int minutes)
{
    const std::optional<PanelSnapshot>& snap = feed()->snapshot();
    if (m_walkIn.isEmpty() || !snap || feed()->stale())
        return;
    const auto data = std::find_if(snap->items.begin(), snap->items.end(),
                                   [item](const PanelItemData& d) { return d.item == item; });
    const PanelMoment now = feed()->moment();
    // A second tap before the panel shows the first one's booking finds the
    // time taken, here or in the store.
    if (data == snap->items.end() || !WalkInLengths(*data, now).contains(minutes))
        return;
    Database db = Database::open(store());
    QString error;
    const std::optional<WalkInAccount> account = FindWalkInAccount(db, m_walkIn, &error);
    WalkInResult r{WalkInStatus::Failed, 0, error};
    if (account) {
        SetAuditAccount(account->name);
        r = BookWalkIn(db, item, *account, now.day, WalkInStart(*data, now), minutes);
    }
    switch (r.status) {
    case WalkInStatus::Stored:
        m_message = QStringLiteral("Booked for %1 minutes.").arg(minutes);
        break;
    case WalkInStatus::Taken:
        m_message = QStringLiteral("Not booked: the time was booked meanwhile.");
        break;
    case WalkInStatus::Gone:
        m_message = QStringLiteral("Not booked: the item no longer exists.");
        break;
    case WalkInStatus::Failed:
        m_message = QStringLiteral("Not booked: ") + r.error;
        break;
    }
    m_messageItem = item;
    m_messageUntil = feed()->now().addSecs(15);
    // The booking, or the one that came first, shows at once.
    feed()->refresh();
}

} // namespace vestra
