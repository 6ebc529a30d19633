#pragma once
// Tells the open views of this workstation when another one changed the
// bookings of the session's store, so that they show it without the user
// doing anything. A file is asked about once a second whether another
// connection wrote it; a server announces the days whose bookings changed.

#include <QObject>
#include <QSet>
#include <QSqlDriver>
#include <QTimer>
#include <QVariant>

namespace vestra {

class StoreWatcher : public QObject {
    Q_OBJECT
public:
    static StoreWatcher& instance();

    // Starts watching; views call it whenever they have read the store, so
    // that a store not watched before is watched from what they show.
    void start();
    // Looks at the store now: follows the session to another store, and on a
    // file compares its change mark. The timer calls it every second.
    void check();
    // A window of this workstation changed bookings: the views show it as a
    // change from elsewhere, since a file's own connection sees no change
    // mark. Queued: the writer may be inside a view's own edit.
    void announce(const QSet<int>& days);

signals:
    // days: the day numbers whose bookings changed; empty when any day may
    // have (a file tells only that it was written). here: a window of this
    // workstation made the change.
    void bookingsChanged(const QSet<int>& days, bool here = false);

private:
    StoreWatcher();
    void notified(const QString& name, QSqlDriver::NotificationSource source,
                  const QVariant& payload);

    QTimer m_timer;
    QString m_store;
    QVariant m_mark;
    // Notices not yet told: their days, or any day.
    QSet<int> m_days;
    bool m_anyDay = false;
    bool m_telling = false;
};

// The days a server's notice names; empty (any day) when it names none.
QSet<int> DaysOfNotice(const QString& payload);

} // namespace vestra
