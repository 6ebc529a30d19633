#include "panel/panelfeed.h"

#include "data/dates.h"
#include "session/session.h"
#include "session/storewatcher.h"

namespace vestra {

PanelFeed::PanelFeed(const QString& store, Items items, Clock clock, QObject* parent)
    : QObject(parent), m_store(store), m_items(std::move(items)),
      m_clock(clock ? std::move(clock) : Clock([] { return QDateTime::currentDateTime(); }))
{
    m_poll.setInterval(10000);
    connect(&m_poll, &QTimer::timeout, this, &PanelFeed::refresh);
    // The day is looked at every second, so midnight brings the new day's bookings at once.
    m_clockTimer.setInterval(1000);
    connect(&m_clockTimer, &QTimer::timeout, this, &PanelFeed::tick);
}

void PanelFeed::setPollInterval(int milliseconds)
{
    m_poll.setInterval(milliseconds);
}

PanelMoment PanelFeed::moment() const
{
    const QDateTime t = now();
    return {DayNumber(t.date()), MinutesOfDay(t.time())};
}

void PanelFeed::start()
{
    // The store watcher follows the session's store.
    session().BookingFilePath = m_store;
    connect(&StoreWatcher::instance(), &StoreWatcher::bookingsChanged, this, &PanelFeed::refresh,
            Qt::UniqueConnection);
    StoreWatcher::instance().start();
    m_poll.start();
    m_clockTimer.start();
    refresh();
}

void PanelFeed::tick()
{
    if (m_snapshot && moment().day != m_snapshotDay)
        refresh();
}

void PanelFeed::refresh()
{
    const int today = moment().day;
    Database db = Database::open(m_store);
    QString error;
    const QList<int> items = db.isValid() ? m_items(db, &error) : QList<int>();
    std::optional<PanelSnapshot> snap;
    if (!items.isEmpty())
        snap = ReadPanelSnapshot(db, items, today, &error);
    if (!snap && error.isEmpty())
        error = db.lastError().isEmpty() ? QStringLiteral("The booking store cannot be opened.")
                                         : db.lastError();
    if (snap) {
        m_snapshot = std::move(snap);
        m_snapshotDay = today;
        m_lastRead = now();
        m_stale = false;
        m_error.clear();
    } else {
        m_stale = true;
        m_error = error;
    }
    emit updated();
}

QString NotUpdatedText(const QDateTime& lastRead, const QDateTime& now)
{
    if (!lastRead.isValid())
        return QStringLiteral("Not updated yet");
    const QString time = lastRead.time().toString(QStringLiteral("HH:mm"));
    return QStringLiteral("Not updated since ")
           + (lastRead.date() == now.date()
                  ? time
                  : lastRead.date().toString(QStringLiteral("dd-MM-yyyy ")) + time);
}

} // namespace vestra
