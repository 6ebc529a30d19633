// vestra-admin is run as administrators and scripts run it: the built
// program, its exit code, its output lines and the files it leaves.

#include "data/migrations.h"
#include "data/schema.h"
#include "support/fixture.h"

#include <QCryptographicHash>
#include <QProcess>

using namespace vestra;
using namespace vestra::test;

namespace {

struct AdminRun {
    int exitCode = -1;
    QStringList out;
    QString err;
};

AdminRun admin(const QStringList& arguments)
{
    QProcess p;
    p.start(QStringLiteral(VESTRA_ADMIN), arguments);
    EXPECT_TRUE(p.waitForFinished(60000));
    AdminRun r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QByteArray digest(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

} // namespace

class Admin : public BookingFileTest {
protected:
    const int latest = LatestVersion(BookingFileSteps());
};

TEST_F(Admin, CreateWritesTheTemplateAndCheckReportsIt)
{
    const QString target = pathOf("new.mdb");
    AdminRun r = admin({"create", target});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out,
              QStringList{QString("created %1 (schema version %2)").arg(target).arg(latest)});
    EXPECT_TRUE(r.err.isEmpty());
    EXPECT_FALSE(QFile::exists(target + ".new"));
    {
        Database d = Database::open(target);
        EXPECT_EQ(d.scalar("SELECT count(*) FROM Konti WHERE Kontouser = 'admin'").toInt(), 1);
        EXPECT_EQ(d.schemaVersion(), latest);
    }
    Database::closeAll(target);

    r = admin({"check", target});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    ASSERT_GE(r.out.size(), 3);
    EXPECT_EQ(r.out[0], QString("schema version %1 (current)").arg(latest));
    EXPECT_EQ(r.out[1], "integrity ok");
    EXPECT_TRUE(r.out.contains("rows Konti 1")) << r.out.join('|').toStdString();
    EXPECT_TRUE(r.out.contains("rows Booking 0"));

    // A second create never replaces what is there.
    {
        Database w = Database::open(target);
        ASSERT_TRUE(w.exec("INSERT INTO Konti (Kontotype, Kontonavn) VALUES ('g', 'Kept')"));
    }
    Database::closeAll(target);
    const QByteArray before = digest(target);
    r = admin({"create", target});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, QString("vestra-admin: %1: target exists\n").arg(target));
    EXPECT_EQ(digest(target), before);
    r = admin({"check", target});
    EXPECT_TRUE(r.out.contains("rows Konti 2")) << r.out.join('|').toStdString();
}

TEST_F(Admin, UpgradeMigratesAnOldFileAfterACopy)
{
    const QString path = pathOf("old.mdb");
    ASSERT_TRUE(BuildBaselineFile(path));
    Database::closeAll(path);
    const QByteArray old = digest(path);

    AdminRun r = admin({"check", path});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.value(0),
              QString("schema version 0 (older than %1: run vestra-admin upgrade)").arg(latest));

    r = admin({"upgrade", path});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString backup = path + ".bak-v0";
    EXPECT_EQ(r.out,
              (QStringList{QString("upgraded %1 from schema version 0 to %2").arg(path).arg(latest),
                           "backup " + backup}));
    EXPECT_EQ(digest(backup), old);
    EXPECT_EQ(Database::storedSchemaVersion(path), latest);

    r = admin({"upgrade", path});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out,
              QStringList{QString("%1 is already at schema version %2").arg(path).arg(latest)});
}

// Every bad address ends in a non-zero exit, one line on standard error, and
// the file as it was.
TEST_F(Admin, BadInputIsRefusedInOneLine)
{
    const QString missing = pathOf("missing.mdb");
    const QString text = pathOf("notes.mdb");
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(2048, 'x'));
    }
    const QString other = pathOf("other.mdb");
    {
        Database d = Database::create(other);
        ASSERT_TRUE(d.exec("CREATE TABLE t (x)"));
    }
    Database::closeAll(other);
    const QString newer = makeBookingFile("newer.mdb");
    {
        Database d = db();
        ASSERT_TRUE(d.setSchemaVersion(latest + 1));
    }
    Database::closeAll(newer);

    struct Case {
        QStringList args;
        int exitCode;
        QString reason;
    } cases[] = {
        {{"check", missing}, 1, missing + ": no such file"},
        {{"upgrade", missing}, 1, missing + ": no such file"},
        {{"check", text}, 1, text + ": not a booking store"},
        {{"upgrade", text}, 1, text + ": not a booking store"},
        {{"check", other}, 1, other + ": not a booking store"},
        {{"upgrade", other}, 1, other + ": not a booking store"},
        {{"check", newer},
         1,
         QString("%1: schema version %2 is newer than this vestra-admin knows (%3)")
             .arg(newer)
             .arg(latest + 1)
             .arg(latest)},
        {{"upgrade", newer},
         1,
         QString("%1: schema version %2 is newer than this vestra-admin knows (%3)")
             .arg(newer)
             .arg(latest + 1)
             .arg(latest)},
        {{"check", "postgresql://localhost/vestra"},
         1,
         "postgresql://localhost/vestra: server addresses are not supported yet"},
        {{"check"}, 2, "usage: vestra-admin create|check|upgrade ADDRESS"},
        {{"drop", missing},
         2,
         "unknown command drop; usage: vestra-admin create|check|upgrade ADDRESS"},
    };
    for (const Case& c : cases) {
        const QByteArray before[] = {digest(text), digest(other), digest(newer)};
        const AdminRun r = admin(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.join(' ').toStdString();
        EXPECT_EQ(r.err, "vestra-admin: " + c.reason + "\n") << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << c.args.join(' ').toStdString();
        EXPECT_EQ((QList<QByteArray>{digest(text), digest(other), digest(newer)}),
                  (QList<QByteArray>{before[0], before[1], before[2]}));
    }
    EXPECT_FALSE(QFile::exists(missing));
    EXPECT_FALSE(QFile::exists(newer + ".bak-v" + QString::number(latest + 1)));
}
