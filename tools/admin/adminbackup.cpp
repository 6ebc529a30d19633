#include "adminbackup.h"

#include "data/helpers.h"
#include "data/migrations.h"
#include "db/database.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

#include <cstdio>

namespace vestra::admin {

namespace {

CommandResult refused(const QString& reason)
{
    return {1, {}, reason};
}

QString oneLine(QString text)
{
    return text.replace(QLatin1Char('\n'), QLatin1Char(' ')).simplified();
}

// Runs a PostgreSQL client program; its output, or nullopt and its complaint.
std::optional<QByteArray> runClient(const QString& program, const QStringList& arguments,
                                    QString* why)
{
    QProcess p;
    p.start(program, arguments);
    const bool finished = p.waitForFinished(-1);
    if (!finished || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        *why =
            oneLine(finished ? QString::fromLocal8Bit(p.readAllStandardError()) : p.errorString());
        return std::nullopt;
    }
    return p.readAllStandardOutput();
}

// The problems PRAGMA integrity_check finds in a database file; {"ok"} when none.
QStringList integrityProblems(const QString& path)
{
    QStringList problems{QStringLiteral("cannot be read")};
    Database::probeReadOnly(path, [&](Database& db) {
        auto q = db.query(QStringLiteral("PRAGMA integrity_check"));
        if (!q)
            return false;
        problems.clear();
        while (q->next())
            problems << q->value(0).toString();
        return true;
    });
    return problems;
}

// The processes of this computer that have the file open, by program name.
// Workstations on other computers cannot be seen from here.
QStringList processesWithOpen(const QString& path)
{
    const QString target = QFileInfo(path).canonicalFilePath();
    QStringList found;
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        if (pid.toLongLong() <= 0 || pid.toLongLong() == QCoreApplication::applicationPid())
            continue;
        const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
        for (const QFileInfo& fd : fds.entryInfoList(QDir::Files | QDir::System)) {
            if (fd.symLinkTarget() == target) {
                QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
                const QString name = comm.open(QIODevice::ReadOnly)
                                         ? QString::fromUtf8(comm.readAll()).trimmed()
                                         : QString();
                found << QStringLiteral("%1 (%2)").arg(name, pid);
                break;
            }
        }
    }
    return found;
}

CommandResult backupFile(const QString& path, const QString& dest)
{
    if (const QString special = SpecialFileText(path); !special.isEmpty())
        return refused(special);
    if (!QFileInfo(path).isFile() || !IsBookingFile(path))
        return refused(QStringLiteral("%1: not a booking store").arg(path));
    QString error;
    if (!Database::backupFile(path, dest, &error))
        return refused(QStringLiteral("%1: backup failed: %2").arg(path, oneLine(error)));
    const QStringList problems = integrityProblems(dest);
    if (problems != QStringList{QStringLiteral("ok")}) {
        QFile::remove(dest);
        return refused(QStringLiteral("%1: the backup failed its integrity check (%2); the file "
                                      "itself may be damaged: run vestra-admin check")
                           .arg(path, problems.join(QStringLiteral("; "))));
    }
    return {0,
            {QStringLiteral("backup of %1 written to %2 (schema version %3, integrity ok)")
                 .arg(path, dest)
                 .arg(Database::storedSchemaVersion(dest).value_or(0))},
            {}};
}

CommandResult backupServer(const QString& address, const QString& dest)
{
    QString why;
    if (!runClient(QStringLiteral("pg_dump"),
                   {QStringLiteral("-Fc"), QStringLiteral("-f"), dest, QStringLiteral("-d"),
                    LibpqAddress(address)},
                   &why)) {
        QFile::remove(dest);
        return refused(QStringLiteral("%1: backup with pg_dump failed: %2").arg(address, why));
    }
    return {0, {QStringLiteral("backup of %1 written to %2").arg(address, dest)}, {}};
}

CommandResult restoreFile(const QString& backup, const QString& path, bool force)
{
    if (const QString special = SpecialFileText(backup); !special.isEmpty())
        return refused(special);
    const std::optional<int> version = Database::storedSchemaVersion(backup);
    const int latest = LatestVersion(BookingFileSteps());
    if (!version || !IsBookingFile(backup))
        return refused(QStringLiteral("%1: not a backup of a booking file").arg(backup));
    if (*version > latest)
        return refused(QStringLiteral("%1: schema version %2 is newer than this vestra-admin "
                                      "knows (%3)")
                           .arg(backup)
                           .arg(*version)
                           .arg(latest));
    if (const QStringList problems = integrityProblems(backup);
        problems != QStringList{QStringLiteral("ok")})
        return refused(QStringLiteral("%1: integrity check failed (%2); nothing restored")
                           .arg(backup, problems.join(QStringLiteral("; "))));
    const QString journal = path + QStringLiteral("-journal");
    if (QFileInfo::exists(path) && !force) {
        const QStringList users = processesWithOpen(path);
        if (!users.isEmpty() || QFileInfo::exists(journal))
            return refused(QStringLiteral("%1 is in use (%2); close the workstations that have "
                                          "it open, or restore with --force")
                               .arg(path, users.isEmpty() ? QStringLiteral("a write is under way")
                                                          : users.join(QStringLiteral(", "))));
    }
    // Made beside the store and renamed over it in one step: a workstation
    // sees the old file or the restored one, never half of either.
    const QString partial = path + QStringLiteral(".restore");
    QFile::remove(partial);
    QString error;
    if (!Database::backupFile(backup, partial, &error))
        return refused(QStringLiteral("%1: restore failed: %2").arg(path, oneLine(error)));
    // The journal of a write cut off belongs to the file being replaced.
    QFile::remove(journal);
    if (std::rename(QFile::encodeName(partial).constData(), QFile::encodeName(path).constData())
        != 0) {
        QFile::remove(partial);
        return refused(QStringLiteral("%1: restore failed: it could not be replaced").arg(path));
    }
    QStringList lines{
        QStringLiteral("restored %1 from %2 (schema version %3)").arg(path, backup).arg(*version)};
    if (*version < latest)
        lines
            << QStringLiteral("it is upgraded to version %1 when Vestra next opens it").arg(latest);
    return {0, lines, {}};
}

CommandResult restoreServer(const QString& backup, const QString& address, bool force)
{
    QFile f(backup);
    if (!f.open(QIODevice::ReadOnly) || f.read(5) != "PGDMP")
        return refused(
            QStringLiteral("%1: not a backup of a server database (pg_dump -Fc)").arg(backup));
    f.close();
    QString why;
    // The archive's table of contents is read whole: a damaged one fails here.
    const std::optional<QByteArray> contents =
        runClient(QStringLiteral("pg_restore"), {QStringLiteral("-l"), backup}, &why);
    if (!contents)
        return refused(QStringLiteral("%1: integrity check failed: %2").arg(backup, why));
    if (!QString::fromUtf8(*contents).contains(
            QRegularExpression(QStringLiteral("TABLE \\S+ booking "))))
        return refused(QStringLiteral("%1: not a backup of a booking store").arg(backup));
    const std::optional<QByteArray> versionRows =
        runClient(QStringLiteral("pg_restore"),
                  {QStringLiteral("--data-only"), QStringLiteral("--table=vestra_schema_version"),
                   QStringLiteral("-f"), QStringLiteral("-"), backup},
                  &why);
    int version = 0;
    if (versionRows) {
        const QRegularExpression copied(QStringLiteral("COPY [^\\n]*FROM stdin;\\n(\\d+)\\n"));
        if (const auto m = copied.match(QString::fromUtf8(*versionRows)); m.hasMatch())
            version = m.captured(1).toInt();
    }
    const int latest = LatestVersion(BookingFileSteps());
    if (version > latest)
        return refused(QStringLiteral("%1: schema version %2 is newer than this vestra-admin "
                                      "knows (%3)")
                           .arg(backup)
                           .arg(version)
                           .arg(latest));
    {
        Database db = Database::open(address);
        if (!db.isValid())
            return refused(
                QStringLiteral("%1: cannot connect: %2")
                    .arg(address, oneLine(ConnectionFailureText(address, db.lastError()))));
        // A workstation that has just closed its connection may still be
        // listed while its server process ends: such sessions get two seconds.
        QStringList users;
        for (int wait = 0; wait < 20; ++wait) {
            if (wait > 0)
                QThread::msleep(100);
            auto q = db.query(QStringLiteral(
                "SELECT coalesce(nullif(application_name, ''), usename) FROM pg_stat_activity "
                "WHERE datname = current_database() AND pid <> pg_backend_pid() ORDER BY 1"));
            if (!q)
                return refused(
                    QStringLiteral("%1: cannot be read: %2").arg(address, oneLine(db.lastError())));
            users.clear();
            while (q->next())
                users << q->value(0).toString();
            if (users.isEmpty() || force)
                break;
        }
        if (!users.isEmpty() && !force)
            return refused(QStringLiteral("%1 is in use (%2); close the workstations connected "
                                          "to it, or restore with --force")
                               .arg(address, users.join(QStringLiteral(", "))));
    }
    Database::closeAll(address);
    if (!runClient(QStringLiteral("pg_restore"),
                   {QStringLiteral("--clean"), QStringLiteral("--if-exists"),
                    QStringLiteral("--no-owner"), QStringLiteral("--single-transaction"),
                    QStringLiteral("-d"), LibpqAddress(address), backup},
                   &why))
        return refused(QStringLiteral("%1: restore with pg_restore failed, nothing changed: %2")
                           .arg(address, why));
    return {0,
            {QStringLiteral("restored %1 from %2 (schema version %3)")
                 .arg(address, backup)
                 .arg(version)},
            {}};
}

} // namespace

CommandResult BackupStore(const StoreAddress& address, const QString& dest)
{
    if (QFileInfo::exists(dest))
        return refused(
            QStringLiteral("%1 exists already; a backup never replaces a file").arg(dest));
    return address.kind == StoreAddress::Kind::Server ? backupServer(address.path, dest)
                                                      : backupFile(address.path, dest);
}

CommandResult RestoreStore(const QString& backup, const StoreAddress& address, bool force)
{
    if (!QFileInfo(backup).isFile())
        return refused(QStringLiteral("%1: no such file").arg(backup));
    return address.kind == StoreAddress::Kind::Server ? restoreServer(backup, address.path, force)
                                                      : restoreFile(backup, address.path, force);
}

} // namespace vestra::admin
