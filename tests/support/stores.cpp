#include "support/stores.h"

#include <QCoreApplication>
#include <QDir>
#include <QUrl>
#include <QUrlQuery>
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

QString TestServerAddress(const QString& database)
{
    const std::optional<ServerAddress> admin = ParseServerAddress(serverAdminAddress());
    if (!admin)
        return {};
    QUrlQuery query;
    QString host = admin->host;
    if (host.startsWith(QLatin1Char('/'))) {
        query.addQueryItem(QStringLiteral("host"), host);
        host.clear();
    }
    QString address = QStringLiteral("postgresql://");
    if (!admin->user.isEmpty())
        address += QUrl::toPercentEncoding(admin->user) + QLatin1Char('@');
    address += host;
    if (admin->port > 0 && !host.isEmpty())
        address += QLatin1Char(':') + QString::number(admin->port);
    else if (admin->port > 0)
        query.addQueryItem(QStringLiteral("port"), QString::number(admin->port));
    address += QLatin1Char('/') + database;
    if (!query.isEmpty())
        address += QLatin1Char('?') + query.toString(QUrl::FullyEncoded);
    return address;
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
