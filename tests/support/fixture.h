#pragma once
// A fresh program folder with its template, a fresh booking file made from
// it, an empty session and a recording message service for every test.

#include "db/database.h"
#include "services/filedialogs.h"
#include "services/messages.h"
#include "session/session.h"

#include "support/printers.h"
#include "support/stores.h"
#include <QDate>
#include <QJsonArray>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <functional>
#include <memory>

#include <gtest/gtest.h>

namespace vestra::test {

// What a test program with windows adds around every test: navigation that
// goes nowhere before it, and closing every window after it (while the
// booking file is still the session's, so that windows store their work).
struct WindowHooks {
    std::function<void()> setUp;
    std::function<void()> tearDown;
};
WindowHooks& windowHooks();

class BookingFileTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Path of a file in the temporary folder.
    QString pathOf(const QString& name) const;
    // A new booking store made from the template, stored as the session's
    // file: a file in the temporary folder, or on the server (storeEngine) a
    // database of its own copied from the booking template built once per run.
    QString makeBookingFile(const QString& name = QStringLiteral("booking.mdb"));
    // A booking file made from the template in the temporary folder, left
    // for the test to use as it likes.
    QString templateCopy(const QString& name);
    // A file's bytes; none when it cannot be read.
    static QByteArray fileBytes(const QString& path);
    // The session's store; on a server secured for a test role, the same
    // database as the superuser, so that what a test sets up or reads behind
    // the program's back is never refused by the role's rights.
    Database db();

    // Adds a booking and returns its number.
    int addBooking(int day, int start, int end, int item = 1, int type = 1, int account = 1,
                   const QString& title = QStringLiteral("Booking"));
    int addAccount(const QString& type, const QString& name, const QString& user,
                   const QString& password, bool admin = false, bool archived = false);
    int count(const QString& table, const QString& where = {}, const QVariantList& binds = {});
    // The booking store this workstation opens at its next start.
    QString storedPath();
    // A booking's field, and all of them (found by name in any case: the
    // server reports names in lower case); empty when it is gone.
    QVariant stored(int bookingnr, const char* field);
    QSqlRecord bookingRow(int bookingnr);
    // The first row sql reads, each value as text; empty when there is none.
    QStringList firstRow(const QString& sql, const QVariantList& binds = {});
    // The administrator signed in on a fresh booking store that shows day in
    // the schedule: opening 08:00-17:00 in quarter hours, group 1 "Rooms",
    // type 1 "Large" and the halls numbered from 1 in it.
    void openScheduleStore(int day, const QStringList& halls = {QStringLiteral("Hall A"),
                                                                QStringLiteral("Hall B")});

    QTemporaryDir dir;
    Engine storeEngine = Engine::SQLite;
    std::unique_ptr<FreshStore> serverStore;
    ScopedRecordingMessages messages;
    ScriptedFileDialogs dialogs;
};

// The same tests on a booking file and on a booking database on the test server.
class BookingStoreTest : public BookingFileTest, public ::testing::WithParamInterface<Engine> {
protected:
    void SetUp() override
    {
        storeEngine = GetParam();
        BookingFileTest::SetUp();
    }
};

// What a Python script of Debian's python3 prints as JSON about the files
// it is given: how a reader the project did not write (csv, openpyxl,
// icalendar) reads what Vestra wrote.
QJsonArray PythonReads(const char* script, const QStringList& arguments);

} // namespace vestra::test
