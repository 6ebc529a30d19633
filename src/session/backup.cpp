#include "session/backup.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace vestra {

namespace {
// The daily backups of file in folder, oldest first (their names sort by time).
QStringList backupsIn(const QString& file, const QString& folder)
{
    const QString base = QFileInfo(file).completeBaseName();
    const QRegularExpression stamped(
        QStringLiteral("^%1-\\d{8}-\\d{6}\\.mdb$").arg(QRegularExpression::escape(base)));
    QStringList out;
    for (const QString& name :
         QDir(folder).entryList({base + QStringLiteral("-*.mdb")}, QDir::Files, QDir::Name))
        if (stamped.match(name).hasMatch())
            out << QDir(folder).filePath(name);
    return out;
}
} // namespace

std::optional<BackupSettings> ReadBackupSettings(Database& db)
{
    auto q = db.query(
        QStringLiteral("SELECT backupfolder, backupkeep FROM institutionsoplysninger LIMIT 1"));
    if (!q)
        return std::nullopt;
    BackupSettings settings;
    if (q->next()) {
        settings.folder = q->value(0).toString().trimmed();
        bool number = false;
        const int keep = q->value(1).toInt(&number);
        settings.keep = number && keep > 0 ? keep : kDefaultBackupsKept;
    }
    return settings;
}

QString BackupPath(const QString& file, const QString& folder, const QDateTime& when)
{
    return QDir(folder).filePath(QStringLiteral("%1-%2.mdb")
                                     .arg(QFileInfo(file).completeBaseName(),
                                          when.toString(QStringLiteral("yyyyMMdd-HHmmss"))));
}

BackupResult TakeDailyBackup(const QString& file, const BackupSettings& settings,
                             const QDateTime& now)
{
    BackupResult r;
    if (!QFileInfo(settings.folder).isDir()) {
        r.error = QStringLiteral("the folder does not exist");
        return r;
    }
    r.path = BackupPath(file, settings.folder, now);
    if (!Database::backupFile(file, r.path, &r.error))
        return r;
    r.taken = true;
    QStringList kept = backupsIn(file, settings.folder);
    while (kept.size() > settings.keep)
        QFile::remove(kept.takeFirst());
    return r;
}

QString BackupFailedText(const QString& folder, const BackupResult& result)
{
    return QStringLiteral("The daily backup of the booking file to the folder %1 failed: %2.\nThe "
                          "booking file itself is unharmed; ask the person who looks after your "
                          "computers to check the backup folder (Options, Archive).")
        .arg(QDir::toNativeSeparators(folder), result.error);
}

QString LatestBackup(const QString& path)
{
    QStringList candidates;
    Database::probeReadOnly(path, [&](Database& db) {
        if (const auto settings = ReadBackupSettings(db); settings && !settings->folder.isEmpty())
            candidates = backupsIn(path, settings->folder);
        return true;
    });
    // The copies an upgrade leaves beside the file.
    const QFileInfo fi(path);
    for (const QString& name :
         fi.dir().entryList({fi.fileName() + QStringLiteral(".bak-v*")}, QDir::Files))
        candidates << fi.dir().filePath(name);
    QString latest;
    QDateTime newest;
    for (const QString& candidate : candidates) {
        const QDateTime when = QFileInfo(candidate).lastModified();
        if (latest.isEmpty() || when > newest) {
            latest = candidate;
            newest = when;
        }
    }
    return latest;
}

} // namespace vestra
