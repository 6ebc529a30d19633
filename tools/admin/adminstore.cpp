#include "adminstore.h"

#include "data/helpers.h"
#include "data/migrations.h"
#include "data/schema.h"
#include "platform/db/database.h"

#include <QFile>
#include <QFileInfo>

namespace vestra::admin {

namespace {

const QString kUsage = QStringLiteral("usage: vestra-admin create|check|upgrade ADDRESS");

CommandResult refused(const QString& reason, int exitCode = 1)
{
    return {exitCode, {}, reason};
}

// A store that exists and holds a booking store of a version this program
// knows; otherwise the reason it cannot be worked on.
std::optional<QString> unusableFile(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return QStringLiteral("%1: no such file").arg(path);
    if (!Database::storedSchemaVersion(path))
        return QStringLiteral("%1: not a booking store").arg(path);
    int version = 0;
    if (IsNewerFile(path, BookingFileSteps(), &version))
        return QStringLiteral("%1: schema version %2 is newer than this vestra-admin knows (%3)")
            .arg(path)
            .arg(version)
            .arg(LatestVersion(BookingFileSteps()));
    if (!IsBookingFile(path))
        return QStringLiteral("%1: not a booking store").arg(path);
    return std::nullopt;
}

QString quotedName(QString name)
{
    return QLatin1Char('"') + name.replace(QLatin1Char('"'), QStringLiteral("\"\""))
           + QLatin1Char('"');
}

} // namespace

std::optional<StoreAddress> ParseAddress(const QString& text, QString* error)
{
    if (text.isEmpty()) {
        *error = QStringLiteral("no address given");
        return std::nullopt;
    }
    if (text.startsWith(QStringLiteral("postgresql://"), Qt::CaseInsensitive)
        || text.startsWith(QStringLiteral("postgres://"), Qt::CaseInsensitive)) {
        *error = QStringLiteral("%1: server addresses are not supported yet").arg(text);
        return std::nullopt;
    }
    return StoreAddress{StoreAddress::Kind::File, text};
}

CommandResult CreateStore(const StoreAddress& address, const QString& templatePath)
{
    const QString target = address.path;
    if (QFileInfo::exists(target))
        return refused(QStringLiteral("%1: target exists").arg(target));
    // Written beside the target and renamed into place, so that a failure
    // leaves no half-made booking store under its name.
    const QString partial = target + QStringLiteral(".new");
    QFile::remove(partial);
    if (!QFileInfo(templatePath).isFile())
        return refused(QStringLiteral("%1: not created: the template %2 is missing")
                           .arg(target, templatePath));
    const bool made = QFile::copy(templatePath, partial);
    if (made)
        QFile::setPermissions(partial, QFile::permissions(partial) | QFileDevice::WriteOwner
                                           | QFileDevice::ReadOwner);
    if (!made || !QFile::rename(partial, target)) {
        QFile::remove(partial);
        return refused(QStringLiteral("%1: not created: cannot write %2").arg(target, partial));
    }
    return {0,
            {QStringLiteral("created %1 (schema version %2)")
                 .arg(target)
                 .arg(Database::storedSchemaVersion(target).value_or(-1))},
            {}};
}

CommandResult CheckStore(const StoreAddress& address)
{
    const QString path = address.path;
    if (auto reason = unusableFile(path))
        return refused(*reason);
    const int version = *Database::storedSchemaVersion(path);
    const int latest = LatestVersion(BookingFileSteps());
    CommandResult result;
    result.lines << (version == latest
                         ? QStringLiteral("schema version %1 (current)").arg(version)
                         : QStringLiteral("schema version %1 (older than %2: run vestra-admin "
                                          "upgrade)")
                               .arg(version)
                               .arg(latest));
    QStringList problems;
    bool read = Database::probeReadOnly(path, [&](Database& db) {
        auto integrity = db.query(QStringLiteral("PRAGMA integrity_check"));
        if (!integrity)
            return false;
        while (integrity->next())
            problems << integrity->value(0).toString();
        auto tables = db.query(QStringLiteral("SELECT name FROM sqlite_master WHERE type = "
                                              "'table' AND name NOT LIKE 'sqlite!_%' ESCAPE '!' "
                                              "ORDER BY name"));
        if (!tables)
            return false;
        QStringList names;
        while (tables->next())
            names << tables->value(0).toString();
        for (const QString& name : names) {
            const QVariant rows =
                db.scalar(QStringLiteral("SELECT count(*) FROM ") + quotedName(name));
            if (!rows.isValid())
                return false;
            result.lines << QStringLiteral("rows %1 %2").arg(name).arg(rows.toLongLong());
        }
        return true;
    });
    if (!read)
        return refused(QStringLiteral("%1: cannot be read").arg(path));
    const bool intact = problems == QStringList{QStringLiteral("ok")};
    result.lines.insert(1, intact ? QStringLiteral("integrity ok")
                                  : QStringLiteral("integrity FAILED: ")
                                        + problems.join(QStringLiteral("; ")));
    if (!intact) {
        result.exitCode = 1;
        result.error = QStringLiteral("%1: integrity check failed").arg(path);
    }
    return result;
}

CommandResult UpgradeStore(const StoreAddress& address)
{
    const QString path = address.path;
    if (auto reason = unusableFile(path))
        return refused(*reason);
    const MigrationReport m = MigrateFile(path, BookingFileSteps());
    Database::closeAll(path);
    switch (m.outcome) {
    case MigrationOutcome::Current:
        return {0,
                {QStringLiteral("%1 is already at schema version %2").arg(path).arg(m.toVersion)},
                {}};
    case MigrationOutcome::Upgraded: {
        CommandResult r{0,
                        {QStringLiteral("upgraded %1 from schema version %2 to %3")
                             .arg(path)
                             .arg(m.fromVersion)
                             .arg(m.toVersion)},
                        {}};
        if (!m.backupPath.isEmpty())
            r.lines << QStringLiteral("backup %1").arg(m.backupPath);
        return r;
    }
    case MigrationOutcome::Newer:
        return refused(QStringLiteral("%1: schema version %2 is newer than this vestra-admin "
                                      "knows (%3)")
                           .arg(path)
                           .arg(m.fromVersion)
                           .arg(m.supportedVersion));
    case MigrationOutcome::Failed:
        break;
    }
    return refused(QStringLiteral("%1: upgrade failed at schema version %2: %3")
                       .arg(path)
                       .arg(m.toVersion)
                       .arg(QString(m.error).replace(QLatin1Char('\n'), QLatin1Char(' '))));
}

CommandResult RunCommand(const QStringList& arguments, const QString& templatePath)
{
    if (arguments.size() != 2)
        return refused(kUsage, 2);
    const QString& command = arguments[0];
    QString error;
    const auto address = ParseAddress(arguments[1], &error);
    if (command == QStringLiteral("create"))
        return address ? CreateStore(*address, templatePath) : refused(error);
    if (command == QStringLiteral("check"))
        return address ? CheckStore(*address) : refused(error);
    if (command == QStringLiteral("upgrade"))
        return address ? UpgradeStore(*address) : refused(error);
    return refused(QStringLiteral("unknown command %1; %2").arg(command, kUsage), 2);
}

} // namespace vestra::admin
