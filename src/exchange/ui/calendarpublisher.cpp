#include "exchange/ui/calendarpublisher.h"

#include "exchange/calendar.h"
#include "exchange/ui/exportactions.h"
#include "services/messages.h"
#include "session/session.h"

namespace vestra {

QVariant PublishMark(Database& db)
{
    // Counts catch inserts and deletes, the counter sums every update; a
    // new time zone moves every booking's times.
    return db.scalar(QStringLiteral(
        "SELECT (SELECT count(*) || ':' || coalesce(max(Bookingnr), 0) || ':' "
        "|| coalesce(sum(rowversion), 0) FROM Booking) || '/' "
        "|| (SELECT count(*) || ':' || coalesce(sum(rowversion), 0) FROM lokale) || '/' "
        "|| (SELECT count(*) FROM lokaliteter) || '/' "
        "|| (SELECT coalesce(max(timezone), '') FROM institutionsoplysninger)"));
}

CalendarPublisher& CalendarPublisher::instance()
{
    static CalendarPublisher publisher;
    return publisher;
}

CalendarPublisher::CalendarPublisher()
{
    m_timer.setInterval(2000);
    connect(&m_timer, &QTimer::timeout, this, &CalendarPublisher::check);
}

void CalendarPublisher::start()
{
    if (!m_timer.isActive())
        m_timer.start();
    check();
}

void CalendarPublisher::check()
{
    const QString store = session().BookingFilePath;
    if (store.isEmpty())
        return;
    Database db = Database::open(store);
    if (!db.isValid())
        return;
    const QString folder = ReadExchangeSettings(db).publishFolder;
    if (store != m_store || folder != m_folder) {
        m_store = store;
        m_folder = folder;
        m_mark = QVariant();
        m_lastError.clear();
    }
    if (folder.isEmpty())
        return;
    const QVariant mark = PublishMark(db);
    if (!mark.isValid() || mark == m_mark)
        return;
    QString error;
    if (!PublishCalendars(db, folder, &error)) {
        // Tried again on the next tick; the user hears of each new trouble once.
        if (error != m_lastError)
            showMessage(QStringLiteral("The calendars could not be published:\n") + error,
                        QStringLiteral("Publish Calendars"), MsgIcon::Warning);
        m_lastError = error;
        return;
    }
    m_mark = mark;
    m_lastError.clear();
}

} // namespace vestra
