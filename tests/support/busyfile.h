#pragma once
// Another workstation in the middle of a write: a connection of its own holds
// the file's exclusive lock (or, reading, keeps a read transaction open:
// writers may prepare, not commit), and the program gives up waiting after
// waitMs instead of the busy timeout. Both are undone when the lock goes.

#include "db/database.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUuid>

namespace vestra::test {

class BusyFile {
public:
    enum class Lock { Write, Read };
    explicit BusyFile(const QString& path, Lock lock = Lock::Write, int waitMs = 50)
        : m_path(path),
          m_name(QStringLiteral("other-workstation|") + QUuid::createUuid().toString())
    {
        {
            QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
            other.setDatabaseName(path);
            other.open();
            QSqlQuery q(other);
            if (lock == Lock::Write) {
                q.exec(QStringLiteral("BEGIN EXCLUSIVE"));
            } else {
                q.exec(QStringLiteral("BEGIN"));
                q.exec(QStringLiteral("SELECT count(*) FROM Booking"));
                q.next();
            }
        }
        SetBusyTimeout(waitMs);
    }
    ~BusyFile()
    {
        {
            QSqlDatabase other = QSqlDatabase::database(m_name, false);
            QSqlQuery(other).exec(QStringLiteral("ROLLBACK"));
            other.close();
        }
        QSqlDatabase::removeDatabase(m_name);
        SetBusyTimeout(kBusyTimeoutMs);
    }
    BusyFile(const BusyFile&) = delete;
    BusyFile& operator=(const BusyFile&) = delete;

private:
    QString m_path;
    QString m_name;
};

} // namespace vestra::test
