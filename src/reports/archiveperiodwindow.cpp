#include "reports/archiveperiodwindow.h"

#include "db/database.h"
#include "forms/periodpicker.h"
#include "reports/periodreports.h"
#include "services/messages.h"
#include "session/session.h"
#include "widgets/accessibility.h"
#include "widgets/windowregistry.h"

#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace vestra {

ArchivePeriodWindow::ArchivePeriodWindow(bool perAccount, QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setWindowTitle(perAccount ? QStringLiteral("Period Details") : QStringLiteral("Period Totals"));
    CloseOnEscape(this);
    const QDate today = QDate::currentDate();
    m_period = new PeriodPicker(this, {"cstart", "cend"}, today.addDays(-365), today);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Start date"), m_period->start());
    form->addRow(QStringLiteral("End date"), m_period->end());
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);

    if (perAccount) {
        m_accounts = new QListWidget(this);
        m_accounts->setObjectName(QStringLiteral("Account"));
        // A list reads only its own name, not its caption's.
        m_accounts->setAccessibleName(QStringLiteral("Account"));
        auto* caption = new QLabel(QStringLiteral("Account"), this);
        caption->setBuddy(m_accounts);
        layout->addWidget(caption);
        layout->addWidget(m_accounts, 1);
        fillAccounts();
    }

    auto* print = new QPushButton(QStringLiteral("Print"), this);
    print->setObjectName(QStringLiteral("Kommandoknap22"));
    print->setDefault(true);
    auto* exit = new QPushButton(QStringLiteral("Exit"), this);
    exit->setObjectName(QStringLiteral("Exit"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(print);
    buttons->addWidget(exit);
    layout->addLayout(buttons);

    connect(print, &QPushButton::clicked, this, [this] { this->print(); });
    connect(exit, &QPushButton::clicked, this, &QWidget::close);
    resize(perAccount ? 320 : 280, perAccount ? 420 : sizeHint().height());
}

void ArchivePeriodWindow::fillAccounts()
{
    Database db = BookingFile();
    auto q = db.query(QStringLiteral("SELECT ID, Kontonavn FROM kontifor"));
    if (!q)
        return;
    while (q->next()) {
        auto* item = new QListWidgetItem(q->value(1).toString(), m_accounts);
        item->setData(Qt::UserRole, q->value(0).toInt());
    }
}

QPrintPreviewDialog* ArchivePeriodWindow::print()
{
    const ReportPeriod period = ChosenPeriod(*m_period);
    if (!m_accounts)
        return PreviewReport(
            QStringLiteral("Period Totals"),
            [period](Database& db, QString* error, const RowProgress& progress) {
                return BuildPeriodTotals(db, period, error, progress);
            },
            this);

    const QListWidgetItem* chosen = m_accounts->currentItem();
    if (!chosen || !chosen->isSelected()) {
        showMessage(QStringLiteral("Please choose an account!"), QStringLiteral("Service Message"));
        return nullptr;
    }
    const int account = chosen->data(Qt::UserRole).toInt();
    const QString name = chosen->text();
    return PreviewReport(
        QStringLiteral("Period Details (Account)"),
        [=](Database& db, QString* error, const RowProgress& progress) {
            return BuildPeriodDetail(db, period, account, name, error, progress);
        },
        this);
}

ArchivePeriodWindow* ShowArchivePeriodWindow(bool perAccount, QWidget* owner)
{
    auto& windows = WindowRegistry::instance();
    auto* w = windows.obtain<ArchivePeriodWindow>(
        perAccount ? QStringLiteral("datoarkivperiodeAC") : QStringLiteral("datoarkivperiodeht"),
        [perAccount] { return new ArchivePeriodWindow(perAccount); });
    windows.show(w, ShowMode::Owned, owner);
    return w;
}

} // namespace vestra
