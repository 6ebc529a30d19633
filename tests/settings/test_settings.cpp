#include "data/dates.h"
#include "exchange/ui/calendarpublisher.h"
#include "exchange/ui/exportactions.h"
#include "settings/about.h"
#include "settings/companyinfowindow.h"
#include "settings/openinghourswindow.h"
#include "settings/options.h"
#include "settings/settings.h"
#include "settings/settingswindows.h"
#include "settings/timeeditor.h"
#include "shell/commands.h"
#include "support/fixture.h"
#include "widgets/windowregistry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

using namespace vestra;
using namespace vestra::test;

namespace {

template <typename T = QWidget> T* child(QWidget* w, const char* name)
{
    auto* c = w->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

// A choice the box does not offer clears it, which the checks after it see.
void chooseData(QComboBox* combo, const QVariant& data)
{
    combo->setCurrentIndex(combo->findData(data));
}

TEST(DateFormatChoice, MovesTheShownWeekOntoTheNewFirstDay)
{
    // Number, long and short format, stored format, first day, and the week
    // of a Wednesday that starts on it.
    const std::tuple<int, QString, QString, QString, QString, QDate> cases[] = {
        {0, "mm-dd-yyyy", "D m-N-y", "mm/dd/yyyy", "0", QDate(2024, 5, 12)},
        {1, "dd-mm-yyyy", "D N-m-y", "dd-mm-yyyy", "1", QDate(2024, 5, 13)},
        {2, "dd-mm-yyyy", "D N-m-y", "dd-mm-yyyy", "1", QDate(2024, 5, 13)}};
    for (const auto& want : cases) {
        Session s;
        s.SelectedDay = DayNumber(QDate(2024, 5, 15));
        const DateFormatTexts texts = ApplyDateFormat(s, std::get<0>(want));
        EXPECT_EQ(std::tuple(s.DateFormatNo, s.DateFormatLong, s.DateFormatShort, texts.stored1,
                             s.FirstDay, DateFromDayNumber(s.ShownWeekStart)),
                  want);
    }
}

// The arrow keys step the part under the caret and leave the caret there.
TEST(TimeEditor, ArrowKeysStepThePartTheCaretStandsIn)
{
    const int halfPastEight = 8 * 3600 + 30 * 60;
    struct Case {
        const char* name;
        int start, caret, steps, want;
    } cases[] = {
        {"hour digits", halfPastEight, 0, 1, 9 * 3600 + 30 * 60},
        {"hour digits, down", halfPastEight, 0, -1, 7 * 3600 + 30 * 60},
        {"first minute digit, twice", halfPastEight, 3, 2, halfPastEight + 120},
        {"minute digits, down", halfPastEight, 4, -1, halfPastEight - 60},
        {"after the last digit, 60 steps", halfPastEight, 5, 60, halfPastEight + 60},
        {"no wrap below midnight", 1800, 0, -1, 0},
        {"no wrap past the day", 23 * 3600, 0, 2, kLastSecondOfDay},
    };
    for (const Case& c : cases) {
        TimeStepEdit editor;
        editor.setValue(c.start);
        auto* line = editor.findChild<QLineEdit*>();
        line->setCursorPosition(c.caret);
        for (int i = 0; i < std::abs(c.steps); ++i)
            QTest::keyClick(&editor, c.steps > 0 ? Qt::Key_Up : Qt::Key_Down);
        EXPECT_EQ(std::tuple(editor.value(), line->text(), line->cursorPosition()),
                  std::tuple(c.want, TimeText(c.want), c.caret))
            << c.name;
    }
}

TEST(TimeEditor, TypedTimeReplacesTheValueAndBadTextGivesItBack)
{
    TimeStepEdit editor;
    editor.setValue(8 * 3600 + 30); // 08:00:30; the seconds are not shown
    auto* line = editor.findChild<QLineEdit*>();
    // Untouched text (none typed) keeps the seconds.
    const std::pair<const char*, int> typed[] = {
        {nullptr, 8 * 3600 + 30}, {"09:15", 9 * 3600 + 15 * 60}, {"27:99", 9 * 3600 + 15 * 60}};
    for (const auto& [text, want] : typed) {
        if (text)
            line->setText(text);
        editor.commitText();
        EXPECT_EQ(editor.value(), want) << (text ? text : "untouched");
    }
    EXPECT_EQ(line->text(), "09:15");
}

class Settings : public BookingStoreTest {
protected:
    void SetUp() override
    {
        BookingStoreTest::SetUp();
        makeBookingFile();
        session().IsAdmin = true;
        session().SelectedDay = DayNumber(QDate(2024, 5, 15)); // a Wednesday
        session().FirstDay = "1";
    }

    QVariant setting(const char* field)
    {
        return db().scalar(QString("SELECT %1 FROM institutionsoplysninger").arg(field));
    }
};

INSTANTIATE_TEST_SUITE_P(Engines, Settings, ::testing::ValuesIn(TestEngines()), EngineName);

TEST_P(Settings, TwoWindowsOnTheRowStoreOnlyTheirOwnFields)
{
    Database d = db();
    InstitutionRow a, b;
    ASSERT_TRUE(a.load(d) && b.load(d));
    a.setValue("Instutionsnavn", "Northwood College");
    b.setValue("TAXPCT", 12.5); // names match without regard to case
    ASSERT_TRUE(a.store(d) && b.store(d));
    EXPECT_EQ(setting("Instutionsnavn||' '||taxpct"), "Northwood College 12.5");
    // Each store is logged with the value it replaced (a server names the
    // fields in lower case).
    QStringList logged;
    for (auto q = d.query("SELECT action, summary FROM Auditlog ORDER BY ID"); q && q->next();)
        logged << q->value(0).toString() + "/" + q->value(1).toString().toLower();
    EXPECT_EQ(logged, QStringList({"settings edited/instutionsnavn: \u2068my institution\u2069 → "
                                   "\u2068northwood college\u2069",
                                   "settings edited/taxpct: \u206825\u2069 → \u206812.5\u2069"}));

    // A field typed and then set back to what was read is no change: it
    // leaves alone what another workstation stored meanwhile.
    ASSERT_TRUE(a.load(d));
    const QVariant before = a.value("Senr");
    a.setValue("Senr", "X");
    a.setValue("Senr", before);
    EXPECT_FALSE(a.isDirty());
    ASSERT_TRUE(d.exec("UPDATE institutionsoplysninger SET Senr = 'B'"));
    ASSERT_TRUE(a.store(d));
    EXPECT_EQ(setting("Senr").toString(), "B");

    // A file that lost its row gets it back rather than losing the edits.
    ASSERT_TRUE(d.exec("DELETE FROM institutionsoplysninger"));
    ASSERT_TRUE(a.load(d));
    a.setValue("Senr", "DK-123");
    ASSERT_TRUE(a.store(d));
    EXPECT_EQ(setting("COUNT(*)||' '||MAX(Senr)"), "1 DK-123"); // one row
}

TEST_P(Settings, OptionsChangeTheSessionAtOnceAndStoreTheRowOnClosing)
{
    Options* w = ShowOptions(nullptr);
    auto* format = child<QComboBox>(w, "DateFormat");
    EXPECT_EQ(format->currentData().toInt(), 1) << "the stored format is shown";

    chooseData(format, 0);
    const Session& s = session();
    EXPECT_EQ(std::tuple(s.FirstDay, s.DateFormatLong, DateFromDayNumber(s.ShownWeekStart),
                         child<QLineEdit>(w, "DFS2")->text(), child<QLineEdit>(w, "FD")->text()),
              std::tuple("0", "mm-dd-yyyy", QDate(2024, 5, 12), "D m/N/y", "0"));

    for (const char* box : {"CheckAmPm", "CheckTent", "Checktax"})
        child<QCheckBox>(w, box)->click();
    for (const auto& [combo, value] :
         {std::pair{"Timeunits", 30}, {"DelDelCombo", 365}, {"ArcDelCombo", 7}})
        chooseData(child<QComboBox>(w, combo), value);
    // The boxes and the time unit are taken at once, the delays wait for the
    // next start-up.
    EXPECT_EQ(
        std::tuple(s.ShowAmPm, s.TentativeDefault, s.TaxEnabled, s.TimeUnits, s.ArchiveDelayDays),
        std::tuple(true, true, true, 30, 0));

    // The tax box keeps the session a number while its text is not one. Text
    // an English workstation cannot read stays as typed, and OK refuses it
    // by name; a letter never gets in.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    auto* taxText = child<QLineEdit>(w, "Taxtext");
    for (const char* typed : {"12.5", "", "12,5", "abc"}) {
        taxText->setText(QString::fromLatin1(typed));
        EXPECT_DOUBLE_EQ(session().TaxPercent, 12.5) << typed;
    }
    taxText->clear();
    QTest::keyClicks(taxText, "12,5x");
    EXPECT_EQ(taxText->text(), "12,5");
    EXPECT_EQ(setting("dateformatnr").toInt(), 1) << "nothing is stored before closing";
    child<QPushButton>(w, "ok")->click();
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(messages.texts(),
              QStringList{"Tax %: \"12,5\" is not a number. Type it as in 1,234.5. / Error"});
    EXPECT_EQ(taxText->text(), "12,5");
    taxText->setText("12.5");
    child<QPushButton>(w, "ok")->click();
    QLocale::setDefault(QLocale::c());
    EXPECT_FALSE(w->isVisible());
    // military is untouched and keeps its value; a year is stored as its days.
    EXPECT_EQ(setting("dateformatnr||' '||dateformatstr1||' '||FirstDay||' '||ampm||' '||"
                      "military||' '||Timeunits||' '||deldel||' '||arcdel||' '||taxpct"),
              "0 mm/dd/yyyy 0 -1 -1 30 365 7 12.5");
}

// The folder set in the options gets a calendar per item and type at once,
// each change to the bookings is published again, and a folder that went
// away is said once, not on every try.
TEST_P(Settings, PublishedCalendarsFollowTheOptionsAndEachChange)
{
    ASSERT_TRUE(
        db().exec("INSERT INTO lokaliteter (Lokalitetsnr, Lokalitetsnavn) VALUES (4, 'Halls')"));
    ASSERT_TRUE(
        db().exec("INSERT INTO lokale (lokalenr, lokalinr, Lokalenavn) VALUES (6, 4, 'Aula')"));
    const QString folder = pathOf("calendars");
    ASSERT_TRUE(QDir().mkpath(folder));
    Options* w = ShowOptions(nullptr);
    auto* edit = child<QLineEdit>(w, "PublishFolder");
    edit->setText(pathOf("nowhere"));
    emit edit->editingFinished();
    EXPECT_EQ(messages.texts(),
              QStringList{QString("The folder \"%1\" does not exist. / Publish Calendars")
                              .arg(pathOf("nowhere"))});
    // Browse…: a cancelled choice keeps what is there, a chosen folder replaces it.
    dialogs.chooseNext(std::nullopt);
    dialogs.chooseNext(folder);
    child<QPushButton>(w, "PublishFolderBrowse")->click();
    EXPECT_EQ(edit->text(), pathOf("nowhere"));
    messages.clear();
    child<QPushButton>(w, "PublishFolderBrowse")->click();
    EXPECT_EQ(edit->text(), folder);
    EXPECT_EQ(dialogs.titles, QStringList(2, "Publish Calendars to Folder"));
    EXPECT_TRUE(messages.texts().isEmpty());
    child<QCheckBox>(w, "CheckCsvBom")->click();
    child<QPushButton>(w, "ok")->click();
    EXPECT_EQ(setting("publishfolder").toString(), folder);
    Database d = db();
    EXPECT_TRUE(ReadExchangeSettings(d).csvByteOrderMark);

    // The events in the item's calendar, once the publisher has looked.
    auto& publisher = CalendarPublisher::instance();
    const QString aula = folder + "/item-6-Aula.ics";
    auto events = [&] {
        publisher.check();
        return QFile::exists(aula) ? fileBytes(aula).count("BEGIN:VEVENT") : -1;
    };
    EXPECT_EQ(events(), 0);
    EXPECT_TRUE(QFile::exists(folder + "/type-4-Halls.ics"));
    const int nr = addBooking(45000, 600, 660, 6, 1, 1, "Concert");
    EXPECT_EQ(events(), 1);
    ASSERT_TRUE(d.exec("DELETE FROM Booking WHERE Bookingnr = ?", {nr}));
    EXPECT_EQ(events(), 0);

    messages.clear();
    ASSERT_TRUE(QDir(folder).removeRecursively());
    addBooking(45000, 600, 660, 6, 1, 1, "Again");
    publisher.check();
    publisher.check();
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts()[0].startsWith("The calendars could not be published:"))
        << messages.texts()[0].toStdString();
}

TEST_P(Settings, OptionsShowAnUnlistedDelayInDaysAndTakeOnlyAFirstDayForFirstDay)
{
    ASSERT_TRUE(db().exec("UPDATE institutionsoplysninger SET deldel = 200, FirstDay = '1'"));
    Options* w = ShowOptions(nullptr);
    auto* delay = child<QComboBox>(w, "DelDelCombo");
    auto* unit = child<QLabel>(w, "DelDelUnit");
    EXPECT_EQ(delay->currentText(), "200 days");
    EXPECT_TRUE(unit->isHidden()) << "200 days are not 200 years";
    chooseData(delay, 548);
    EXPECT_EQ(delay->currentText(), QLocale().toString(1.5));
    EXPECT_FALSE(unit->isHidden());

    auto* firstDay = child<QLineEdit>(w, "FD");
    firstDay->setFocus();
    firstDay->selectAll();
    QTest::keyClicks(firstDay, "7x-");
    EXPECT_EQ(firstDay->text(), "1");
    QTest::keyClick(firstDay, Qt::Key_Backspace);
    QTest::keyClick(firstDay, Qt::Key_Return); // an emptied box takes its value back
    EXPECT_EQ(firstDay->text(), "1");
    QTest::keyClick(firstDay, Qt::Key_End);
    QTest::keyClick(firstDay, Qt::Key_Backspace);
    QTest::keyClicks(firstDay, "20");
    EXPECT_EQ(firstDay->text(), "0");
    w->close();
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(setting("deldel||' '||FirstDay"), "548 0");
}

TEST_P(Settings, ClosingTimesPutsTheRoundedMinutesIntoTheSession)
{
    OpeningHoursWindow* w = ShowOpeningHoursWindow(nullptr);
    auto* opening = child<TimeStepEdit>(w, "ctDEdit3");
    EXPECT_EQ(opening->value(), 28800) << "the stored 08:00 is shown";
    opening->setValue(7 * 3600 + 45 * 60);
    child<TimeStepEdit>(w, "ctDEdit5")->setValue(8 * 3600 + 30); // 480.5 minutes
    child<TimeStepEdit>(w, "ctDEdit6")->setValue(8 * 3600 + 90); // 481.5 minutes
    child<QPushButton>(w, "Command1")->click();
    const Session& s = session();
    EXPECT_EQ(QList<int>({s.OpeningTime, s.ClosingTime, s.PrimeTimeStart, s.PrintTimeStart,
                          s.PrintTimeEnd}),
              QList<int>({465, 1020, 540, 480, 482}));
    EXPECT_EQ(setting("Åbntid||' '||Skemaslut"), "27900 28890"); // 07:45, 08:01:30
}

TEST_P(Settings, DetailsAndLogoAreStoredWhenTheParametersClose)
{
    QImage picture(8, 6, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    ASSERT_TRUE(picture.save(pathOf("logo.bmp")));
    QFile bad(pathOf("notes.jpg"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly) && bad.write("not a picture") == 13 && bad.flush());

    CompanyInfoWindow* w = ShowCompanyInfoWindow(nullptr);
    auto* name = child<QLineEdit>(w, "Instutionsnavn");
    EXPECT_EQ(name->text(), "My Institution");
    QTest::keyClicks(name, " North");
    QTest::keyClicks(child<QLineEdit>(w, "gironr"), "DK50 0040");

    // Cancel and a bad file (said once) keep none; a picture shows.
    for (const auto& [choice, none] : {std::pair{std::optional<QString>(), true},
                                       {bad.fileName(), true},
                                       {pathOf("logo.bmp"), false}}) {
        dialogs.chooseNext(choice);
        child<QPushButton>(w, "changelogo")->click();
        EXPECT_EQ(child<QLabel>(w, "Logo")->pixmap().isNull(), none);
    }
    EXPECT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(dialogs.titles.value(0), "Load Logo");

    w->close();
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(setting("Instutionsnavn||'/'||gironr"), "My Institution North/DK50 0040");
    EXPECT_EQ(QImage::fromData(setting("Logopic").toByteArray()).size(), QSize(8, 6));

    // Cancelling the dialog later leaves the stored logo as it is.
    w = ShowCompanyInfoWindow(nullptr);
    dialogs.chooseNext(std::nullopt);
    child<QPushButton>(w, "changelogo")->click();
    w->close();
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(QImage::fromData(setting("Logopic").toByteArray()).size(), QSize(8, 6));
}

TEST_P(Settings, EachLookupListIsAddedToEditedAndDeletedThroughItsWindow)
{
    struct Case {
        LookupKind kind;
        const char *list, *add, *edit, *remove, *table, *key;
    } cases[] = {
        {LookupKind::Department, "dep", "AddDep", "edit", "delete", "Department", "depnr"},
        {LookupKind::FloorPlan, "FPlan", "AddFp", "Editfp", "Kommandoknap63", "opstilling", "ID"},
        {LookupKind::Homebase, "homeb", "addhb", "EditHB", "Slethomebse", "Homebases", "ID"}};
    CompanyInfoWindow* w = ShowCompanyInfoWindow(nullptr);
    for (const Case& c : cases) {
        const LookupInfo& info = Lookup(c.kind);
        SCOPED_TRACE(info.window.toStdString());
        auto* list = child<QListWidget>(w, c.list);
        messages.clear();

        child<QPushButton>(w, c.edit)->click();
        EXPECT_EQ(messages.texts(), QStringList{info.chooseText + " / Message"});
        EXPECT_EQ(WindowRegistry::instance().find(info.window), nullptr);

        child<QPushButton>(w, c.add)->click();
        QWidget* edit = WindowRegistry::instance().find(info.window);
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->windowTitle(), info.caption);
        QTest::keyClicks(child<QLineEdit>(edit, info.nameField.toLatin1()), "Basement");
        child<QPushButton>(edit, "ok")->click();
        ASSERT_EQ(list->count(), 1) << "the list shows the stored row at once";
        EXPECT_EQ(list->item(0)->text(), "Basement");
        const int key = list->item(0)->data(Qt::UserRole).toInt();

        list->setCurrentRow(0);
        child<QPushButton>(w, c.edit)->click();
        edit = WindowRegistry::instance().find(info.window);
        ASSERT_NE(edit, nullptr);
        auto* nameEdit = child<QLineEdit>(edit, info.nameField.toLatin1());
        EXPECT_EQ(nameEdit->text(), "Basement");
        nameEdit->setText("Cellar");
        child<QPushButton>(edit, "ok")->click();
        EXPECT_EQ(list->item(0)->text(), "Cellar");

        messages.clear();
        messages.answerNext(MsgAnswer::No);
        child<QPushButton>(w, c.remove)->click();
        ASSERT_EQ(messages.shown().size(), 1);
        EXPECT_EQ(messages.shown()[0].title, "Deletion Message");
        EXPECT_EQ(messages.shown()[0].defaultButton, MsgAnswer::No);
        EXPECT_EQ(list->count(), 1);
        // A floor plan in use goes too, and its booking keeps the number.
        const int booking = c.kind == LookupKind::FloorPlan ? addBooking(45000, 600, 660) : 0;
        ASSERT_TRUE(db().exec("UPDATE Booking SET ID = ? WHERE Bookingnr = ?", {key, booking}));
        messages.answerNext(MsgAnswer::Yes);
        child<QPushButton>(w, c.remove)->click();
        EXPECT_EQ(list->count(), 0);
        EXPECT_EQ(count(c.table, QString("%1 = ?").arg(c.key), {key}), 0);
        if (booking) {
            EXPECT_EQ(stored(booking, "ID"), QVariant(key));
        }
    }
}

TEST_P(Settings, CommandBarOpensEachSettingsWindow)
{
    RegisterSettingsWindows();
    for (const auto& [number, window] :
         {std::pair{241, "Paramform"}, {242, "Times"}, {24, "Options"}, {62, "About"}}) {
        ASSERT_TRUE(RunMenuCommand(Command(number), nullptr, nullptr));
        QWidget* w = WindowRegistry::instance().find(QString::fromLatin1(window));
        ASSERT_NE(w, nullptr) << window;
        EXPECT_TRUE(w->isVisible());
        EXPECT_EQ(w->windowModality(), Qt::ApplicationModal) << "the command bar waits";
        w->close();
    }
    child<QPushButton>(ShowAbout(nullptr), "Luk")->click();
    EXPECT_EQ(WindowRegistry::instance().find("About"), nullptr);
}

} // namespace
