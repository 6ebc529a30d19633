#include "booking/bookinginfowindow.h"

#include "data/dates.h"
#include "forms/boundrow.h"
#include "report/reportformat.h"
#include "services/messages.h"
#include "session/session.h"
#include "widgets/scrolledbody.h"
#include "widgets/windowregistry.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vestra {

namespace {
const char* const kFields[][2] = {
    {"Bookingnr", "Booking:"}, {"Bdato", "Date:"},           {"Lokalenavn", "Resource:"},
    {"Kontonavn", "Account:"}, {"kontokontakt", "Contact:"}, {"Kontotlf", "Phone:"},
    {"Kontotlfp", "Mobile:"},  {"start", "Starts at :"},     {"slut", "Ends at :"}};
} // namespace

BookingInfoWindow::BookingInfoWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Searchinfoform"));
    setWindowTitle(QStringLiteral("Vestra  -  Booking Info"));
    auto* layout = new QVBoxLayout;
    SetScrolledBody(this, layout);
    auto* form = new QFormLayout;
    for (const auto& [name, caption] : kFields) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromUtf8(name));
        e->setReadOnly(true);
        m_fields << e;
        form->addRow(QString::fromUtf8(caption), e);
        if (QByteArray(name) == "Kontotlfp") {
            m_title = new QLineEdit(this);
            m_title->setObjectName(QStringLiteral("Beskrivelse"));
            m_title->setReadOnly(true);
            m_description = new QPlainTextEdit(this);
            m_description->setObjectName(QStringLiteral("langbeskrivelse"));
            m_description->setAccessibleName(QStringLiteral("Description"));
            m_description->setReadOnly(true);
            m_description->setTabChangesFocus(true);
            form->addRow(QStringLiteral("Description:"), m_title);
            form->addRow(QString(), m_description);
        }
    }
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setObjectName(QStringLiteral("luk"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QWidget::close);
    layout->addWidget(buttons);
    resize(460, 420);
}

bool BookingInfoWindow::OpenOn(int bookingnr)
{
    // Read-only: the source is never asked to store.
    BoundRow rec(QStringLiteral("bookingfor"), QStringLiteral("Booking"),
                 QStringLiteral("Bookingnr"), {});
    Database db = BookingFile();
    if (!rec.find(db, bookingnr))
        return false;
    for (QLineEdit* e : m_fields) {
        const QString name = e->objectName();
        const QVariant v = rec.value(name);
        if (name == QStringLiteral("Bdato"))
            e->setText(FormatValue(DateFromDayNumber(v.toInt()), session().DateFormatLong));
        else if (name == QStringLiteral("start") || name == QStringLiteral("slut"))
            e->setText(QTime(0, 0).addSecs(v.toInt()).toString(QStringLiteral("HH:mm")));
        else
            e->setText(v.toString());
    }
    m_title->setText(rec.value(QStringLiteral("Beskrivelse")).toString());
    m_description->setPlainText(rec.value(QStringLiteral("langbeskrivelse")).toString());
    return true;
}

BookingInfoWindow* ShowBookingInfoWindow(int bookingnr, QWidget* owner)
{
    auto& windows = WindowRegistry::instance();
    auto* w = windows.obtain<BookingInfoWindow>(QStringLiteral("Searchinfoform"),
                                                [] { return new BookingInfoWindow; });
    if (!w->OpenOn(bookingnr)) {
        showMessage(QStringLiteral("The booking no longer exists; another workstation may have "
                                   "deleted it."),
                    QStringLiteral("Service Message"), MsgIcon::Warning);
        w->close();
        return nullptr;
    }
    windows.show(w, ShowMode::Owned, owner);
    return w;
}

} // namespace vestra
