#pragma once
// Store-level tests run on every engine: a SQLite file always, and a
// PostgreSQL database when VESTRA_TEST_PG names a server to make them on
// (scripts/test starts a throw-away cluster and sets it).

#include "db/database.h"

#include <QString>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace vestra::test {

std::vector<Engine> TestEngines();
std::string EngineName(const ::testing::TestParamInfo<Engine>& info);

// A new, empty store for one test: a file in folder, or a database of its
// own on the test server, copied from templateDatabase (CREATE DATABASE …
// TEMPLATE is far quicker than building a schema). Dropped again on destruction.
class FreshStore {
public:
    FreshStore(Engine engine, const QString& folder,
               const QString& templateDatabase = QStringLiteral("template1"));
    ~FreshStore();
    FreshStore(const FreshStore&) = delete;
    FreshStore& operator=(const FreshStore&) = delete;
    // The path or address to open.
    const QString& address() const { return m_address; }
    bool ok() const { return !m_address.isEmpty(); }
    const QString& error() const { return m_error; }

private:
    QString m_address;
    QString m_serverDatabase;
    QString m_error;
};

// The plan the store's engine makes for sql, one step a line: SQLite's
// EXPLAIN QUERY PLAN, or the server's EXPLAIN with sequential scans
// discouraged (a test table is so small the server would read it whole).
// The binds must be numbers: the server cannot prepare an EXPLAIN, so they go in as text.
QString QueryPlan(Database& db, const QString& sql, const QVariantList& binds);

// A full disk for inserts into table (only for rows where the condition on
// NEW holds, when one is given): every such insert fails with "disk full"
// until AllowInserts.
bool FailInserts(Database& db, const QString& table, const QString& when = {});
bool AllowInserts(Database& db, const QString& table);

// The address of database name on the test server, as user when one is given.
QString TestServerAddress(const QString& database, const QString& user = {});

// The server role the store-touching tests act as (VESTRA_TEST_PG_ROLE):
// "admin" secures the server's test stores and connects as the template's
// administrator, whose role vestra-admin secure makes; "staff" as a person
// without administrator rights (account kStaffAccount, a member of the
// administrator's account 1); empty for the superuser the server was started with.
QString TestServerRole();
inline const QString kStaffRole = QStringLiteral("staff");
constexpr int kStaffAccount = 900;
// A test of what only an administrator may do on the store: skipped when
// the server's test stores are used as a member of staff, who is refused it there.
#define SKIP_UNLESS_ADMIN_ON_SERVER()                                                              \
    do {                                                                                           \
        if (storeEngine == ::vestra::Engine::PostgreSQL                                            \
            && ::vestra::test::TestServerRole() == ::vestra::test::kStaffRole)                     \
            GTEST_SKIP() << "only an administrator may do this on a secured server";               \
    } while (false)

} // namespace vestra::test
