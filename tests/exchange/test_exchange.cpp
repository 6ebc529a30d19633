// Calendars and sheets leave the program as other programs read them: the
// .ics files are parsed back with libical, the CSV by an RFC 4180 reader
// here, the .xlsx by openpyxl.

#include "data/dates.h"
#include "exchange/calendar.h"
#include "exchange/safewrite.h"
#include "exchange/sheet.h"
#include "support/fixture.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTimeZone>
#include <csignal>
#include <libical/ical.h>
#include <sys/resource.h>

using namespace vestra;
using namespace vestra::test;

namespace {

const QByteArray kZone = "Europe/Copenhagen";

struct Event {
    QString uid;
    qint64 start = 0; // seconds since the epoch
    qint64 end = 0;
    QString status;
    QString summary;
    QString location;
    QString description;
    QString series;
    int sequence = -1;
};

qint64 epoch(icaltimetype t)
{
    return icaltime_as_timet_with_zone(t, t.zone ? t.zone : icaltimezone_get_utc_timezone());
}

// Every VEVENT of an iCalendar text, with its times resolved through the
// calendar's own VTIMEZONE, as a calendar program reads them.
QList<Event> parseEvents(const QByteArray& text)
{
    QList<Event> events;
    icalcomponent* cal = icalparser_parse_string(text.constData());
    EXPECT_NE(cal, nullptr);
    if (!cal)
        return events;
    EXPECT_EQ(icalcomponent_count_components(cal, ICAL_VTIMEZONE_COMPONENT), 1);
    for (icalcomponent* ev = icalcomponent_get_first_component(cal, ICAL_VEVENT_COMPONENT); ev;
         ev = icalcomponent_get_next_component(cal, ICAL_VEVENT_COMPONENT)) {
        Event e;
        e.uid = QString::fromUtf8(icalcomponent_get_uid(ev));
        e.start = epoch(icalcomponent_get_dtstart(ev));
        e.end = epoch(icalcomponent_get_dtend(ev));
        e.status = QString::fromUtf8(icalproperty_status_to_string(icalcomponent_get_status(ev)));
        e.summary = QString::fromUtf8(icalcomponent_get_summary(ev));
        if (const char* l = icalcomponent_get_location(ev))
            e.location = QString::fromUtf8(l);
        if (const char* d = icalcomponent_get_description(ev))
            e.description = QString::fromUtf8(d);
        if (icalproperty* seq = icalcomponent_get_first_property(ev, ICAL_SEQUENCE_PROPERTY))
            e.sequence = icalproperty_get_sequence(seq);
        for (icalproperty* x = icalcomponent_get_first_property(ev, ICAL_X_PROPERTY); x;
             x = icalcomponent_get_next_property(ev, ICAL_X_PROPERTY))
            if (QByteArray(icalproperty_get_x_name(x)) == "X-VESTRA-SERIES")
                e.series = QString::fromUtf8(icalproperty_get_x(x));
        events << e;
    }
    icalcomponent_free(cal);
    return events;
}

qint64 wallClock(const QDate& day, int hour, int minute)
{
    return QDateTime(day, QTime(hour, minute), QTimeZone(kZone)).toSecsSinceEpoch();
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class Calendars : public BookingStoreTest {
protected:
    void SetUp() override
    {
        BookingStoreTest::SetUp();
        makeBookingFile();
        Database d = db();
        ASSERT_TRUE(d.exec("INSERT INTO lokaliteter (Lokalitetsnr, Lokalitetsnavn) VALUES "
                           "(61, 'Halls'), (62, 'Vans')"))
            << d.lastError().toStdString();
        ASSERT_TRUE(d.exec("INSERT INTO lokale (lokalenr, lokalinr, Lokalenavn) VALUES "
                           "(51, 61, 'Sal Å/B'), (52, 61, 'Loft'), (53, 62, 'Van')"));
    }
    void setField(int booking, const QString& field, const QVariant& value)
    {
        Database d = db();
        ASSERT_TRUE(d.exec(QString("UPDATE Booking SET %1 = ? WHERE Bookingnr = ?").arg(field),
                           {value, booking}))
            << d.lastError().toStdString();
    }
};
INSTANTIATE_TEST_SUITE_P(Engines, Calendars, ::testing::ValuesIn(TestEngines()), EngineName);

TEST_P(Calendars, ExportedEventsMatchTheStore)
{
    const QDate plain(2024, 3, 4), spring(2024, 3, 31), autumn(2024, 10, 27);
    const int a = addBooking(DayNumber(plain), 10 * 60, 12 * 60, 51, 1, 1, "Choir");
    const int night = addBooking(DayNumber(plain.addDays(1)), 22 * 60, 2 * 60, 51, 1, 1, "Vigil");
    // Clocks go forward at 02:00 and back at 03:00 on these days.
    const int fwd = addBooking(DayNumber(spring), 1 * 60, 4 * 60, 51, 1, 1, "Spring");
    const int back = addBooking(DayNumber(autumn), 1 * 60, 4 * 60, 51, 1, 1, "Autumn");
    addBooking(DayNumber(plain), 10 * 60, 12 * 60, 53, 1, 1, "Elsewhere");
    addBooking(DayNumber(plain.addDays(-1)), 10 * 60, 12 * 60, 51, 1, 1, "Before the period");
    setField(night, "Tentative", 0);
    setField(fwd, "gennr", 7);
    setField(a, "Bemærkninger", "Piano tuned");
    setField(a, "Kontaktperson2", "Åse Ø");
    setField(a, "Kontakttlf2", "555 1234");

    Database d = db();
    const CalendarSelection item{CalendarSelection::Scope::Item, 51, {}, plain, autumn};
    const auto bookings = ReadCalendarBookings(d, item, nullptr);
    ASSERT_TRUE(bookings);
    const auto id = StoreId(d, nullptr);
    ASSERT_TRUE(id && !id->isEmpty());
    QList<Event> events = parseEvents(CalendarText(*bookings, *id, "Sal", kZone));
    ASSERT_EQ(events.size(), 4);

    struct Expected {
        int number;
        qint64 start, end;
        const char* status;
    } expected[] = {
        {a, wallClock(plain, 10, 0), wallClock(plain, 12, 0), "TENTATIVE"},
        {night, wallClock(plain.addDays(1), 22, 0), wallClock(plain.addDays(2), 2, 0), "CONFIRMED"},
        // Three wall-clock hours are two real ones in spring and four in autumn.
        {fwd, wallClock(spring, 1, 0), wallClock(spring, 1, 0) + 2 * 3600, "TENTATIVE"},
        {back, wallClock(autumn, 1, 0), wallClock(autumn, 1, 0) + 4 * 3600, "TENTATIVE"},
    };
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(events[i].uid, QString("booking-%1@%2").arg(expected[i].number).arg(*id));
        EXPECT_EQ(events[i].start, expected[i].start);
        EXPECT_EQ(events[i].end, expected[i].end);
        EXPECT_EQ(events[i].status, expected[i].status);
        EXPECT_EQ(events[i].location, "Sal Å/B");
    }
    EXPECT_EQ(events[0].summary, "Choir");
    EXPECT_EQ(events[0].description, "Piano tuned\nContact: Åse Ø, 555 1234");
    EXPECT_EQ(events[2].series, "7");
    EXPECT_EQ(events[0].series, "");

    // A later export names the same bookings by the same UIDs, and a changed
    // booking carries a higher SEQUENCE, so programs update instead of adding.
    const int before = events[0].sequence;
    setField(a, "Beskrivelse", "Choir, moved");
    const auto again = ReadCalendarBookings(d, item, nullptr);
    ASSERT_TRUE(again);
    const QList<Event> later =
        parseEvents(CalendarText(*again, *StoreId(d, nullptr), "Sal", kZone));
    ASSERT_EQ(later.size(), 4);
    EXPECT_EQ(later[0].uid, events[0].uid);
    EXPECT_EQ(later[0].summary, "Choir, moved");
    EXPECT_GT(later[0].sequence, before);

    // The other scopes: a type holds its items' bookings, an account its own,
    // a list exactly the bookings it names.
    auto countOf = [&](const CalendarSelection& s) {
        const auto rows = ReadCalendarBookings(d, s, nullptr);
        return rows ? int(rows->size()) : -1;
    };
    EXPECT_EQ(countOf({CalendarSelection::Scope::Type, 61, {}, {}, {}}), 5);
    EXPECT_EQ(countOf({CalendarSelection::Scope::Type, 62, {}, {}, {}}), 1);
    EXPECT_EQ(countOf({CalendarSelection::Scope::Account, 1, {}, plain, plain}), 2);
    EXPECT_EQ(countOf({CalendarSelection::Scope::Bookings, 0, {night, back}, {}, {}}), 2);
}

TEST_P(Calendars, PublishedFolderHoldsACalendarPerItemAndType)
{
    addBooking(DayNumber(QDate(2024, 5, 1)), 9 * 60, 10 * 60, 51, 1, 1, "One");
    addBooking(DayNumber(QDate(2024, 5, 2)), 9 * 60, 10 * 60, 52, 1, 1, "Two");
    const QString folder = pathOf("published");
    ASSERT_TRUE(QDir().mkpath(folder));
    Database d = db();
    QString error;
    ASSERT_EQ(PublishCalendars(d, folder, &error, kZone), 5) << error.toStdString();
    const QStringList files = QDir(folder).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(files, (QStringList{"item-51-Sal Å_B.ics", "item-52-Loft.ics", "item-53-Van.ics",
                                  "type-61-Halls.ics", "type-62-Vans.ics"}));
    EXPECT_EQ(parseEvents(readAll(folder + "/type-61-Halls.ics")).size(), 2);
    EXPECT_EQ(parseEvents(readAll(folder + "/item-53-Van.ics")).size(), 0);

    // A renamed item's calendar moves to its new name; nothing stale stays.
    ASSERT_TRUE(d.exec("UPDATE lokale SET Lokalenavn = 'Attic' WHERE lokalenr = 52"));
    ASSERT_TRUE(PublishCalendars(d, folder, &error, kZone));
    EXPECT_FALSE(QFile::exists(folder + "/item-52-Loft.ics"));
    EXPECT_EQ(parseEvents(readAll(folder + "/item-52-Attic.ics")).size(), 1);

    EXPECT_FALSE(PublishCalendars(d, pathOf("missing"), &error, kZone));
    EXPECT_EQ(error, QString("The folder \"%1\" does not exist.").arg(pathOf("missing")));
}

TEST(SafeWrites, AFailedWriteLeavesTheOldFileAndNoPart)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("list æøå 😀 'x'.csv");
    QString error;
    ASSERT_TRUE(WriteFileSafely(path, "old", &error)) << error.toStdString();
    EXPECT_EQ(readAll(path), "old");

    // A full disk, as the process's file-size limit gives it.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = WriteFileSafely(path, QByteArray(64 * 1024, 'x'), &error);
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_FALSE(written);
    EXPECT_TRUE(error.startsWith(QString("The file \"%1\" could not be written: ").arg(path)))
        << error.toStdString();
    EXPECT_EQ(readAll(path), "old");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QFileInfo(path).fileName()});

    // A folder that is not there, and a name that is no file's.
    EXPECT_FALSE(WriteFileSafely(dir.filePath("nowhere/x.ics"), "x", &error));
    EXPECT_TRUE(error.endsWith("the folder does not exist.")) << error.toStdString();
    EXPECT_FALSE(WriteFileSafely(dir.path() + "/", "x", &error));
    EXPECT_TRUE(error.endsWith("that is not a file name.")) << error.toStdString();

    EXPECT_EQ(SafeFileName("  A/B: \"c\"? .."), "A_B_ _c__ ..");
    EXPECT_EQ(SafeFileName(".hidden"), "_hidden");
}

namespace {

// RFC 4180 read back: quoted fields may hold the separator, doubled quotes
// and line breaks.
QList<QStringList> readCsv(const QString& text, QChar sep)
{
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"')
                field += c, ++i;
            else if (c == '"')
                quoted = false;
            else
                field += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == sep) {
            row << field;
            field.clear();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            row << field;
            rows << row;
            row.clear();
            field.clear();
            ++i;
        } else {
            field += c;
        }
    }
    return rows;
}

} // namespace

TEST(Sheets, CsvRoundTripKeepsEveryCharacter)
{
    const QStringList odd = {"say \"hi\"", "a;b", "a,b", "two\nlines", "æøå ÆØÅ", "🎉 party", ""};
    SheetTable table{{"Title", "Amount"}, {}};
    for (const QString& text : odd)
        table.rows << QVariantList{text, 1234.5};

    struct Case {
        QLocale locale;
        QChar separator;
        QString amount;
    } cases[] = {{QLocale(QLocale::Danish, QLocale::Denmark), ';', "1234,5"},
                 {QLocale(QLocale::English, QLocale::UnitedStates), ',', "1234.5"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.separator.toLatin1());
        ASSERT_EQ(CsvSeparator(c.locale), c.separator);
        const QByteArray bytes = CsvBytes(table, {c.separator, false, c.locale});
        EXPECT_FALSE(bytes.startsWith("\xEF\xBB\xBF"));
        const QList<QStringList> back = readCsv(QString::fromUtf8(bytes), c.separator);
        ASSERT_EQ(back.size(), odd.size() + 1);
        EXPECT_EQ(back[0], (QStringList{"Title", "Amount"}));
        for (int i = 0; i < odd.size(); ++i)
            EXPECT_EQ(back[i + 1], (QStringList{odd[i], c.amount}));
    }
    // Only fields that need them are quoted.
    EXPECT_TRUE(CsvBytes({{"a"}, {{"plain"}}}, {}).endsWith("\r\nplain\r\n"));
    EXPECT_TRUE(CsvBytes(table, {',', true}).startsWith("\xEF\xBB\xBFTitle,Amount\r\n"));
}

TEST(Sheets, CellsKeepTheirKind)
{
    const QLocale danish(QLocale::Danish, QLocale::Denmark);
    struct Case {
        QString text;
        QVariant expected;
    } cases[] = {
        {"1.234,50", 1234.5},
        {"42", 42.0},
        {"-7", -7.0},
        {"09:30", QTime(9, 30)},
        {"9.05", QTime(9, 5)},
        {"04-03-2024", QDate(2024, 3, 4)},
        {"marts 4, 2024", QDate(2024, 3, 4)},
        {"25:70", "25:70"},
        {"Room 12", "Room 12"},
        {"12-34", "12-34"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TypedCell(c.text, danish, {"dd-MM-yyyy", "MMMM d, yyyy"}), c.expected)
            << c.text.toStdString();
}

TEST(Sheets, XlsxOpensWithTypedCellsAndBoldHeadings)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("list.xlsx");
    const SheetTable table{{"Date", "From", "Price", "Title"},
                           {{QDate(2024, 3, 4), QTime(9, 30), 1234.5, "æøå \"😀\""}}};
    QString error;
    ASSERT_TRUE(ExportSheet(table, path, "Search: [all]", {}, &error)) << error.toStdString();
    QProcess python;
    // Debian's python, where python3-openpyxl lives.
    python.start("/usr/bin/python3", {"-c", R"(
import sys, openpyxl
ws = openpyxl.load_workbook(sys.argv[1]).active
print(ws.title)
print([c.font.b for c in ws[1]], [c.value for c in ws[1]])
print([type(c.value).__name__ for c in ws[2]])
print(ws['A2'].value.date(), ws['B2'].value, ws['C2'].value, ws['D2'].value)
)",
                                      path});
    ASSERT_TRUE(python.waitForFinished(60000));
    ASSERT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    const QStringList lines = QString::fromUtf8(python.readAllStandardOutput()).split('\n');
    ASSERT_GE(lines.size(), 4);
    EXPECT_EQ(lines[0], "Search_ _all_");
    EXPECT_EQ(lines[1], "[True, True, True, True] ['Date', 'From', 'Price', 'Title']");
    EXPECT_EQ(lines[2], "['datetime', 'time', 'float', 'str']");
    EXPECT_EQ(lines[3], "2024-03-04 09:30:00 1234.5 æøå \"😀\"");
}
