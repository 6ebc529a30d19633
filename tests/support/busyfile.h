#pragma once
// Another workstation in the middle of a write: a connection of its own holds
// the file's exclusive lock, and the program gives up waiting after 50 ms
// instead of the busy timeout. Both are undone when the lock goes.

#include "platform/db/database.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUuid>

namespace vestra::test {

class BusyFile {
public:
    explicit BusyFile(const QString& path)
        : m_path(path),
          m_name(QStringLiteral("other-workstation|") + QUuid::createUuid().toString())
    {
        {
            QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
            other.setDatabaseName(path);
            other.open();
            QSqlQuery(other).exec(QStringLiteral("BEGIN EXCLUSIVE"));
        }
        SetBusyTimeout(50);
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
