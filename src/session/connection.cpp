#include "session/connection.h"

#include "data/helpers.h"
#include "data/schema.h"
#include "db/database.h"
#include "services/filedialogs.h"
#include "services/messages.h"
#include "session/session.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <QUrlQuery>

namespace vestra {

namespace {
const QString kFilter = QStringLiteral("Vestra booking files (*.mdb);;All files (*)");

// The dialogs start where the current booking file lies.
QString currentFolder()
{
    const QString path = session().BookingFilePath;
    return path.isEmpty() || IsServerAddress(path) ? QString() : QFileInfo(path).absolutePath();
}

PasswordPrompt& passwordPrompt()
{
    static PasswordPrompt prompt;
    return prompt;
}

QString encoded(const QString& part)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(part.trimmed()));
}

bool storeChoice(const QString& store)
{
    session().BookingFilePath = store;
    if (StoreBookingFilePath(store))
        return true;
    showMessage(QStringLiteral("The choice of booking file could not be stored in ")
                    + WorkDatabasePath(),
                QStringLiteral("File Error"), MsgIcon::Critical);
    return false;
}
} // namespace

bool StoreBookingFilePath(const QString& path)
{
    Database work = WorkDatabase();
    Transaction tx(work);
    if (!tx.ok())
        return false;
    const QVariant rows = work.scalar(QStringLiteral("SELECT count(*) FROM stitabel"));
    const bool ok =
        rows.toInt() > 0
            ? work.exec(QStringLiteral("UPDATE stitabel SET sti = ?"), {path})
            : work.exec(QStringLiteral("INSERT INTO stitabel (sti) VALUES (?)"), {path});
    return ok && tx.commit();
}

namespace {
QString plainAddressOf(const ServerChoice& c);
} // namespace

QString ServerAddressOf(const ServerChoice& c)
{
    QString address = plainAddressOf(c);
    if (c.verified) {
        const QString root = c.rootCert.trimmed();
        address += address.contains(QLatin1Char('?')) ? QLatin1Char('&') : QLatin1Char('?');
        address += QStringLiteral("sslmode=verify-full&sslrootcert=")
                   + (root.isEmpty() ? QStringLiteral("system") : encoded(root));
    }
    return address;
}

ServerChoice ServerChoiceOf(const QString& address)
{
    const std::optional<ServerAddress> p = ParseServerAddress(address);
    if (!p)
        return {};
    const QUrlQuery query(address.section(QLatin1Char('?'), 1));
    const QString root = query.queryItemValue(QStringLiteral("sslrootcert"), QUrl::FullyDecoded);
    // The address's brackets around an IPv6 host are not typed.
    QString host = p->host;
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    return {host,
            p->port > 0 ? QString::number(p->port) : QString(),
            p->database,
            p->user,
            query.queryItemValue(QStringLiteral("sslmode")) == QStringLiteral("verify-full"),
            root == QStringLiteral("system") ? QString() : root};
}

namespace {
QString plainAddressOf(const ServerChoice& c)
{
    const QString user =
        c.user.trimmed().isEmpty() ? QString() : encoded(c.user) + QLatin1Char('@');
    const QString host = c.host.trimmed();
    const QString port = c.port.trimmed();
    const QString db = encoded(c.database);
    // A socket folder has slashes, which the host part of an address cannot hold.
    if (host.startsWith(QLatin1Char('/'))) {
        QString address = QStringLiteral("postgresql://%1/%2?host=%3").arg(user, db, encoded(host));
        if (!port.isEmpty())
            address += QStringLiteral("&port=") + encoded(port);
        return address;
    }
    const QString name = host.contains(QLatin1Char(':'))
                             ? QLatin1Char('[') + host + QLatin1Char(']')
                             : encoded(host);
    return QStringLiteral("postgresql://%1%2%3/%4")
        .arg(user, name, port.isEmpty() ? QString() : QLatin1Char(':') + port, db);
}
} // namespace

void SetPasswordPrompt(PasswordPrompt prompt)
{
    passwordPrompt() = std::move(prompt);
}

bool ReachServer(const QString& address, QString* error)
{
    Database db = Database::open(address);
    if (!db.isValid() && AsksForPassword(db.lastError()) && passwordPrompt()) {
        // A password the server refused is forgotten, so the user is asked again.
        SetServerPassword(address, QString());
        if (const std::optional<QString> password = passwordPrompt()(address)) {
            SetServerPassword(address, *password);
            db = Database::open(address);
            if (!db.isValid())
                SetServerPassword(address, QString());
        }
    }
    if (!db.isValid() && error)
        *error = ConnectionFailureText(address, db.lastError());
    return db.isValid();
}

namespace {
// Making a store is not destructive, so Yes is the default answer.
bool askToCreate(const QString& text)
{
    Message m;
    m.text = text;
    m.title = QStringLiteral("Connect to Server");
    m.buttons = MsgButtons::YesNo;
    m.icon = MsgIcon::Question;
    m.defaultButton = MsgAnswer::Yes;
    return messages().show(m) == MsgAnswer::Yes;
}

void serverError(const QString& text)
{
    showMessage(text, QStringLiteral("Server Error"), MsgIcon::Warning);
}
} // namespace

ConnectResult ConnectToServer(const std::optional<ServerChoice>& choice)
{
    if (!choice)
        return ConnectResult::Cancelled;
    const QString address = ServerAddressOf(*choice);
    QString error;
    if (!ParseServerAddress(address, &error)) {
        serverError(QStringLiteral("%1 is not a usable server address:\n%2").arg(address, error));
        return ConnectResult::Refused;
    }
    // A database that is not there yet, or is there but empty, becomes a new
    // booking store when the user says so: the server's administrator may
    // have made an empty database for Vestra, or left that to the first user.
    bool askedToCreate = false;
    if (!ReachServer(address, &error)) {
        if (!IsMissingDatabase(error)) {
            serverError(error);
            return ConnectResult::Refused;
        }
        if (!askToCreate(QStringLiteral("There is no database %1 on the server. Create it as a "
                                        "new Vestra booking database?")
                             .arg(choice->database.trimmed())))
            return ConnectResult::Refused;
        askedToCreate = true;
        if (!CreateServerDatabase(address, &error) || !ReachServer(address, &error)) {
            serverError(QStringLiteral("The database %1 could not be created on the server:\n%2")
                            .arg(address, error.trimmed()));
            return ConnectResult::Refused;
        }
    }
    int version = 0;
    if (IsNewerFile(address, BookingFileSteps(), &version)) {
        serverError(NewerFileText(address, version, LatestVersion(BookingFileSteps())));
        return ConnectResult::Refused;
    }
    {
        Database db = Database::open(address);
        // A role that owns nothing sees the tables but cannot use them.
        if (const QStringList denied = BookingTablesWithoutRights(db); !denied.isEmpty()) {
            const QString user = db.scalar(QStringLiteral("SELECT current_user")).toString();
            serverError(
                QStringLiteral("The user %1 has no rights on the booking tables of %2: "
                               "%3.\nAsk the database's owner to grant them, e.g. GRANT "
                               "SELECT, INSERT, UPDATE, DELETE ON ALL TABLES IN SCHEMA "
                               "public TO %1.")
                    .arg(user, StoreDisplayName(address), denied.join(QStringLiteral(", "))));
            return ConnectResult::Refused;
        }
        const std::optional<bool> empty = IsEmptyServerDatabase(db);
        if (empty && *empty) {
            if (!askedToCreate
                && !askToCreate(QStringLiteral("The database %1 on the server is empty. Make a new "
                                               "Vestra booking database in it?")
                                    .arg(address)))
                return ConnectResult::Refused;
            if (!BuildServerStore(db, &error)) {
                serverError(QStringLiteral("The booking database could not be made in %1:\n%2")
                                .arg(address, error.trimmed()));
                return ConnectResult::Refused;
            }
        }
    }
    if (!CanOpenDatabase(address) || !IsBookingFile(address)) {
        serverError(address + QStringLiteral(" is not a valid Vestra booking database!"));
        return ConnectResult::Refused;
    }
    return storeChoice(address) ? ConnectResult::Connected : ConnectResult::Failed;
}

ConnectResult ConnectToServerAsking(const ServerPrompt& ask, ServerChoice typed)
{
    for (;;) {
        const std::optional<ServerChoice> choice = ask(typed);
        const ConnectResult result = ConnectToServer(choice);
        if (result != ConnectResult::Refused)
            return result;
        typed = *choice;
    }
}

QString NewerFileText(const QString& path, int fileVersion, int supportedVersion)
{
    return QStringLiteral("%1 was written by a newer version of Vestra (file version %2; this "
                          "Vestra knows versions up to %3). It was not opened. Install the newer "
                          "Vestra on this workstation to work on it.")
        .arg(path, QString::number(fileVersion), QString::number(supportedVersion));
}

QString ServerUpgradeText(const QString& address, int storeVersion, int supportedVersion)
{
    return QStringLiteral("The booking database %1 is at version %2 and must be upgraded to "
                          "version %3 before this Vestra can use it. Other workstations may be "
                          "working on it, so it is not upgraded from here: ask the administrator "
                          "to run\n    vestra-admin upgrade %1")
        .arg(address, QString::number(storeVersion), QString::number(supportedVersion));
}

QString UpgradeText(const QString& path, const MigrationReport& m)
{
    QString text = QStringLiteral("%1 was upgraded from version %2 to version %3.")
                       .arg(path, QString::number(m.fromVersion), QString::number(m.toVersion));
    if (!m.backupPath.isEmpty())
        text += QStringLiteral(" A copy of the file as it was is kept as %1.").arg(m.backupPath);
    if (m.archiveDuplicatesDropped > 0)
        text += (m.archiveDuplicatesDropped == 1
                     ? QStringLiteral("\nThe archive held 1 extra copy of an archived booking; it "
                                      "was removed and the booking kept once.")
                     : QStringLiteral("\nThe archive held %1 extra copies of archived bookings; "
                                      "they were removed and each booking kept once.")
                           .arg(m.archiveDuplicatesDropped));
    return text;
}

QString NewBookingFilePath(const QString& chosenFullPath, const QString& baseName)
{
    const QString normal = QDir::fromNativeSeparators(chosenFullPath);
    const int slash = normal.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash >= 0 ? normal.left(slash + 1) : QString();
    return QDir::toNativeSeparators(folder + baseName + QStringLiteral(".mdb"));
}

ConnectResult OpenExistingFile(const QString& dialogTitle)
{
    const FileChoice c = fileDialogs().openFile(dialogTitle, kFilter, currentFolder());
    if (!c.chosen)
        return ConnectResult::Cancelled;
    if (const QString special = SpecialFileText(c.fullPath); !special.isEmpty()) {
        showMessage(special, QStringLiteral("File Error"), MsgIcon::Warning);
        return ConnectResult::Refused;
    }
    // Judged by its header before anything opens it: a newer Vestra's file
    // is never written, not even by the check below.
    int version = 0;
    if (IsNewerFile(c.fullPath, BookingFileSteps(), &version)) {
        showMessage(NewerFileText(c.fullPath, version, LatestVersion(BookingFileSteps())),
                    QStringLiteral("File Error"), MsgIcon::Warning);
        return ConnectResult::Refused;
    }
    // Both tests are made; the extension must be exactly "mdb". The template
    // is no booking file to work on: what is booked in it would be in every
    // booking file made from it later.
    const bool extensionOk = c.extension == QStringLiteral("mdb");
    const bool isTemplate = QFileInfo::exists(TemplatePath())
                            && QFileInfo(c.fullPath).canonicalFilePath()
                                   == QFileInfo(TemplatePath()).canonicalFilePath();
    QStringList missing;
    const BookingFileVerdict verdict =
        isTemplate ? BookingFileVerdict::Invalid : CheckBookingFile(c.fullPath, &missing);
    if (extensionOk && verdict == BookingFileVerdict::Busy) {
        showMessage(BusyText(), QStringLiteral("File Error"), MsgIcon::Warning);
        return ConnectResult::Refused;
    }
    if (!extensionOk || verdict != BookingFileVerdict::Valid) {
        showMessage(missing.isEmpty() || !extensionOk
                        ? c.fullPath + QStringLiteral(" is not a valid Vestra Bookingfile!")
                        : MissingTablesText(c.fullPath, missing),
                    QStringLiteral("File Error"), MsgIcon::Warning);
        return ConnectResult::Refused;
    }
    return storeChoice(c.fullPath) ? ConnectResult::Connected : ConnectResult::Failed;
}

ConnectResult CreateNewFile(const QString& dialogTitle)
{
    const FileChoice c =
        fileDialogs().saveFile(dialogTitle, kFilter, currentFolder(), QStringLiteral("mdb"));
    if (!c.chosen)
        return ConnectResult::Cancelled;
    if (c.nameWithExt.isEmpty()) {
        showMessage(QStringLiteral("Filename Empty"), QStringLiteral("Illegal filename"),
                    MsgIcon::Warning);
        return ConnectResult::EmptyName;
    }
    const QString target = NewBookingFilePath(c.fullPath, c.baseName);
    const QString source = TemplatePath();

    // The template itself is never the new file: it would be emptied and
    // every later booking file made from what was booked in it.
    const bool isTemplate =
        QFileInfo::exists(target)
        && QFileInfo(target).canonicalFilePath() == QFileInfo(source).canonicalFilePath();
    // The typed name may differ from the file it leads to ("good" and
    // "good.txt" both lead to good.mdb), so the dialog cannot ask for it.
    if (!isTemplate && QFileInfo::exists(target)
        && !askYesNo(target
                         + QStringLiteral(" already exists. Replace it with a new, empty "
                                          "booking file? Everything in it will be lost."),
                     QStringLiteral("Create New File")))
        return ConnectResult::Cancelled;
    // The copy is made beside the target first, so a copy that fails (a full
    // disk, say) leaves the file that was there as it was.
    const QString partial = target + QStringLiteral(".new");
    bool copied = !isTemplate && QFileInfo::exists(source);
    if (copied) {
        QFile::remove(partial);
        copied = QFile::copy(source, partial);
    }
    bool placed = false;
    if (copied) {
        QFile::setPermissions(partial, QFile::permissions(partial) | QFileDevice::WriteOwner
                                           | QFileDevice::ReadOwner);
        // A connection still open on the old file would keep writing to it.
        Database::closeAll(target);
        placed =
            (!QFileInfo::exists(target) || QFile::remove(target)) && QFile::rename(partial, target);
    }
    if (!placed) {
        // A complete copy whose target is already gone stays under its temporary name.
        if (!copied || QFileInfo::exists(target))
            QFile::remove(partial);
        showMessage(
            QStringLiteral("The new booking file %1 could not be made from the template %2.")
                .arg(target, source),
            QStringLiteral("File Error"), MsgIcon::Critical);
        return ConnectResult::Failed;
    }
    return storeChoice(target) ? ConnectResult::Connected : ConnectResult::Failed;
}

} // namespace vestra
