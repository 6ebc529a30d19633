#include "data/helpers.h"
#include "data/schema.h"
#include "support/fixture.h"

#include <QDir>
#include <QFile>
#include <QSqlRecord>
#include <QTemporaryDir>

using namespace vestra;
using namespace vestra::test;

// The template's rows and saved queries, on a file and on a server database.
class StoreSchema : public BookingStoreTest {
protected:
    void SetUp() override
    {
        BookingStoreTest::SetUp();
        makeBookingFile();
    }
    QStringList columnsOf(const QString& source)
    {
        Database d = db();
        auto q = d.query("SELECT * FROM " + source + " LIMIT 0");
        EXPECT_TRUE(q.has_value()) << source.toStdString() << ": " << d.lastError().toStdString();
        QStringList names;
        if (q) {
            const QSqlRecord r = q->record();
            for (int i = 0; i < r.count(); ++i)
                names << r.fieldName(i).toLower();
        }
        return names;
    }
};
INSTANTIATE_TEST_SUITE_P(Engines, StoreSchema, ::testing::ValuesIn(TestEngines()), EngineName);

TEST_P(StoreSchema, TemplateHoldsTheOneRowRecordsAndAnAdministrator)
{
    // One row each of the records and of the choices the settings below name.
    EXPECT_EQ(
        QList<int>({count("institutionsoplysninger"), count("arkiveringsdato", "ID = 1"),
                    count("næstenøgle"), count("RUC"), count("Gruppetyper"),
                    count("Valgformat", "Dateformatno = 0"), count("Valgunits", "unitnr = 15"),
                    count("Valgarcdel", "arcdel = 3"), count("Valgdeldel", "deldelDays = 548")}),
        QList<int>({1, 1, 1, 1, 3, 1, 1, 1, 1}));

    // Open 08:00-17:00 in quarter hours, dates day first, weeks from Monday.
    EXPECT_EQ(firstRow("SELECT Åbntid, Luktid, Timeunits, dateformatnr, dateformatstr1, FirstDay, "
                       "arcdel, deldel FROM institutionsoplysninger"),
              QStringList({"28800", "61200", "15", "1", "dd-mm-yyyy", "1", "3", "548"}));

    // The administrator can book for itself through its own membership row.
    Database d = db();
    const int admin = LookupIn(d, "ID", "activekonti",
                               "Kontouser = ? AND Kontotype = 'p' AND admin <> 0", {"admin"})
                          .toInt();
    EXPECT_GT(admin, 0);
    EXPECT_EQ(count("Grptilk", "gnr = ? AND pnr = ?", {admin, admin}), 1);
    // The shared file keeps the rollback journal, never a write-ahead log.
    if (GetParam() == Engine::SQLite) {
        EXPECT_EQ(firstRow("PRAGMA journal_mode"), QStringList({"delete"}));
    }
}

TEST_P(StoreSchema, SavedQueriesOfferTheColumnsTheirCallersRead)
{
    // Each query with the columns its callers read, separated by spaces.
    const std::pair<const char*, const char*> queries[] = {
        {"activekonti", "ID Kontouser KontoPass Kontotype Kontonavn admin"},
        {"firstgroups", "Overgruppenr Lokalitetsnr"},
        {"bookingfor",
         "Bookingnr Beskrivelse Bdato Start Slut bstart Lokalenr Lokalenavn lokalinr Gruppeart "
         "kontonr Kontonavn Kontouser kontokontakt Kontoadresse Kontopnr Kontoby Kontotlf "
         "Kontotlfp Kontomobil Kontofax kontomail depname Bemærkninger gennr tax bvpris Tentative"},
        {"headerfor", "lokalenr Lokalenavn lokalinr inaktiv inakstart inakslut"},
        {"OvergruppenavneFor", "overgruppenr OverGruppenavn"},
        {"searchforny", "Bookingnr Beskrivelse Kontonavn Bdato gruppeart bstart bslut Lokalenavn"},
        {"bookingS", "Bookingnr Bdato Overgruppenr lokalinr lokalenr Kontonr"},
        {"unavailfor", "lokalenr Lokalenavn Lokalitetsnavn OverGruppenavn inakstart inakslut"},
        {"mybookingsfor", "Bookingnr Bdato bstart bslut Beskrivelse Lokalenavn Kontonr Kontonavn "
                          "gruppeart gentagende pnr kontoowner"},
        {"bookingtent", "Bookingnr Bdato Start Slut Lokalenavn Kontonavn Kontotlf"},
        {"gentagendeudløbfor", "maxofbdato bstart bslut Beskrivelse Lokalenavn Kontonavn Kontotlf"},
        {"kontifor", "ID Kontotype Kontonavn kontokontakt Kontotlf archived"},
        {"KontiG", "ID Kontonavn kontoowner kontokontakt"},
        {"KontiP", "ID Kontonavn"},
        {"AdminAccounts", "ID Kontonavn"},
        {"departmentfor", "depnr depname"},
        {"florplanfor", "ID Opstilling"},
        {"homebasefor", "ID Homebase"},
        {"lokalesort", "lokalenr Lokalenavn lokalinr"},
        {"kontoudskrift", "ID Kontotype archived Kontonavn kontokontakt Kontotlf kontomail "
                          "Kontouser KontoPass admin"},
    };
    for (const auto& [name, wanted] : queries) {
        const QStringList have = columnsOf(name);
        for (const QString& column : QString::fromUtf8(wanted).split(' '))
            EXPECT_TRUE(have.contains(column.toLower()))
                << name << " lacks " << column.toStdString();
    }
}

TEST_P(StoreSchema, SavedQueriesReturnTheExpectedRows)
{
    Database d = db();
    ASSERT_TRUE(d.exec("INSERT INTO lokale (lokalenr, lokalinr, Lokalenavn, Gruppeart) VALUES (5, "
                       "1, 'Room 1', 1)"));
    const int b = addBooking(40000, 600, 690, 5);
    // Start and Slut are the times in seconds, for the time editors.
    EXPECT_EQ(firstRow("SELECT Start, Slut, Lokalenavn, Kontonavn FROM bookingfor WHERE "
                       "Bookingnr = ?",
                       {b}),
              QStringList({"36000", "41400", "Room 1", "Administrator"}));

    // A series is listed once, by its last date.
    for (int day : {40000, 40007, 40014})
        ASSERT_TRUE(d.exec(
            "INSERT INTO Booking (Bookingnr, Bdato, Bstart, Bslut, Lokalenr, kontonr, "
            "gennr, gentagende, Beskrivelse) VALUES (?, ?, 600, 660, 5, 1, 900, -1, 'Choir')",
            {1000 + day, day}));
    EXPECT_EQ(firstRow("SELECT count(*), max(maxofbdato) FROM gentagendeudløbfor"),
              QStringList({"1", "40014"}));

    // Archived accounts cannot log in.
    const int gone = addAccount("p", "Gone", "gone", "pw", false, true);
    EXPECT_EQ(count("activekonti", "ID = ?", {gone}), 0);
    EXPECT_EQ(count("kontifor", "ID = ?", {gone}), 1);
}

// A build keeps everything beside the executable; an installed program reads its
// files from share/vestra and writes paths.mdb where the user may write.
TEST(ProgramFolders, InstalledProgramKeepsPathsInTheUsersDataFolder)
{
    QTemporaryDir root;
    const QDir r(root.path());
    for (const char* folder : {"usr/bin", "usr/share/vestra", "build/bin"})
        ASSERT_TRUE(r.mkpath(folder));
    ASSERT_TRUE(QFile(r.filePath("usr/share/vestra/Emptydatabase.mdb")).open(QIODevice::WriteOnly));
    const QString user = r.filePath("home/.local/share/Vestra");
    const auto folders = [&user](const QString& bin) {
        const ProgramFolders f = ResolveProgramFolders(bin, user);
        return QStringList({f.files, f.workstation});
    };
    EXPECT_EQ(folders(r.filePath("usr/bin")), QStringList({r.filePath("usr/share/vestra"), user}));
    // A bin folder without an installed template is a build: nothing moves.
    const QString build = r.filePath("build/bin");
    EXPECT_EQ(folders(build), QStringList({build, build}));
}
