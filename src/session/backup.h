#pragma once
// Backups of a booking file: the daily run copies the file into a folder the
// institution chooses ("Daily backup to folder") and keeps the latest few;
// the latest is the one named when the file is found damaged.

#include "db/database.h"

#include <QDateTime>
#include <QString>
#include <optional>

namespace vestra {

inline constexpr int kDefaultBackupsKept = 14;

struct BackupSettings {
    QString folder; // empty: no daily backup
    int keep = kDefaultBackupsKept;
};
// The store's settings; nullopt when they cannot be read.
std::optional<BackupSettings> ReadBackupSettings(Database& bookingFile);

// Where a backup of the file taken at when goes: "<name>-yyyyMMdd-HHmmss.mdb" in folder.
QString BackupPath(const QString& file, const QString& folder, const QDateTime& when);

struct BackupResult {
    bool taken = false;
    QString path;
    QString error; // why none was taken
};
// Copies the booking file into the settings' folder (online, while others
// work) and removes the oldest of its backups there beyond the number kept.
BackupResult TakeDailyBackup(const QString& file, const BackupSettings& settings,
                             const QDateTime& now);
// What the front desk reads when the daily backup failed.
QString BackupFailedText(const QString& folder, const BackupResult& result);

// The newest backup of the booking file at path: one of the daily backups,
// or the copy made beside it before its last upgrade. Empty when there is none.
QString LatestBackup(const QString& path);

} // namespace vestra
