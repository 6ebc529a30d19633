// Calendars and sheets leave the program as other programs read them: the
// .ics files are parsed back with libical and Debian's python3-icalendar,
// the CSV by Python's csv module, the .xlsx by openpyxl, under a Danish and
// an English locale, in a process whose own zone is UTC.

#include "data/dates.h"
#include "exchange/calendar.h"
#include "exchange/safewrite.h"
#include "exchange/sheet.h"
#include "support/fixture.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTimeZone>
#include <clocale>
#include <csignal>
#include <ctime>
#include <libical/ical.h>
#include <sys/resource.h>

using namespace vestra;
using namespace vestra::test;

namespace {

const QByteArray kZone = "Europe/Copenhagen";

// An event as one line: its UID, start and end (seconds since the epoch),
// status, summary, location, description and series.
QString eventLine(const QString& uid, qint64 start, qint64 end, const QStringList& texts)
{
    return (QStringList{uid, QString::number(start), QString::number(end)} + texts).join(" | ");
}

qint64 epoch(icaltimetype t)
{
    return icaltime_as_timet_with_zone(t, t.zone ? t.zone : icaltimezone_get_utc_timezone());
}

// Every VEVENT of an iCalendar text, with its times resolved through the
// calendar's own VTIMEZONE, as a calendar program reads them; their
// SEQUENCEs, which only have to grow, go to sequences.
QStringList parseEvents(const QByteArray& text, QList<int>* sequences = nullptr)
{
    QStringList events;
    icalcomponent* cal = icalparser_parse_string(text.constData());
    EXPECT_NE(cal, nullptr);
    if (!cal)
        return events;
    EXPECT_EQ(icalcomponent_count_components(cal, ICAL_VTIMEZONE_COMPONENT), 1);
    for (icalcomponent* ev = icalcomponent_get_first_component(cal, ICAL_VEVENT_COMPONENT); ev;
         ev = icalcomponent_get_next_component(cal, ICAL_VEVENT_COMPONENT)) {
        QString series;
        for (icalproperty* x = icalcomponent_get_first_property(ev, ICAL_X_PROPERTY); x;
             x = icalcomponent_get_next_property(ev, ICAL_X_PROPERTY))
            if (QByteArray(icalproperty_get_x_name(x)) == "X-VESTRA-SERIES")
                series = QString::fromUtf8(icalproperty_get_x(x));
        // Absent texts read as empty ones.
        events << eventLine(QString::fromUtf8(icalcomponent_get_uid(ev)),
                            epoch(icalcomponent_get_dtstart(ev)),
                            epoch(icalcomponent_get_dtend(ev)),
                            {icalproperty_status_to_string(icalcomponent_get_status(ev)),
                             QString::fromUtf8(icalcomponent_get_summary(ev)),
                             QString::fromUtf8(icalcomponent_get_location(ev)),
                             QString::fromUtf8(icalcomponent_get_description(ev)), series});
        if (sequences)
            *sequences << icalcomponent_get_sequence(ev);
    }
    icalcomponent_free(cal);
    return events;
}

qint64 wallClock(const QDate& day, int hour, int minute, const QTimeZone& zone = QTimeZone(kZone))
{
    return QDateTime(day, QTime(hour, minute), zone).toSecsSinceEpoch();
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Each VEVENT as python3-icalendar reads it, as eventLine() gives them.
QStringList icalendarEvents(const QString& path)
{
    QStringList out;
    for (const QJsonValue& e : PythonReads(R"(
import sys, json, icalendar
cal = icalendar.Calendar.from_ical(open(sys.argv[1], 'rb').read())
print(json.dumps([' | '.join([str(e['UID']), str(int(e.decoded('DTSTART').timestamp())),
                              str(int(e.decoded('DTEND').timestamp()))]
                             + [str(e.get(k, '')) for k in ('STATUS', 'SUMMARY', 'LOCATION',
                                                            'DESCRIPTION', 'X-VESTRA-SERIES')])
                  for e in cal.walk('VEVENT')]))
)",
                                           {path}))
        out << e.toString();
    return out;
}

// The process runs in UTC, as a server does; the store says Copenhagen.
struct UtcProcess {
    const QByteArray saved = qgetenv("TZ");
    UtcProcess() { setZone("UTC"); }
    ~UtcProcess() { setZone(saved); }
    static void setZone(const QByteArray& zone)
    {
        zone.isEmpty() ? qunsetenv("TZ") : qputenv("TZ", zone);
        tzset();
    }
};

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
        QString error;
        ASSERT_TRUE(SetStoreZone(d, kZone, &error)) << error.toStdString();
    }
    UtcProcess utc;
    void setFields(int booking, const QString& assignments, QVariantList values = {})
    {
        Database d = db();
        ASSERT_TRUE(
            d.exec("UPDATE Booking SET " + assignments + " WHERE Bookingnr = ?", values << booking))
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
    // 02:30 does not exist in spring and comes twice in autumn.
    const int gap = addBooking(DayNumber(spring), 2 * 60 + 30, 3 * 60 + 30, 51, 1, 1, "Gap");
    const int twice = addBooking(DayNumber(autumn), 2 * 60 + 30, 5 * 60, 51, 1, 1, "Twice");
    addBooking(DayNumber(plain), 10 * 60, 12 * 60, 53, 1, 1, "Elsewhere");
    addBooking(DayNumber(plain.addDays(-1)), 10 * 60, 12 * 60, 51, 1, 1, "Before the period");
    setFields(night, "Tentative = 0");
    setFields(fwd, "gennr = 7");
    setFields(a, "Bemærkninger = ?, Kontaktperson2 = ?, Kontakttlf2 = ?",
              {"Piano tuned", "Åse Ø", "555 1234"});

    Database d = db();
    const CalendarSelection item{CalendarSelection::Scope::Item, 51, {}, plain, autumn};
    const auto id = StoreId(d, nullptr);
    ASSERT_TRUE(id && !id->isEmpty());
    const QString path = pathOf("sal.ics");
    QString error;
    ASSERT_TRUE(ExportCalendar(d, item, "Sal", path, &error)) << error.toStdString();
    const QByteArray text = readAll(path);
    // The zone by its plain name, only the changes of the period, no rules.
    EXPECT_TRUE(text.contains("VERSION:2.0\r\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("TZID:Europe/Copenhagen\r\n")) << text.toStdString();
    EXPECT_FALSE(text.contains("RRULE")) << text.toStdString();
    EXPECT_LT(text.count("BEGIN:STANDARD") + text.count("BEGIN:DAYLIGHT"), 6);

    auto event = [&](int number, const char* summary, qint64 start, qint64 end,
                     const char* status = "TENTATIVE", const char* description = "",
                     const char* series = "") {
        return eventLine(QString("booking-%1@%2").arg(number).arg(*id), start, end,
                         {status, summary, "Sal Å/B", description, series});
    };
    const qint64 summer = wallClock(spring, 3, 0); // the first time that day after 01:59
    QStringList want = {
        event(a, "Choir", wallClock(plain, 10, 0), wallClock(plain, 12, 0), "TENTATIVE",
              "Piano tuned\nContact: Åse Ø, 555 1234"),
        event(night, "Vigil", wallClock(plain.addDays(1), 22, 0), wallClock(plain.addDays(2), 2, 0),
              "CONFIRMED"),
        // Three wall-clock hours are two real ones in spring and four in autumn.
        event(fwd, "Spring", wallClock(spring, 1, 0), wallClock(spring, 1, 0) + 2 * 3600,
              "TENTATIVE", "", "7"),
        event(gap, "Gap", summer, summer + 30 * 60),
        event(back, "Autumn", wallClock(autumn, 1, 0), wallClock(autumn, 1, 0) + 4 * 3600),
        // The first 02:30, in summer time: 00:30 UTC; 05:00 is winter time.
        event(twice, "Twice", wallClock(autumn, 0, 30, QTimeZone::utc()),
              wallClock(autumn, 4, 0, QTimeZone::utc())),
    };
    QList<int> sequences;
    ASSERT_EQ(parseEvents(text, &sequences), want);
    EXPECT_EQ(icalendarEvents(path), want);

    // A later export names the same bookings by the same UIDs, and a changed
    // booking carries a higher SEQUENCE, so programs update instead of adding.
    setFields(a, "Beskrivelse = 'Choir, moved'");
    want[0].replace(" | Choir | ", " | Choir, moved | ");
    const auto again = ReadCalendarBookings(d, item, nullptr);
    ASSERT_TRUE(again);
    QList<int> later;
    ASSERT_EQ(parseEvents(CalendarText(*again, *StoreId(d, nullptr), "Sal", kZone), &later), want);
    EXPECT_GT(later[0], sequences[0]);

    // The other scopes: a type holds its items' bookings, an account its own,
    // a list exactly the bookings it names.
    auto countOf = [&](const CalendarSelection& s) {
        const auto rows = ReadCalendarBookings(d, s, nullptr);
        return rows ? int(rows->size()) : -1;
    };
    EXPECT_EQ(countOf({CalendarSelection::Scope::Type, 61, {}, {}, {}}), 7);
    EXPECT_EQ(countOf({CalendarSelection::Scope::Type, 62, {}, {}, {}}), 1);
    EXPECT_EQ(countOf({CalendarSelection::Scope::Account, 1, {}, plain, plain}), 2);
    EXPECT_EQ(countOf({CalendarSelection::Scope::Bookings, 0, {night, back}, {}, {}}), 2);

    // The zone is the store's to keep; a name that is no zone is refused.
    EXPECT_FALSE(SetStoreZone(d, "Europe/Atlantis", &error));
    EXPECT_EQ(StoreZone(d, nullptr), std::optional<QByteArray>(kZone));
}

TEST_P(Calendars, PublishedFolderHoldsACalendarPerItemAndType)
{
    addBooking(DayNumber(QDate(2024, 5, 1)), 9 * 60, 10 * 60, 51, 1, 1, "One");
    addBooking(DayNumber(QDate(2024, 5, 2)), 9 * 60, 10 * 60, 52, 1, 1, "Two");
    const QString folder = pathOf("published");
    ASSERT_TRUE(QDir().mkpath(folder));
    Database d = db();
    QString error;
    ASSERT_EQ(PublishCalendars(d, folder, &error), 5) << error.toStdString();
    const QStringList files = QDir(folder).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(files, (QStringList{"item-51-Sal Å_B.ics", "item-52-Loft.ics", "item-53-Van.ics",
                                  "type-61-Halls.ics", "type-62-Vans.ics"}));
    EXPECT_EQ(parseEvents(readAll(folder + "/type-61-Halls.ics")).size(), 2);
    EXPECT_EQ(parseEvents(readAll(folder + "/item-53-Van.ics")).size(), 0);

    // A renamed item's calendar moves to its new name; nothing stale stays.
    ASSERT_TRUE(d.exec("UPDATE lokale SET Lokalenavn = 'Attic' WHERE lokalenr = 52"));
    ASSERT_TRUE(PublishCalendars(d, folder, &error));
    EXPECT_FALSE(QFile::exists(folder + "/item-52-Loft.ics"));
    EXPECT_EQ(parseEvents(readAll(folder + "/item-52-Attic.ics")).size(), 1);

    EXPECT_FALSE(PublishCalendars(d, pathOf("missing"), &error));
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
    const rlimit small{1024, saved.rlim_max};
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

// The locales the sheets are read back under, as the process's own.
struct SheetLocale {
    const char* name;
    QLocale locale;
};
const SheetLocale kSheetLocales[] = {
    {"da_DK.UTF-8", QLocale(QLocale::Danish, QLocale::Denmark)},
    {"en_US.UTF-8", QLocale(QLocale::English, QLocale::UnitedStates)}};

class ProcessLocale {
public:
    explicit ProcessLocale(const char* name) { EXPECT_NE(std::setlocale(LC_ALL, name), nullptr); }
    ~ProcessLocale() { std::setlocale(LC_ALL, "C"); }
};

// Titles that have broken sheets: separators, quotes, line breaks, letters
// beyond ASCII, a number with leading zeros, formulas.
const QStringList kOddTitles = {"a;b",  "a,b",  "say \"hi\"", "two\nlines", "æøå ÆØÅ", "🎉 party",
                                "0042", "=1+1", "-2",         "@x",         ""};

// The whole of what a reader read, as text a failure shows an item a line.
QString json(const QJsonArray& read)
{
    QStringList lines;
    for (const QJsonValue& item : read)
        lines << QJsonDocument(QJsonArray{item}).toJson(QJsonDocument::Compact);
    return lines.join('\n');
}

} // namespace

TEST(Sheets, CsvAndXlsxReadBackCellByCellInEveryLocale)
{
    SheetTable table{{"Date", "From", "Fee", "Count", "Title"}, {}};
    for (const QString& title : kOddTitles)
        table.rows << QVariantList{QDate(2026, 12, 9), QTime(14, 5),
                                   QVariant::fromValue(Money{99.95}), 1234.5, title};
    for (const SheetLocale& l : kSheetLocales) {
        SCOPED_TRACE(l.name);
        ProcessLocale process(l.name);
        QTemporaryDir dir;
        const QString csv = dir.filePath("list.csv"), xlsx = dir.filePath("list.xlsx");
        const QChar sep = CsvSeparator(l.locale);
        QString error;
        ASSERT_TRUE(ExportSheet(table, csv, "List", {sep, true, l.locale}, &error))
            << error.toStdString();
        ASSERT_TRUE(ExportSheet(table, xlsx, "Search: [all]", {}, &error)) << error.toStdString();
        QJsonArray wantCsv{QJsonArray::fromStringList(table.headings)};
        QJsonArray wantXlsx{"Search_ _all_", QJsonArray{true, true, true, true, true},
                            QJsonArray{true, true, true}};
        for (const QString& title : kOddTitles) {
            // A text a spreadsheet would run as a formula starts with a quote.
            const bool formula = !title.isEmpty() && QString("=+-@").contains(title[0]);
            wantCsv.append(QJsonArray{"2026-12-09", "14:05", "99" + l.locale.decimalPoint() + "95",
                                      "1234" + l.locale.decimalPoint() + "5",
                                      formula ? "'" + title : title});
            // Texts stay texts, "0042" and "=1+1" too; no text leaves the cell empty.
            wantXlsx.append(QJsonArray{QJsonArray{"datetime", "2026-12-09 00:00:00", "yyyy-mm-dd"},
                                       QJsonArray{"time", "14:05:00", "hh:mm"},
                                       QJsonArray{"float", "99.95", "#,##0.00"},
                                       QJsonArray{"float", "1234.5", "General"},
                                       title.isEmpty() ? QJsonArray{"NoneType", "", "General"}
                                                       : QJsonArray{"str", title, "@"}});
        }
        EXPECT_EQ(json(PythonReads(R"(
import sys, csv, json
with open(sys.argv[1], newline='', encoding='utf-8-sig') as f:
    print(json.dumps(list(csv.reader(f, delimiter=sys.argv[2]))))
)",
                                   {csv, QString(sep)})),
                  json(wantCsv));
        EXPECT_EQ(json(PythonReads(R"(
import sys, json, openpyxl
ws = openpyxl.load_workbook(sys.argv[1]).active
out = [ws.title, [c.font.b for c in ws[1]],
       [ws.column_dimensions[k].width >= w for k, w in (('A', 10), ('B', 5), ('C', 6))]]
for row in ws.iter_rows(min_row=2):
    out.append([[type(c.value).__name__, str(c.value) if c.value is not None else '', c.number_format]
                for c in row])
print(json.dumps(out))
)",
                                   {xlsx})),
                  json(wantXlsx));
    }
}
