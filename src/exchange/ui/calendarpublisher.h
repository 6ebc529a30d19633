#pragma once
// Keeps the published calendars of the session's booking store up to date:
// once the store is open, and again within seconds of every change to its
// bookings, items or types, by this workstation or another.

#include <QObject>
#include <QTimer>
#include <QVariant>

namespace vestra {

class Database;

// What changes whenever a booking, an item or a type is added, changed or
// deleted (each change raises a row's counter), or the institution's time
// zone changes; read only while publishing.
QVariant PublishMark(Database& bookingFile);

class CalendarPublisher : public QObject {
    Q_OBJECT
public:
    static CalendarPublisher& instance();
    void start();
    // Looks at the store now and publishes when it changed since last time
    // or its folder was newly set; the timer calls it.
    void check();

private:
    CalendarPublisher();

    QTimer m_timer;
    QString m_store;
    QString m_folder;
    QVariant m_mark;
    QString m_lastError; // said once, not on every try
};

} // namespace vestra
