#include "session/storewatcher.h"

#include "session/session.h"

namespace vestra {

StoreWatcher& StoreWatcher::instance()
{
    static StoreWatcher watcher;
    return watcher;
}

StoreWatcher::StoreWatcher()
{
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &StoreWatcher::check);
}

void StoreWatcher::start()
{
    if (!m_timer.isActive())
        m_timer.start();
    // What a view has just read is the state later changes are told against.
    if (session().BookingFilePath != m_store)
        check();
}

void StoreWatcher::announce(const QSet<int>& days)
{
    QMetaObject::invokeMethod(
        this, [this, days] { emit bookingsChanged(days, true); }, Qt::QueuedConnection);
}

void StoreWatcher::check()
{
    const QString store = session().BookingFilePath;
    if (store != m_store) {
        m_store = store;
        m_mark = QVariant();
    }
    if (store.isEmpty())
        return;
    Database db = Database::open(store);
    if (!db.isValid())
        return;
    const QString mark = dialect::changeMark(db.engine());
    if (mark.isEmpty()) {
        // A connection made anew (after the server went away, or for another
        // store) listens again.
        QSqlDriver* driver = db.handle().driver();
        const QString channel = QString::fromLatin1(dialect::kBookingChannel);
        if (!driver->subscribedToNotifications().contains(channel)) {
            driver->subscribeToNotification(channel);
            connect(driver, &QSqlDriver::notification, this, &StoreWatcher::notified,
                    Qt::UniqueConnection);
        }
        return;
    }
    const QVariant now = db.scalar(mark);
    if (!now.isValid())
        return;
    const bool changed = m_mark.isValid() && now != m_mark;
    m_mark = now;
    if (changed)
        emit bookingsChanged({});
}

void StoreWatcher::notified(const QString& name, QSqlDriver::NotificationSource source,
                            const QVariant& payload)
{
    // This workstation's own writes are shown by the window that made them.
    if (name != QLatin1String(dialect::kBookingChannel) || source == QSqlDriver::SelfSource)
        return;
    // Many workstations storing at once send notices faster than a view
    // reads the store: those that arrived together are told as one change.
    const QSet<int> days = DaysOfNotice(payload.toString());
    m_anyDay = m_anyDay || days.isEmpty();
    m_days.unite(days);
    if (m_telling)
        return;
    m_telling = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            const QSet<int> changed = m_anyDay ? QSet<int>() : m_days;
            m_days.clear();
            m_anyDay = false;
            m_telling = false;
            emit bookingsChanged(changed);
        },
        Qt::QueuedConnection);
}

QSet<int> DaysOfNotice(const QString& payload)
{
    QSet<int> days;
    for (const QString& part : payload.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const int day = part.trimmed().toInt(&ok);
        if (!ok)
            return {};
        days.insert(day);
    }
    return days;
}

} // namespace vestra
