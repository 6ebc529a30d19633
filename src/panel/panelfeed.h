#pragma once
// Keeps a panel's picture of the store current: it reads again when the
// store watcher says bookings changed (within 2 s of another workstation's
// write), when the day changes, and every few seconds besides, which is how
// a store that went away is noticed and found again. A read that fails keeps
// the last picture and says since when it has not been updated.

#include "panel/panelstore.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>
#include <functional>

namespace vestra {

class PanelFeed : public QObject {
    Q_OBJECT
public:
    using Clock = std::function<QDateTime()>;
    // The item numbers to show, found anew at each read (a board shows an
    // item added to its type); empty with error when they cannot be found.
    using Items = std::function<QList<int>(Database& db, QString* error)>;
    // clock: the local time now; the system's when not given.
    PanelFeed(const QString& store, Items items, Clock clock = {}, QObject* parent = nullptr);

    // Reads once and follows the store from then on.
    void start();
    // Reads the store now.
    void refresh();
    // How often the store is read without being told of a change.
    void setPollInterval(int milliseconds);

    QDateTime now() const { return m_clock(); }
    PanelMoment moment() const;
    // The last picture read; nullopt before the first read that worked.
    const std::optional<PanelSnapshot>& snapshot() const { return m_snapshot; }
    // The time of the last read that worked, and whether a later one failed.
    QDateTime lastRead() const { return m_lastRead; }
    bool stale() const { return m_stale; }
    QString error() const { return m_error; }

signals:
    // After every read, whether it worked or not.
    void updated();

private:
    void tick();

    QString m_store;
    Items m_items;
    Clock m_clock;
    QTimer m_poll;
    QTimer m_clockTimer;
    std::optional<PanelSnapshot> m_snapshot;
    int m_snapshotDay = 0;
    QDateTime m_lastRead;
    bool m_stale = false;
    QString m_error;
};

// "Not updated since 14:05" (a date before the time when it was another day).
QString NotUpdatedText(const QDateTime& lastRead, const QDateTime& now);

} // namespace vestra
