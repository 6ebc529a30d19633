#include "series/gudloebover.h"

#include "data/dates.h"
#include "platform/listcontrol.h"
#include "platform/messages.h"
#include "platform/reportformat.h"
#include "platform/windowregistry.h"
#include "series/seriesdelete.h"
#include "session/session.h"

#include <QDateEdit>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace vestra {

namespace {

QDateEdit* datePicker(const char* name, QWidget* parent)
{
    auto* d = new QDateEdit(parent);
    d->setObjectName(QString::fromLatin1(name));
    d->setCalendarPopup(true);
    d->setDisplayFormat(QtDateFormat(session().DateFormatLong));
    return d;
}

QLineEdit* hiddenField(const char* name, QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->hide();
    return e;
}

QString shortDate(const QDate& date)
{
    return FormatValue(date, QStringLiteral("Short Date"));
}

} // namespace

ExpiringSeriesWindow::ExpiringSeriesWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("Vestra - Repeated Bookings / Expire Dates"));

    m_start = datePicker("Cstart", this);
    m_end = datePicker("Cend", this);
    m_fromDay = hiddenField("fradato", this);
    m_toDay = hiddenField("tildato", this);

    m_list = new ListControl(this);
    m_list->setObjectName(QStringLiteral("ul"));
    m_list->setAccessibleName(QStringLiteral("Expiring repeated bookings"));
    m_list->setRootIsDecorated(false);
    m_list->setColumns({{QStringLiteral("Booking"), 140},
                        {QStringLiteral("Exp. Date"), 70},
                        {QStringLiteral("Start"), 40},
                        {QStringLiteral("End"), 40},
                        {QStringLiteral("Resource"), 110},
                        {QStringLiteral("Group"), 110},
                        {QStringLiteral("Contact"), 80}});

    auto* print = new QPushButton(QIcon::fromTheme(QStringLiteral("document-print")),
                                  QStringLiteral("Print"), this);
    print->setObjectName(QStringLiteral("PrintButton"));
    auto* exit = new QPushButton(QStringLiteral("Exit"), this);
    exit->setObjectName(QStringLiteral("luk"));

    auto* dates = new QHBoxLayout;
    auto* from = new QFormLayout;
    from->addRow(QStringLiteral("From:"), m_start);
    auto* to = new QFormLayout;
    to->addRow(QStringLiteral("To:"), m_end);
    dates->addLayout(from);
    dates->addLayout(to);
    dates->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(print);
    buttons->addStretch();
    buttons->addWidget(exit);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(dates);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);

    const QDate today = QDate::currentDate();
    {
        const QSignalBlocker quietStart(m_start);
        const QSignalBlocker quietEnd(m_end);
        m_start->setDate(today);
        m_end->setDate(today.addDays(31));
    }
    m_fromDay->setText(QString::number(DayNumber(today)));
    m_toDay->setText(QString::number(DayNumber(today.addDays(31))));

    connect(m_start, &QDateEdit::dateChanged, this, &ExpiringSeriesWindow::startChanged);
    connect(m_end, &QDateEdit::dateChanged, this, &ExpiringSeriesWindow::endChanged);
    connect(print, &QPushButton::clicked, this, &ExpiringSeriesWindow::Print);
    connect(exit, &QPushButton::clicked, this, &QWidget::close);

    Reload();
    const int margins = layout->contentsMargins().left() + layout->contentsMargins().right();
    int width = std::max(m_list->columnsWidth(), m_list->unitWidth(590)) + margins;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        width = std::min(width, screen->availableGeometry().width() * 9 / 10);
    resize(width, 400);
    m_list->setFocus();
}

void ExpiringSeriesWindow::Reload()
{
    m_list->clear();
    Database db = BookingFile();
    const QString dateFormat = session().DateFormatLong;
    const QString timeFormat = QStringLiteral("hh:mm");
    for (const ExpiringSeries& s : LoadExpiringSeries(
             db, m_fromDay->text().toInt(), m_toDay->text().toInt(), ListControl::kMaxFillRows))
        m_list->addRow(QStringList{s.title, FormatValue(DateFromDayNumber(s.lastDay), dateFormat),
                                   FormatValue(TimeFromMinutes(s.start), timeFormat),
                                   FormatValue(TimeFromMinutes(s.end), timeFormat), s.item,
                                   s.account, s.phone}
                           .join(QLatin1Char(';')));
    m_list->fitColumns();
}

void ExpiringSeriesWindow::endChanged(const QDate& date)
{
    if (date < m_start->date()) {
        showMessage(QStringLiteral("Enddate must be later than Startdate!"),
                    QStringLiteral("Date Info"));
        const QSignalBlocker quiet(m_end);
        m_end->setDate(DateFromDayNumber(m_toDay->text().toInt()));
    }
    m_toDay->setText(QString::number(DayNumber(m_end->date())));
    Reload();
}

void ExpiringSeriesWindow::startChanged(const QDate& date)
{
    if (date > m_end->date()) {
        showMessage(QStringLiteral("Startdate must be earlier than Enddate!"),
                    QStringLiteral("Date Info"));
        const QSignalBlocker quiet(m_start);
        m_start->setDate(DateFromDayNumber(m_fromDay->text().toInt()));
    }
    m_fromDay->setText(QString::number(DayNumber(m_start->date())));
    Reload();
}

QString ExpiringSeriesWindow::PrintTitle() const
{
    return QStringLiteral("Repeating Bookings / Expire dates between ") + shortDate(m_start->date())
           + QStringLiteral(" and ") + shortDate(m_end->date());
}

void ExpiringSeriesWindow::Print()
{
    const Session& s = session();
    m_list->printPreview(PrintTitle(), s.InstitutionName + QStringLiteral(", ") + s.InstitutionCity
                                           + QStringLiteral(", ")
                                           + shortDate(QDate::currentDate()));
}

ExpiringSeriesWindow* ShowExpiringSeries(QWidget* owner)
{
    auto& windows = WindowRegistry::instance();
    auto* w = windows.obtain<ExpiringSeriesWindow>(QStringLiteral("gudløbover"),
                                                   [] { return new ExpiringSeriesWindow; });
    // Free, as every window of the booking tool bar: it stays when the
    // schedule switches between day and week.
    windows.show(w, ShowMode::Free, owner);
    return w;
}

} // namespace vestra
