#include "session/connection.h"

#include "data/helpers.h"
#include "data/schema.h"
#include "platform/database.h"
#include "platform/filedialogs.h"
#include "platform/messages.h"
#include "session/session.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace vestra {

namespace {
const QString kFilter = QStringLiteral("Vestra booking files (*.mdb);;All files (*)");

// The dialogs start where the current booking file lies.
QString currentFolder()
{
    const QString path = session().BookingFilePath;
    return path.isEmpty() ? QString() : QFileInfo(path).absolutePath();
}
} // namespace

bool StoreBookingFilePath(const QString& path)
{
    Database work = WorkDatabase();
    Transaction tx(work);
    if (!tx.ok())
        return false;
    const QVariant rows = work.scalar(QStringLiteral("SELECT count(*) FROM stitabel"));
    const bool ok = rows.toInt() > 0
                        ? work.exec(QStringLiteral("UPDATE stitabel SET sti = ?"), {path})
                        : work.exec(QStringLiteral("INSERT INTO stitabel (sti) VALUES (?)"), {path});
    return ok && tx.commit();
}

QString NewBookingFilePath(const QString& chosenFullPath, const QString& baseName)
{
    const QString normal = QDir::fromNativeSeparators(chosenFullPath);
    const int slash = normal.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash >= 0 ? normal.left(slash + 1) : QString();
    return QDir::toNativeSeparators(folder + baseName + QStringLiteral(".mdb"));
}

ConnectResult OpenExistingFile()
{
    const FileChoice c =
        fileDialogs().openFile(QStringLiteral("Vestra - Open existing bookingfile"), kFilter,
                               currentFolder());
    if (!c.chosen)
        return ConnectResult::Cancelled;
    // Both tests are made; the extension must be exactly "mdb".
    const bool extensionOk = c.extension == QStringLiteral("mdb");
    const bool opens = CanOpenDatabase(c.fullPath);
    if (!extensionOk || !opens) {
        showMessage(c.fullPath + QStringLiteral(" is not a valid Vestra Bookingfile!"),
                    QStringLiteral("File Error"), MsgIcon::Warning);
        return ConnectResult::Refused;
    }
    session().BookingFilePath = c.fullPath;
    if (!StoreBookingFilePath(c.fullPath)) {
        showMessage(QStringLiteral("The choice of booking file could not be stored in ")
                        + WorkDatabasePath(),
                    QStringLiteral("File Error"), MsgIcon::Critical);
        return ConnectResult::Failed;
    }
    return ConnectResult::Connected;
}

ConnectResult CreateNewFile()
{
    const FileChoice c =
        fileDialogs().saveFile(QStringLiteral("Vestra - Create new bookingfile"), kFilter,
                               currentFolder());
    if (!c.chosen)
        return ConnectResult::Cancelled;
    if (c.nameWithExt.isEmpty()) {
        showMessage(QStringLiteral("Filename Empty"), QStringLiteral("Illegal filename"),
                    MsgIcon::Warning);
        return ConnectResult::EmptyName;
    }
    const QString target = NewBookingFilePath(c.fullPath, c.baseName);
    const QString source = TemplatePath();

    // A connection still open on the old file would keep writing to it.
    Database::closeAll(target);
    bool copied = QFileInfo::exists(source);
    if (copied && QFileInfo::exists(target))
        copied = QFile::remove(target);
    if (copied)
        copied = QFile::copy(source, target);
    if (copied)
        QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::WriteOwner
                                          | QFileDevice::ReadOwner);
    if (!copied) {
        showMessage(QStringLiteral("The new booking file %1 could not be made from the template %2.")
                        .arg(target, source),
                    QStringLiteral("File Error"), MsgIcon::Critical);
        return ConnectResult::Failed;
    }
    session().BookingFilePath = target;
    if (!StoreBookingFilePath(target)) {
        showMessage(QStringLiteral("The choice of booking file could not be stored in ")
                        + WorkDatabasePath(),
                    QStringLiteral("File Error"), MsgIcon::Critical);
        return ConnectResult::Failed;
    }
    return ConnectResult::Connected;
}

} // namespace vestra
