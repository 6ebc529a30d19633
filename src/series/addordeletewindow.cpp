#include "series/addordeletewindow.h"

#include "booking/bookingform.h"
#include "series/patternwindow.h"
#include "series/seriesdeletewindow.h"
#include "widgets/windowregistry.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vestra {

AddOrDeleteWindow::AddOrDeleteWindow(BookingForm* form, QWidget* parent)
    : QWidget(parent, Qt::Window), m_form(form)
{
    setWindowTitle(QStringLiteral("Add or Delete?"));
    auto* text = new QLabel(
        QStringLiteral("This is a repeating booking. Do you wish to add or delete bookings?"),
        this);
    text->setWordWrap(true);
    auto* add = new QPushButton(QStringLiteral("Add"), this);
    add->setObjectName(QStringLiteral("Add"));
    auto* remove = new QPushButton(QStringLiteral("Delete"), this);
    remove->setObjectName(QStringLiteral("delete"));
    auto* exit = new QPushButton(QStringLiteral("Exit"), this);
    exit->setObjectName(QStringLiteral("exit"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addStretch();
    buttons->addWidget(exit);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addLayout(buttons);

    // Each choice closes this window before opening the next: the form is
    // the owner of both, this one must not linger between them.
    connect(add, &QPushButton::clicked, this, [this] {
        QPointer<BookingForm> form = m_form;
        close();
        if (form)
            ShowPatternWindow(form, false);
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        QPointer<BookingForm> form = m_form;
        close();
        if (form)
            ShowSeriesDelete(form);
    });
    connect(exit, &QPushButton::clicked, this, &QWidget::close);
    resize(380, sizeHint().height());
}

AddOrDeleteWindow* ShowAddOrDelete(BookingForm* form)
{
    auto& windows = WindowRegistry::instance();
    auto* w = windows.obtain<AddOrDeleteWindow>(QStringLiteral("slettil"),
                                                [form] { return new AddOrDeleteWindow(form); });
    windows.show(w, ShowMode::Owned, form);
    return w;
}

} // namespace vestra
