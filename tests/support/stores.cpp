#include "support/stores.h"

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QUrl>
#include <atomic>

namespace vestra::test {

namespace {
QString serverAdminAddress()
{
    return qEnvironmentVariable("VESTRA_TEST_PG");
}
} // namespace

std::vector<Engine> TestEngines()
{
    if (serverAdminAddress().isEmpty())
        return {Engine::SQLite};
    return {Engine::SQLite, Engine::PostgreSQL};
}

std::string EngineName(const ::testing::TestParamInfo<Engine>& info)
{
    return info.param == Engine::PostgreSQL ? "PostgreSQL" : "SQLite";
}

QString TestServerRole()
{
    return qEnvironmentVariable("VESTRA_TEST_PG_ROLE");
}

QString TestServerAddress(const QString& database, const QString& user)
{
    const QString address = ServerAddressWithDatabase(serverAdminAddress(), database);
    if (user.isEmpty())
        return address;
    static const QRegularExpression login(QStringLiteral("^(postgres(?:ql)?://)([^@/]*@)?"));
    return QString(address).replace(login, QStringLiteral("\\1")
                                               + QString::fromLatin1(QUrl::toPercentEncoding(user))
                                               + QLatin1Char('@'));
}

QString QueryPlan(Database& db, const QString& sql, const QVariantList& binds)
{
    const bool server = db.engine() == Engine::PostgreSQL;
    std::optional<QSqlQuery> q;
    if (server) {
        QString inlined = sql;
        for (const QVariant& v : binds) {
            QString text = v.typeId() == QMetaType::QString
                               ? QLatin1Char('\'')
                                     + v.toString().replace(QLatin1Char('\''), QStringLiteral("''"))
                                     + QLatin1Char('\'')
                               : QString::number(v.toLongLong());
            inlined.replace(inlined.indexOf(QLatin1Char('?')), 1, text);
        }
        db.exec(QStringLiteral("SET enable_seqscan = off"));
        q = db.query(QStringLiteral("EXPLAIN ") + inlined);
    } else {
        q = db.query(QStringLiteral("EXPLAIN QUERY PLAN ") + sql, binds);
    }
    EXPECT_TRUE(q.has_value()) << db.lastError().toStdString();
    QString plan;
    while (q && q->next())
        plan += q->value(server ? 0 : 3).toString() + QLatin1Char('\n');
    // Read whole first: the server's rows come one at a time on the same connection.
    q.reset();
    if (server)
        db.exec(QStringLiteral("RESET enable_seqscan"));
    return plan;
}

bool FailInserts(Database& db, const QString& table, const QString& when)
{
    // Names and conditions are the test's own; a trigger takes no bound values.
    bool ok = false;
    if (db.engine() == Engine::PostgreSQL) {
        const QString raise = QStringLiteral("RAISE 'disk full';");
        ok =
            db.exec(QStringLiteral("CREATE FUNCTION fail_%1() RETURNS trigger LANGUAGE plpgsql "
                                   "AS $$ BEGIN %2 RETURN NEW; END $$")
                        .arg(table, when.isEmpty()
                                        ? raise
                                        : QStringLiteral("IF %1 THEN %2 END IF;").arg(when, raise)))
            && db.exec(QStringLiteral("CREATE TRIGGER fail_%1 BEFORE INSERT ON %1 FOR EACH ROW "
                                      "EXECUTE FUNCTION fail_%1()")
                           .arg(table));
    } else {
        ok = db.exec(QStringLiteral("CREATE TRIGGER fail_%1 BEFORE INSERT ON %1 %2 "
                                    "BEGIN SELECT RAISE(ABORT, 'disk full'); END")
                         .arg(table, when.isEmpty() ? QString() : QStringLiteral("WHEN ") + when));
    }
    EXPECT_TRUE(ok) << db.lastError().toStdString();
    return ok;
}

bool AllowInserts(Database& db, const QString& table)
{
    return db.engine() == Engine::PostgreSQL
               ? db.exec(QStringLiteral("DROP FUNCTION fail_%1() CASCADE").arg(table))
               : db.exec(QStringLiteral("DROP TRIGGER fail_%1").arg(table));
}

FreshStore::FreshStore(Engine engine, const QString& folder, const QString& templateDatabase)
{
    static std::atomic<int> counter{0};
    if (engine == Engine::SQLite) {
        m_address = QDir(folder).filePath(QStringLiteral("store%1.mdb").arg(++counter));
        Database d = Database::create(m_address);
        if (!d.isValid()) {
            m_error = QStringLiteral("cannot create ") + m_address;
            m_address.clear();
        }
        return;
    }
    const QString name =
        QStringLiteral("vestra_test_%1_%2").arg(QCoreApplication::applicationPid()).arg(++counter);
    Database admin = Database::open(serverAdminAddress());
    // Names are the test's own; CREATE DATABASE takes no bound values.
    if (!admin.exec(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(name))
        || !admin.exec(
            QStringLiteral("CREATE DATABASE %1 TEMPLATE %2").arg(name, templateDatabase))) {
        m_error = admin.lastError();
        return;
    }
    m_serverDatabase = name;
    m_address = TestServerAddress(name);
}

FreshStore::~FreshStore()
{
    if (m_address.isEmpty())
        return;
    Database::closeAll(m_address);
    if (!m_serverDatabase.isEmpty()) {
        Database admin = Database::open(serverAdminAddress());
        admin.exec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_serverDatabase));
    }
}

} // namespace vestra::test
