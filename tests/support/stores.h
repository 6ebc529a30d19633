#pragma once
// Store-level tests run on every engine: a SQLite file always, and a
// PostgreSQL database when VESTRA_TEST_PG names a server to make them on
// (scripts/test starts a throw-away cluster and sets it).

#include "platform/db/database.h"

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

// The address of database name on the test server.
QString TestServerAddress(const QString& database);

} // namespace vestra::test
