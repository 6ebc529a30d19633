#include "lists/changelogwindow.h"

#include "data/audit.h"
#include "data/dates.h"
#include "data/helpers.h"
#include "forms/periodpicker.h"
#include "lists/listdata.h"
#include "services/messages.h"
#include "session/session.h"
#include "shell/navigator.h"
#include "widgets/windowregistry.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlRecord>

namespace vestra {

namespace {

// Actions whose key is a booking number.
const QStringList kBookingActions = {
    QStringLiteral("created"),          QStringLiteral("moved"),         QStringLiteral("resized"),
    QStringLiteral("retyped"),          QStringLiteral("edited"),        QStringLiteral("deleted"),
    QStringLiteral("series committed"), QStringLiteral("series updated")};

} // namespace

QVector<ListControlColumn> ChangeLogColumns()
{
    return {{QStringLiteral("When"), 110},   {QStringLiteral("Workstation"), 80},
            {QStringLiteral("Account"), 70}, {QStringLiteral("Action"), 80},
            {QStringLiteral("Key"), 50},     {QStringLiteral("Change"), 320}};
}

ListFillSource ChangeLogFillSource(const ChangeLogFilter& filter)
{
    // The period is of local days; the rows sort and filter on their UTC time.
    const QString from = filter.from.startOfDay().toUTC().toString(Qt::ISODateWithMs);
    const QString to = filter.to.addDays(1).startOfDay().toUTC().toString(Qt::ISODateWithMs);
    QString sql = QStringLiteral("SELECT ID, whenlocal, workstation, account, action, itemkey, "
                                 "summary FROM Auditlog WHERE whenutc >= ? AND whenutc < ?");
    QVariantList binds{from, to};
    if (!filter.search.isEmpty()) {
        const Engine engine = EngineOf(session().BookingFilePath);
        const QString pattern = dialect::fold(engine, QStringLiteral("?"));
        QStringList matches;
        for (const char* column : {"account", "workstation", "action", "itemkey", "summary"}) {
            matches << QStringLiteral("%1 LIKE %2 ESCAPE '!'")
                           .arg(dialect::fold(engine, QString::fromLatin1(column)), pattern);
            binds << ContainsPattern(filter.search);
        }
        sql += QStringLiteral(" AND (") + matches.join(QStringLiteral(" OR ")) + QLatin1Char(')');
    }
    sql += QStringLiteral(" ORDER BY ID DESC");
    return {BookingFile, sql, binds, [](const QSqlRecord& r) -> std::optional<ListRow> {
                QVariantList cells;
                // A user name is set apart like the texts in the summary.
                for (int i = 1; i <= 6; ++i)
                    cells << (i == 3 ? IsolatedText(r.value(i).toString()) : r.value(i).toString());
                return ListRow{cells, r.value(0).toInt(), -1};
            }};
}

std::optional<int> LoggedBooking(Database& db, int auditId)
{
    auto q =
        db.query(QStringLiteral("SELECT action, itemkey FROM Auditlog WHERE ID = ?"), {auditId});
    if (!q || !q->next() || !kBookingActions.contains(q->value(0).toString()))
        return std::nullopt;
    bool ok = false;
    const int nr = q->value(1).toString().toInt(&ok);
    return ok ? std::optional<int>(nr) : std::nullopt;
}

ChangeLogWindow::ChangeLogWindow(QWidget* parent)
    : BookingListWindow(QStringLiteral("ChangeLog"), QStringLiteral("Vestra  -  Change Log"),
                        parent)
{
    m_search = new QLineEdit(this);
    m_search->setObjectName(QStringLiteral("search"));
    m_search->setClearButtonEnabled(true);
    const QDate today = QDate::currentDate();
    m_period = new PeriodPicker(this, {}, today.addDays(-30), today);
    auto* searchLabel = new QLabel(QStringLiteral("&Search"), this);
    searchLabel->setBuddy(m_search);
    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(m_period->row());
    filterRow->addWidget(searchLabel);
    filterRow->addWidget(m_search, 1);
    rows()->addLayout(filterRow);

    addList("ChangeList", QStringLiteral("Changes"));
    QPushButton* show = addButton(QStringLiteral("Show this booking"), "ShowBooking");
    QPushButton* print = addPrintButton("Print");
    addExitButton("Exit");

    connect(m_search, &QLineEdit::textChanged, this, &ChangeLogWindow::Reload);
    connect(m_period, &PeriodPicker::changed, this, &ChangeLogWindow::Reload);
    connect(m_list, &ListControl::rowActivated, this, &ChangeLogWindow::ShowBooking);
    connect(show, &QPushButton::clicked, this, &ChangeLogWindow::ShowBooking);
    connect(print, &QPushButton::clicked, this, &ChangeLogWindow::Print);

    m_list->setColumns(ChangeLogColumns());
    Reload();
    fitToList(760, 460);
}

void ChangeLogWindow::Reload()
{
    fillFrom(ChangeLogFillSource({DateFromDayNumber(m_period->fromDay()),
                                  DateFromDayNumber(m_period->toDay()), m_search->text()}));
}

void ChangeLogWindow::ShowBooking()
{
    const QVariant id = m_list->selectedData();
    if (!id.isValid()) {
        showMessage(QStringLiteral("No change selected"), QStringLiteral("Service Message"));
        return;
    }
    Database db = BookingFile();
    const auto nr = LoggedBooking(db, id.toInt());
    if (!nr) {
        showMessage(QStringLiteral("This change is not about a booking."),
                    QStringLiteral("Service Message"));
        return;
    }
    const auto place = FindBookingPlace(db, *nr);
    if (!place) {
        showMessage(QStringLiteral("Booking %1 no longer exists.").arg(*nr),
                    QStringLiteral("Service Message"));
        return;
    }
    if (navigator().showBookingInSchedule)
        navigator().showBookingInSchedule(*nr, *place, this);
}

void ChangeLogWindow::Print()
{
    printList(QStringLiteral("Change Log"), QStringLiteral(", "));
}

ChangeLogWindow* ShowChangeLog(QWidget* owner)
{
    auto& windows = WindowRegistry::instance();
    auto* w = windows.obtain<ChangeLogWindow>(QStringLiteral("ChangeLog"),
                                              [] { return new ChangeLogWindow; });
    windows.show(w, ShowMode::Free, owner);
    return w;
}

} // namespace vestra
