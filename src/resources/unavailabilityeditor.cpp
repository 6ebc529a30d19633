#include "resources/unavailabilityeditor.h"

#include "data/dates.h"
#include "forms/openeditors.h"
#include "services/messages.h"
#include "session/session.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vestra {

namespace {

constexpr int kCorrectionDays = 14;
// Messages given without a title of their own carry the program's name.
const QString kProgramTitle = QStringLiteral("Vestra");

// The spin buttons and arrow keys move the date by a day, whichever part
// of the date the cursor is in.
class DayStepDateEdit : public QDateEdit {
public:
    using QDateEdit::QDateEdit;
    void stepBy(int steps) override { setDate(date().addDays(steps)); }

protected:
    StepEnabled stepEnabled() const override
    {
        if (isReadOnly())
            return StepNone;
        StepEnabled enabled = StepNone;
        if (date() > minimumDate())
            enabled |= StepDownEnabled;
        if (date() < maximumDate())
            enabled |= StepUpEnabled;
        return enabled;
    }
};

std::optional<int> dayOrEmpty(const QVariant& value)
{
    if (value.isNull() || !value.isValid())
        return std::nullopt;
    return value.toInt();
}

QVariant dayOrNull(const std::optional<int>& day)
{
    return day ? QVariant(*day) : QVariant(QMetaType::fromType<int>());
}

} // namespace

PeriodCheck CheckPeriod(const QDate& start, const QDate& end, PeriodEnd changed)
{
    if (changed == PeriodEnd::End && end < start)
        return {start, start.addDays(kCorrectionDays), true};
    if (changed == PeriodEnd::Start && start > end)
        return {end.addDays(-kCorrectionDays), end, true};
    return {start, end, false};
}

std::optional<UnavailRecord> LoadUnavail(Database& bookingFile, int lokalenr)
{
    auto q = bookingFile.query(QStringLiteral("SELECT lokalenr, Lokalenavn, inaktiv, inakstart, "
                                              "inakslut FROM lokale WHERE lokalenr = ?"),
                               {lokalenr});
    if (!q || !q->next())
        return std::nullopt;
    UnavailRecord r;
    r.lokalenr = q->value(0).toInt();
    r.Lokalenavn = q->value(1).toString();
    r.inaktiv = q->value(2).toInt() != 0;
    r.inakstart = dayOrEmpty(q->value(3));
    r.inakslut = dayOrEmpty(q->value(4));
    return r;
}

bool SaveUnavail(Database& bookingFile, const UnavailRecord& record, const UnavailRecord* loaded)
{
    QStringList sets;
    QVariantList binds;
    if (!loaded || loaded->inaktiv != record.inaktiv) {
        sets << QStringLiteral("inaktiv = ?");
        binds << (record.inaktiv ? -1 : 0);
    }
    if (!loaded || loaded->inakstart != record.inakstart) {
        sets << QStringLiteral("inakstart = ?");
        binds << dayOrNull(record.inakstart);
    }
    if (!loaded || loaded->inakslut != record.inakslut) {
        sets << QStringLiteral("inakslut = ?");
        binds << dayOrNull(record.inakslut);
    }
    if (sets.isEmpty())
        return true;
    binds << record.lokalenr;
    return bookingFile.exec(QStringLiteral("UPDATE lokale SET ") + sets.join(QStringLiteral(", "))
                                + QStringLiteral(" WHERE lokalenr = ?"),
                            binds);
}

UnavailabilityEditor::UnavailabilityEditor(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("EditUnavail"));
    setWindowTitle(QStringLiteral("Vestra -  Unavailable ressource edit"));

    m_number = new QLineEdit(this);
    m_number->setObjectName(QStringLiteral("lokalenr"));
    m_number->setReadOnly(true); // the key is never edited
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("Lokalenavn"));
    m_name->setReadOnly(true); // the item window edits the name; here it identifies the item
    m_inaktiv = new QCheckBox(QStringLiteral(" Unavailable"), this);
    m_inaktiv->setObjectName(QStringLiteral("inaktiv"));

    const QString format = QtDateFormatForNumber(session().DateFormatNo);
    auto makeDate = [this, &format](const QString& name) {
        auto* edit = new DayStepDateEdit(this);
        edit->setObjectName(name);
        edit->setDisplayFormat(format);
        edit->setMinimumDate(DateFromDayNumber(0));
        // A typed date counts once it is complete, not at every keystroke.
        edit->setKeyboardTracking(false);
        return edit;
    };
    m_start = makeDate(QStringLiteral("cstart"));
    m_end = makeDate(QStringLiteral("cslut"));

    m_ok = new QPushButton(QStringLiteral("Ok"), this);
    m_ok->setObjectName(QStringLiteral("ok"));
    m_ok->setDefault(true);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Item no.:"), m_number);
    form->addRow(QStringLiteral("Item:"), m_name);
    form->addRow(QString(), m_inaktiv);
    auto* fromLabel = new QLabel(QStringLiteral("From:"), this);
    fromLabel->setBuddy(m_start);
    auto* toLabel = new QLabel(QStringLiteral("To:"), this);
    toLabel->setBuddy(m_end);
    form->addRow(fromLabel, m_start);
    form->addRow(toLabel, m_end);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    setMinimumWidth(320);

    connect(m_inaktiv, &QCheckBox::clicked, this, &UnavailabilityEditor::unavailableClicked);
    connect(m_start, &QDateEdit::dateChanged, this, [this] { dateChanged(PeriodEnd::Start); });
    connect(m_end, &QDateEdit::dateChanged, this, [this] { dateChanged(PeriodEnd::End); });
    connect(m_ok, &QPushButton::clicked, this, &QWidget::close);
}

bool UnavailabilityEditor::FindItem(int lokalenr)
{
    // A record that cannot be written stays shown with what was typed.
    if (m_record && m_record->lokalenr != lokalenr && !writeRecord())
        return false;
    Database db = BookingFile();
    const auto found = LoadUnavail(db, lokalenr);
    if (!found)
        return false; // the shown record, if any, stays
    m_record = found;

    m_loading = true;
    m_number->setText(QString::number(m_record->lokalenr));
    m_name->setText(m_record->Lokalenavn);
    m_inaktiv->setChecked(m_record->inaktiv);
    // An item without a period shows today until one is chosen.
    const QDate today = QDate::currentDate();
    m_shownStart = m_record->inakstart ? DateFromDayNumber(*m_record->inakstart) : today;
    m_shownEnd = m_record->inakslut ? DateFromDayNumber(*m_record->inakslut) : today;
    m_start->setDate(m_shownStart);
    m_end->setDate(m_shownEnd);
    setDatesEditable(m_record->inaktiv);
    m_loading = false;
    return true;
}

void UnavailabilityEditor::unavailableClicked(bool checked)
{
    if (checked) {
        const QDate today = QDate::currentDate();
        setDates(today, today);
        // The period is chosen now, even where today is what an empty date
        // showed: an unavailable item without its dates would be stored.
        m_shownStart = m_shownEnd = QDate();
    }
    setDatesEditable(checked);
}

void UnavailabilityEditor::dateChanged(PeriodEnd changed)
{
    if (m_loading)
        return;
    const PeriodCheck check = CheckPeriod(m_start->date(), m_end->date(), changed);
    if (!check.corrected)
        return;
    showMessage(QStringLiteral("End date must exceed start date!"), kProgramTitle);
    setDates(check.start, check.end);
}

void UnavailabilityEditor::setDates(const QDate& start, const QDate& end)
{
    // The program's own changes are not checked again.
    const bool wasLoading = m_loading;
    m_loading = true;
    m_start->setDate(start);
    m_end->setDate(end);
    m_loading = wasLoading;
}

void UnavailabilityEditor::setDatesEditable(bool editable)
{
    m_start->setReadOnly(!editable);
    m_end->setReadOnly(!editable);
}

bool UnavailabilityEditor::writeRecord()
{
    if (!m_record)
        return true;
    UnavailRecord r = *m_record;
    r.inaktiv = m_inaktiv->isChecked();
    // A date the row did not hold is stored only once the user has set one.
    if (r.inakstart || m_start->date() != m_shownStart)
        r.inakstart = DayNumber(m_start->date());
    if (r.inakslut || m_end->date() != m_shownEnd)
        r.inakslut = DayNumber(m_end->date());
    const bool changed = r.inaktiv != m_record->inaktiv || r.inakstart != m_record->inakstart
                         || r.inakslut != m_record->inakslut;
    // An item window open on the item writes what is typed there first and
    // reads the item again after, or its next write would be refused.
    const QString table = QStringLiteral("lokale");
    if (changed && !OpenEditors::storeTyped(table, r.lokalenr))
        return false;
    Database db = BookingFile();
    if (!SaveUnavail(db, r, &*m_record)) {
        showMessage(db.lastError(), QStringLiteral("Error"), MsgIcon::Critical);
        return false;
    }
    if (changed)
        OpenEditors::reread(table, r.lokalenr);
    m_record = r;
    m_shownStart = m_start->date();
    m_shownEnd = m_end->date();
    return true;
}

void UnavailabilityEditor::closeEvent(QCloseEvent* event)
{
    // A record that could not be written keeps the window open, so the
    // user's change is not lost silently.
    if (!writeRecord()) {
        event->ignore();
        return;
    }
    event->accept();
    emit closed();
}

} // namespace vestra
