#include "reports/bookingoverviewwindow.h"

#include "platform/windowregistry.h"
#include "reports/overview.h"
#include "reports/periodpickers.h"

#include <QDateEdit>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vestra {

namespace {

QLineEdit* hiddenBox(const char* name, QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->hide();
    return e;
}

} // namespace

BookingOverviewWindow::BookingOverviewWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("Overwiew"));
    const QDate today = QDate::currentDate();
    m_period =
        new PeriodPickers(this, {"fradato", "tildato", "fra", "til"}, today, today.addDays(7));
    m_g1 = hiddenBox("g1", this);
    m_g2 = hiddenBox("g2", this);
    m_g3 = hiddenBox("g3", this);
    m_text = hiddenBox("Prtext", this);

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
    const OverviewKinds kinds = OverviewKindsFor(choice);
    m_g1->setText(QString::number(kinds.g1));
    m_g2->setText(QString::number(kinds.g2));
    m_g3->setText(QString::number(kinds.g3));
    m_text->setText(kinds.text);
}

QPrintPreviewDialog* BookingOverviewWindow::print()
{
    const ReportPeriod period = m_period->period();
    const OverviewKinds kinds{m_g1->text().toInt(), m_g2->text().toInt(), m_g3->text().toInt(),
                              m_text->text()};
    return PreviewReport(
        QStringLiteral("Booking Overview"),
        [=](Database& db, QString* error) { return BuildOverview(db, period, kinds, error); },
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
