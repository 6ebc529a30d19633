#include "series/serieswindows.h"

#include "booking/bookingform.h"
#include "booking/price.h"
#include "data/dates.h"
#include "platform/listcontrol.h"
#include "platform/messages.h"
#include "platform/reportformat.h"
#include "schedule/commands.h"
#include "series/fastgen.h"
#include "series/gudloebover.h"
#include "series/slettil.h"
#include "session/session.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace vestra {

namespace {

QString textOf(const BookingForm& form, const char* name)
{
    if (const auto* e = form.findChild<QLineEdit*>(QString::fromUtf8(name)))
        return e->text();
    if (const auto* e = form.findChild<QPlainTextEdit*>(QString::fromUtf8(name)))
        return e->toPlainText();
    if (const auto* e = form.findChild<QComboBox*>(QString::fromUtf8(name)))
        return e->currentText();
    return {};
}

// Empty fields are stored as nothing, as the form stores them.
QString nullable(const QString& text)
{
    return text.isEmpty() ? QString() : text;
}

QVariant numberOrNull(const QString& text)
{
    return text.isEmpty() ? QVariant() : QVariant(text.toInt());
}

const char* const kContactFields[] = {"Kontaktperson2",   "Kontaktpersonadr2", "Kontaktpersonpnr2",
                                      "Kontaktpersonby2", "Kontakttlf2",       "Kontakttlfb2"};

} // namespace

SeriesTemplate TemplateFromForm(const BookingForm& form)
{
    SeriesTemplate t;
    t.bookingnr = form.bookingnr();
    t.item = textOf(form, "lokalenr").toInt();
    t.startMinutes = MinutesFromSeconds(form.startSeconds());
    t.endMinutes = MinutesFromSeconds(form.endSeconds());
    t.beskrivelse = textOf(form, "Beskrivelse");
    t.langbeskrivelse = nullable(textOf(form, "langbeskrivelse"));
    t.bemaerkninger = nullable(textOf(form, "Bemærkninger"));
    t.antalpers = numberOrNull(textOf(form, "Antalpers"));
    t.pris = ParsePrice(textOf(form, "Pris")).value_or(0);
    t.leveringstype = nullable(textOf(form, "leveringstype"));
    t.curacname = nullable(textOf(form, "curacname"));
    t.kontonr = numberOrNull(textOf(form, "kontoknr"));
    for (int i = 0; i < 6; ++i)
        t.contact[i] = nullable(textOf(form, kContactFields[i]));
    if (const auto* plan = form.findChild<QComboBox*>(QStringLiteral("ID")))
        t.floorPlan = plan->currentData();
    if (const auto* tentative = form.findChild<QCheckBox*>(QStringLiteral("Tentative")))
        t.tentative = tentative->isChecked();
    return t;
}

int FormDay(const BookingForm& form)
{
    const auto* date = form.findChild<QDateEdit*>(QStringLiteral("Bdato"));
    return date ? DayNumber(date->date()) : 0;
}

int FormSeries(const BookingForm& form)
{
    return textOf(form, "gennr").toInt();
}

void SetUpCandidateList(ListControl* list)
{
    list->setColumns({{QStringLiteral("Date"), 80},
                      {QStringLiteral("Start"), 50},
                      {QStringLiteral("End"), 50},
                      {QStringLiteral("DB"), 30}});
    list->setPictureColumn(3);
}

QList<Candidate> ReloadCandidateList(ListControl* list, const QString& startFormat)
{
    list->clear();
    Database work = WorkDatabase();
    const QString dateFormat = session().DateFormatLong;
    const QList<Candidate> candidates = LoadCandidates(work, ListControl::kMaxFillRows);
    for (const Candidate& c : candidates) {
        // A date the busy file left unchecked says so beside its collision mark.
        const QString text = FormatValue(DateFromDayNumber(c.day), dateFormat) + QLatin1Char(';')
                             + FormatValue(c.start, startFormat) + QLatin1Char(';')
                             + FormatValue(c.end, QStringLiteral("HH:mm")) + QLatin1Char(';')
                             + (c.unchecked ? QStringLiteral("not checked") : QString());
        // First picture the collision mark, second the clear one.
        list->addRow(text, c.id, c.collides ? 0 : 1);
    }
    list->fitColumns();
    return candidates;
}

void RemoveSelectedCandidate(ListControl* list)
{
    const QVariant id = list->selectedData();
    if (!id.isValid())
        return;
    Database work = WorkDatabase();
    RemoveCandidate(work, id.toInt());
}

void ShowBookingFileBusy()
{
    showMessage(QStringLiteral("The booking file is busy; the dates could not be checked. Try "
                               "again."),
                QStringLiteral("Service Message"), MsgIcon::Warning);
}

void WarnWhenUnchecked()
{
    Database work = WorkDatabase();
    for (const Candidate& c : LoadCandidates(work)) {
        if (c.unchecked) {
            ShowBookingFileBusy();
            return;
        }
    }
}

bool CommitFromWindow(QWidget* window, BookingForm* form, int colour)
{
    // The template's own edits are stored first: a fee the form cannot store
    // must not be copied into the new bookings as 0.
    if (!form || !form->Store())
        return false;
    Database db = BookingFile();
    Database work = WorkDatabase();
    const SeriesTemplate t = TemplateFromForm(*form);
    const int booked = CommitSeries(db, work, t, colour);
    if (booked == kCommitItemGone) {
        showMessage(QStringLiteral("The resource no longer exists; it may have been deleted on "
                                   "another workstation."),
                    QStringLiteral("Service Message"), MsgIcon::Warning);
        return false;
    }
    if (booked < 0) {
        showMessage(QStringLiteral("The repeated booking could not be stored:\n") + db.lastError(),
                    QStringLiteral("Error"), MsgIcon::Critical);
        return false;
    }
    // The commit marked the template in the file; the form shows it too, in
    // case it stays open because another of its edits cannot be stored.
    if (auto* e = form->findChild<QLineEdit*>(QStringLiteral("gennr")))
        e->setText(QString::number(t.bookingnr));
    if (auto* e = form->findChild<QLineEdit*>(QStringLiteral("gentagende")))
        e->setText(QStringLiteral("True"));
    if (auto* e = form->findChild<QLineEdit*>(QStringLiteral("Bcolor")))
        e->setText(QString::number(colour));
    window->close();
    form->close();
    return true;
}

void RegisterSeriesWindows()
{
    SetRepeatedBookingWindows([](BookingForm* form) { ShowPatternWindow(form, true); },
                              [](BookingForm* form) { ShowAddOrDelete(form); });
    RegisterBookingTarget(18, [](QWidget* owner) { ShowExpiringSeries(owner); });
}

} // namespace vestra
