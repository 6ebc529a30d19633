#include "reports/bookingoverviewwindow.h"

#include "widgets/accessibility.h"

#include "forms/periodpicker.h"
#include "reports/overview.h"
#include "widgets/windowregistry.h"

#include <QDateEdit>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vestra {

BookingOverviewWindow::BookingOverviewWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("Overwiew"));
    CloseOnEscape(this);
    const QDate today = QDate::currentDate();
    m_period = new PeriodPicker(this, {"fradato", "tildato"}, today, today.addDays(7));

    auto* criteria = new QGroupBox(QStringLiteral("Print Criteria"), this);
    auto* dates = new QFormLayout;
    dates->addRow(QStringLiteral("Start:"), m_period->start());
    dates->addRow(QStringLiteral("End:"), m_period->end());

    auto* kinds = new QGroupBox(QStringLiteral("Group"), criteria);
    auto* kindLayout = new QVBoxLayout(kinds);
    const struct {
        const char* name;
        const char* caption;
        OverviewChoice choice;
    } options[] = {{"AltAll", "All Groups", OverviewChoice::All},
                   {"AltDom", "Domestic", OverviewChoice::Domestic},
                   {"AltAdd", "Add On", OverviewChoice::AddOn},
                   {"AltStand", "Stand Alone", OverviewChoice::StandAlone}};
    for (const auto& o : options) {
        auto* b = new QRadioButton(QString::fromLatin1(o.caption), kinds);
        b->setObjectName(QString::fromLatin1(o.name));
        b->setChecked(o.choice == OverviewChoice::All);
        kindLayout->addWidget(b);
        connect(b, &QRadioButton::clicked, this, [this, choice = o.choice] { choose(choice); });
    }

    auto* criteriaLayout = new QHBoxLayout(criteria);
    criteriaLayout->addLayout(dates);
    criteriaLayout->addWidget(kinds);

    auto* print = new QPushButton(QStringLiteral("Print"), this);
    print->setObjectName(QStringLiteral("Udskriv"));
    print->setDefault(true);
    auto* exit = new QPushButton(QStringLiteral("Exit"), this);
    exit->setObjectName(QStringLiteral("annuler"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(print);
    buttons->addWidget(exit);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(criteria);
    layout->addLayout(buttons);

    connect(print, &QPushButton::clicked, this, [this] { this->print(); });
    connect(exit, &QPushButton::clicked, this, &QWidget::close);
    choose(OverviewChoice::All);
}

void BookingOverviewWindow::choose(OverviewChoice choice)
{
    m_kinds = OverviewKindsFor(choice);
}

QPrintPreviewDialog* BookingOverviewWindow::print()
{
    const ReportPeriod period = ChosenPeriod(*m_period);
    const OverviewKinds kinds = m_kinds;
    return PreviewReport(
        QStringLiteral("Booking Overview"),
        [=](Database& db, QString* error, const RowProgress& progress) {
            return BuildOverview(db, period, kinds, error, progress);
        },
        this);
}

BookingOverviewWindow* ShowBookingOverviewWindow(QWidget* owner)
{
    auto& windows = WindowRegistry::instance();
    auto* w = windows.obtain<BookingOverviewWindow>(QStringLiteral("datobookingperiode"),
                                                    [] { return new BookingOverviewWindow; });
    windows.show(w, ShowMode::Owned, owner);
    return w;
}

} // namespace vestra
