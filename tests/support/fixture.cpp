#include "support/fixture.h"

#include "data/helpers.h"
#include "data/migrations.h"
#include "data/schema.h"
#include "security.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>

namespace vestra::test {

WindowHooks& windowHooks()
{
    static WindowHooks hooks;
    return hooks;
}

namespace {
// Built once per test program; each test copies it.
QString sharedTemplate()
{
    static QTemporaryDir templateDir;
    static QString path;
    if (path.isEmpty()) {
        path = templateDir.filePath(QStringLiteral("Emptydatabase.mdb"));
        QString error;
        if (!BuildTemplateFile(path, &error))
            ADD_FAILURE() << "template: " << error.toStdString();
    }
    return path;
}

// The server's copy of the template: the booking schema, its template rows
// and every upgrade step, built once per test program and copied per test.
QString sharedServerTemplate()
{
    // Kept to the end of the program (the throw-away cluster goes with it):
    // dropping it from a static destructor would run after the application.
    static FreshStore* store = nullptr;
    static QString name;
    if (!store) {
        store = new FreshStore(Engine::PostgreSQL, QString());
        if (!store->ok()) {
            ADD_FAILURE() << "server template: " << store->error().toStdString();
            return {};
        }
        const std::optional<ServerAddress> parts = ParseServerAddress(store->address());
        Database d = Database::open(store->address());
        QString error;
        if (!BuildServerStore(d, &error)) {
            ADD_FAILURE() << "server template: " << error.toStdString();
            return {};
        }
        // A member of staff who may act for the administrator's account, the
        // one the tests book for, and nothing more: securing makes the login role.
        if (TestServerRole() == kStaffRole
            && !(
                d.exec(QStringLiteral("INSERT INTO konti (id, kontotype, kontonavn, kontouser, "
                                      "kontopass, admin, archived) VALUES (?, 'p', 'Staff', ?, "
                                      "'', 0, 0)"),
                       {kStaffAccount, kStaffRole})
                && d.exec(QStringLiteral("INSERT INTO grptilk (gnr, pnr) VALUES (?, ?), (1, ?)"),
                          {kStaffAccount, kStaffAccount, kStaffAccount})
                // The tests' own accounts come after it, the newest numbered highest.
                && d.exec(QStringLiteral("SELECT setval(pg_get_serial_sequence('konti', 'id'), ?)"),
                          {kStaffAccount}))) {
            ADD_FAILURE() << "server template: " << d.lastError().toStdString();
            return {};
        }
        // Secured as vestra-admin secures a store; each copy keeps its rights.
        QStringList done;
        if (!TestServerRole().isEmpty() && !admin::SecureServerStore(d, &done, &error)) {
            ADD_FAILURE() << "securing the server template: " << error.toStdString();
            return {};
        }
        // A template database must have no one connected while it is copied.
        Database::closeAll(store->address());
        name = parts ? parts->database : QString();
    }
    return name;
}
} // namespace

void BookingFileTest::SetUp()
{
    ASSERT_TRUE(dir.isValid());
    ResetSession();
    SetProgramFolder(dir.path());
    ASSERT_TRUE(QFile::copy(sharedTemplate(), TemplatePath()));
    QFile::setPermissions(TemplatePath(),
                          QFile::permissions(TemplatePath()) | QFileDevice::WriteOwner);
    if (windowHooks().setUp)
        windowHooks().setUp();
}

void BookingFileTest::TearDown()
{
    if (windowHooks().tearDown)
        windowHooks().tearDown();
    if (serverStore)
        Database::closeAll(session().BookingFilePath);
    serverStore.reset();
    for (const QString& name : QDir(dir.path()).entryList(QDir::Files))
        Database::closeAll(dir.filePath(name));
    SetProgramFolder({});
    ResetSession();
}

QString BookingFileTest::pathOf(const QString& name) const
{
    return dir.filePath(name);
}

QString BookingFileTest::makeBookingFile(const QString& name)
{
    if (storeEngine == Engine::PostgreSQL) {
        serverStore =
            std::make_unique<FreshStore>(Engine::PostgreSQL, dir.path(), sharedServerTemplate());
        EXPECT_TRUE(serverStore->ok()) << serverStore->error().toStdString();
        const QString role = TestServerRole();
        session().BookingFilePath =
            role.isEmpty()
                ? serverStore->address()
                : TestServerAddress(ParseServerAddress(serverStore->address())->database, role);
        return session().BookingFilePath;
    }
    QFile::remove(pathOf(name));
    session().BookingFilePath = templateCopy(name);
    return session().BookingFilePath;
}

Database BookingFileTest::db()
{
    const QString& store = session().BookingFilePath;
    if (serverStore && !TestServerRole().isEmpty() && store != serverStore->address()
        && ParseServerAddress(store).value_or(ServerAddress{}).database
               == ParseServerAddress(serverStore->address())->database)
        return Database::open(serverStore->address());
    return Database::open(store);
}

QString BookingFileTest::templateCopy(const QString& name)
{
    const QString path = pathOf(name);
    EXPECT_TRUE(QFile::copy(TemplatePath(), path));
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::WriteOwner);
    return path;
}

QJsonArray PythonReads(const char* script, const QStringList& arguments)
{
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"),
            QStringList{QStringLiteral("-c"), QString::fromUtf8(script)} + arguments);
    EXPECT_TRUE(p.waitForFinished(120000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    return QJsonDocument::fromJson(p.readAllStandardOutput()).array();
}

QByteArray BookingFileTest::fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int BookingFileTest::addBooking(int day, int start, int end, int item, int type, int account,
                                const QString& title)
{
    Database d = db();
    const auto key = NextKey(d);
    EXPECT_TRUE(key.has_value());
    EXPECT_TRUE(d.exec(QStringLiteral("INSERT INTO Booking (Bookingnr, Beskrivelse, Bdato, Bstart, "
                                      "Bslut, Bgruppe, Lokalenr, kontonr, Bcolor, Tentative, tax, "
                                      "bvpris) VALUES (?,?,?,?,?,?,?,?,255,-1,-1,1)"),
                       {*key, title, day, start, end, type, item, account}))
        << d.lastError().toStdString();
    return *key;
}

int BookingFileTest::addAccount(const QString& type, const QString& name, const QString& user,
                                const QString& password, bool admin, bool archived)
{
    Database d = db();
    EXPECT_TRUE(d.exec(QStringLiteral("INSERT INTO Konti (Kontotype, Kontonavn, Kontouser, "
                                      "KontoPass, admin, archived) VALUES (?,?,?,?,?,?)"),
                       {type, name, user, password, admin ? -1 : 0, archived ? -1 : 0}));
    const int id = d.scalar(QStringLiteral("SELECT max(ID) FROM Konti")).toInt();
    if (type == QStringLiteral("p"))
        d.exec(QStringLiteral("INSERT INTO Grptilk (gnr, pnr) VALUES (?, ?)"), {id, id});
    return id;
}

int BookingFileTest::count(const QString& table, const QString& where, const QVariantList& binds)
{
    Database d = db();
    return CountIn(d, QStringLiteral("*"), table, where, binds);
}

QString BookingFileTest::storedPath()
{
    Database w = Database::open(WorkDatabasePath());
    return LookupIn(w, QStringLiteral("sti"), QStringLiteral("stitabel")).toString();
}

QVariant BookingFileTest::stored(int bookingnr, const char* field)
{
    Database d = db();
    return d.scalar(
        QStringLiteral("SELECT %1 FROM Booking WHERE Bookingnr = ?").arg(QLatin1String(field)),
        {bookingnr});
}

QSqlRecord BookingFileTest::bookingRow(int bookingnr)
{
    Database d = db();
    auto q = d.query(QStringLiteral("SELECT * FROM Booking WHERE Bookingnr = ?"), {bookingnr});
    return q && q->next() ? q->record() : QSqlRecord();
}

QStringList BookingFileTest::firstRow(const QString& sql, const QVariantList& binds)
{
    Database d = db();
    auto q = d.query(sql, binds);
    QStringList values;
    if (q && q->next())
        for (int i = 0; i < q->record().count(); ++i)
            values << q->value(i).toString();
    return values;
}

void BookingFileTest::openScheduleStore(int day, const QStringList& halls)
{
    makeBookingFile();
    ASSERT_TRUE(EnsureWorkDatabase());
    Session& s = session();
    s.LoginOk = true;
    s.LoginAccountId = 1;
    s.LoginName = QStringLiteral("Administrator");
    s.IsAdmin = true;
    s.OpeningTime = 480;
    s.ClosingTime = 1020;
    s.PrimeTimeStart = 540;
    s.PrimeTimeEnd = 960;
    s.PrintTimeStart = 420;
    s.PrintTimeEnd = 1140;
    s.TimeUnits = 15;
    s.FirstDay = QStringLiteral("1");
    s.DateFormatLong = QStringLiteral("dd-mm-yyyy");
    s.DateFormatShort = QStringLiteral("D N-m-y");
    s.SelectedDay = day;
    s.CurrentGroupNo = 1;
    s.CurrentTypeNo = 1;
    Database d = db();
    ASSERT_TRUE(d.exec(QStringLiteral("INSERT INTO Overgruppenavne VALUES (1, 'Rooms', 1)")));
    ASSERT_TRUE(d.exec(QStringLiteral("INSERT INTO lokaliteter VALUES (1, 1, 'Large', '', 1)")));
    for (int i = 0; i < halls.size(); ++i)
        ASSERT_TRUE(d.exec(QStringLiteral("INSERT INTO lokale (lokalenr, lokalinr, Lokalenavn, "
                                          "Gruppeart, inaktiv) VALUES (?, 1, ?, 1, 0)"),
                           {i + 1, halls[i]}));
}

} // namespace vestra::test
