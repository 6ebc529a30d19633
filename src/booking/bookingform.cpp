#include "booking/bookingform.h"

#include "undo/undo.h"

#include "booking/seriesupdate.h"
#include "data/audit.h"
#include "data/dates.h"
#include "exchange/calendar.h"
#include "exchange/safewrite.h"
#include "forms/fieldeditors.h"
#include "report/reportformat.h"
#include "services/messages.h"
#include "session/session.h"
#include "session/storewatcher.h"
#include "widgets/externalurls.h"
#include "widgets/scrolledbody.h"
#include "widgets/windowregistry.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace vestra {

namespace {

FormWindowOpener g_pattern;
FormWindowOpener g_addOrDelete;
ReceiptOpener g_receipt;

// The Booking fields the form writes back.
const QStringList kWritable = {QStringLiteral("Beskrivelse"),
                               QStringLiteral("langbeskrivelse"),
                               QStringLiteral("Bemærkninger"),
                               QStringLiteral("kontonr"),
                               QStringLiteral("curacname"),
                               QStringLiteral("ID"),
                               QStringLiteral("Antalpers"),
                               QStringLiteral("leveringstype"),
                               QStringLiteral("Bdato"),
                               QStringLiteral("Bstart"),
                               QStringLiteral("Bslut"),
                               QStringLiteral("Tentative"),
                               QStringLiteral("Pris"),
                               QStringLiteral("tax"),
                               QStringLiteral("bvpris"),
                               QStringLiteral("Kontaktperson2"),
                               QStringLiteral("Kontaktpersonadr2"),
                               QStringLiteral("Kontaktpersonpnr2"),
                               QStringLiteral("Kontaktpersonby2"),
                               QStringLiteral("Kontakttlf2"),
                               QStringLiteral("Kontakttlfb2")};

const char* const kAccountFields[][2] = {{"kontokontakt", "Contact:"}, {"Kontoadresse", "Address:"},
                                         {"Kontopnr", "Zip/County:"},  {"Kontoby", ""},
                                         {"Kontotlf", "Phone /w:"},    {"Kontofax", "Fax:"},
                                         {"kontomail", "Email:"},      {"Kontomobil", "Mobile:"},
                                         {"Kontotlfp", "Phone /p:"},   {"depname", "Dep:"}};

const char* const kContactFields[][2] = {
    {"Kontaktperson2", "Contact 2:"},     {"Kontaktpersonadr2", "Address:"},
    {"Kontaktpersonpnr2", "Zip/County:"}, {"Kontaktpersonby2", ""},
    {"Kontakttlf2", "Phone /w:"},         {"Kontakttlfb2", "Phone /p:"}};

QLineEdit* lockedEdit(const QString& name, QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setReadOnly(true);
    e->setFocusPolicy(Qt::ClickFocus);
    return e;
}

bool truthOf(const QVariant& v)
{
    const QString s = v.toString().trimmed().toLower();
    return !(s.isEmpty() || s == QStringLiteral("0") || s == QStringLiteral("false"));
}

int secondsOf(const QTime& t)
{
    return t.msecsSinceStartOfDay() / 1000;
}

// Empty texts are stored as nothing.
QString nullable(const QString& text)
{
    return text.isEmpty() ? QString() : text;
}

QVariant orNull(const QString& text)
{
    return text.isNull() ? QVariant() : QVariant(text);
}

QVariant numberOrNull(const QString& text)
{
    return text.isEmpty() ? QVariant() : QVariant(text.toInt());
}

// A typed count; null when empty or not a whole number (which Store refuses).
QVariant countOrNull(const QString& text)
{
    const auto n = text.trimmed().isEmpty() ? std::nullopt : ParseWholeNumber(text);
    return n ? QVariant(int(*n)) : QVariant();
}

} // namespace

void SetRepeatedBookingWindows(FormWindowOpener pattern, FormWindowOpener addOrDelete)
{
    g_pattern = std::move(pattern);
    g_addOrDelete = std::move(addOrDelete);
}

void SetReceiptOpener(ReceiptOpener opener)
{
    g_receipt = std::move(opener);
}

BookingForm::BookingForm(QWidget* parent)
    : QWidget(parent, Qt::Window), m_rec(QStringLiteral("bookingfor"), QStringLiteral("Booking"),
                                         QStringLiteral("Bookingnr"), kWritable)
{
    setObjectName(QStringLiteral("bookingform"));
    setWindowTitle(QStringLiteral("Vestra -  Booking Information"));
    build();
}

void BookingForm::build()
{
    auto* layout = new QVBoxLayout;
    SetScrolledBody(this, layout);

    auto* head = new QHBoxLayout;
    m_head = new QLabel(this);
    m_head->setObjectName(QStringLiteral("beskrshow"));
    m_head->setTextFormat(Qt::PlainText); // the title as typed, never markup
    QFont big = m_head->font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    big.setBold(true);
    m_head->setFont(big);
    m_single = new QLabel(this);
    m_single->setObjectName(QStringLiteral("gentshow"));
    m_single->setTextFormat(Qt::PlainText);
    head->addWidget(m_head, 1);
    head->addWidget(m_single);
    layout->addLayout(head);
    m_unstored = new QPlainTextEdit(this);
    m_unstored->setObjectName(QStringLiteral("unstoredChanges"));
    m_unstored->setReadOnly(true);
    m_unstored->setMaximumHeight(m_unstored->fontMetrics().lineSpacing() * 6);
    m_unstored->hide();
    layout->addWidget(m_unstored);

    auto* top = new QGridLayout;
    m_bookingnr = lockedEdit(QStringLiteral("Bookingnr"), this);
    m_item = lockedEdit(QStringLiteral("lokalenr"), this);
    m_itemName = lockedEdit(QStringLiteral("Lokalenavn"), this);
    m_date = new QDateEdit(this);
    m_date->setObjectName(QStringLiteral("Bdato"));
    m_date->setCalendarPopup(true);
    m_start = new QTimeEdit(this);
    m_start->setObjectName(QStringLiteral("bstart"));
    m_start->setDisplayFormat(QStringLiteral("HH:mm"));
    m_end = new QTimeEdit(this);
    m_end->setObjectName(QStringLiteral("bslut"));
    m_end->setDisplayFormat(QStringLiteral("HH:mm"));
    m_tentative = new QCheckBox(QStringLiteral("Tentative"), this);
    m_tentative->setObjectName(QStringLiteral("Tentative"));
    // Each caption is its field's buddy and the field's name for a screen
    // reader, which the short captions spell out.
    const auto captioned = [this, top](const QString& caption, const QString& name, QWidget* field,
                                       int row, int column, int span = 1) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(field);
        field->setAccessibleName(name);
        top->addWidget(label, row, column);
        top->addWidget(field, row, column + 1, 1, span);
    };
    captioned(QStringLiteral("No#:"), QStringLiteral("Booking number"), m_bookingnr, 0, 0);
    captioned(QStringLiteral("Unit no#:"), QStringLiteral("Resource number"), m_item, 0, 2);
    captioned(QStringLiteral("Resource:"), QStringLiteral("Resource"), m_itemName, 0, 4, 2);
    captioned(QStringLiteral("Date:"), QStringLiteral("Date"), m_date, 1, 0);
    captioned(QStringLiteral("Start:"), QStringLiteral("Start time"), m_start, 1, 2);
    captioned(QStringLiteral("End:"), QStringLiteral("End time"), m_end, 1, 4);
    top->addWidget(m_tentative, 1, 6);
    layout->addLayout(top);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("tabs"));
    m_tabs->setAccessibleName(QStringLiteral("Booking details"));
    m_tabs->addTab(buildGeneralTab(), QStringLiteral("General Info"));
    m_tabs->addTab(buildAccountTab(), QStringLiteral("Account Info"));
    m_tabs->addTab(buildReceiptTab(), QStringLiteral("Reciept"));
    layout->addWidget(m_tabs, 1);
    // Fields that share a caption's row, and those shown only at times,
    // are named for a screen reader all the same.
    for (const char* town : {"Kontoby", "Kontaktpersonby2"})
        if (auto* e = m_tabs->findChild<QLineEdit*>(QString::fromLatin1(town)))
            e->setAccessibleName(QStringLiteral("Town"));
    m_delivery->setAccessibleName(QStringLiteral("Delivery"));
    m_unstored->setAccessibleName(QStringLiteral("Your change, not stored"));

    auto* buttons = new QHBoxLayout;
    auto* genkn = new QPushButton(QStringLiteral("Add/Del Repeated Booking"), this);
    genkn->setObjectName(QStringLiteral("genkn"));
    auto* updgen = new QPushButton(QStringLiteral("Update Repeated Booking"), this);
    updgen->setObjectName(QStringLiteral("updgen"));
    auto* luk = new QPushButton(QStringLiteral("Close"), this);
    luk->setObjectName(QStringLiteral("luk"));
    buttons->addWidget(genkn);
    buttons->addWidget(updgen);
    buttons->addStretch();
    buttons->addWidget(luk);
    layout->addLayout(buttons);

    connect(genkn, &QPushButton::clicked, this, &BookingForm::RepeatedBookingButton);
    connect(updgen, &QPushButton::clicked, this, &BookingForm::UpdateRepeatedBooking);
    connect(luk, &QPushButton::clicked, this, &QWidget::close);
    connect(m_tabs, &QTabWidget::currentChanged, this, [this] { Store(); });
    connect(m_title, &QLineEdit::textChanged, m_head, &QLabel::setText);
    for (QTimeEdit* t : {m_start, m_end})
        connect(t, &QTimeEdit::timeChanged, this, [this] {
            if (!m_filling && m_kept.priceType == ListPrice)
                RecalculatePrice();
        });
    resize(720, 560);
}

QWidget* BookingForm::buildGeneralTab()
{
    auto* tab = new QWidget(this);
    auto* form = new QFormLayout(tab);
    m_title = new QLineEdit(tab);
    m_title->setObjectName(QStringLiteral("Beskrivelse"));
    m_description = new QPlainTextEdit(tab);
    m_description->setObjectName(QStringLiteral("langbeskrivelse"));
    m_description->setTabChangesFocus(true);
    m_remarks = new QPlainTextEdit(tab);
    m_remarks->setObjectName(QStringLiteral("Bemærkninger"));
    m_remarks->setTabChangesFocus(true);
    m_account = new QComboBox(tab);
    m_account->setObjectName(QStringLiteral("Kontonr"));
    m_floorPlan = new QComboBox(tab);
    m_floorPlan->setObjectName(QStringLiteral("ID"));
    m_persons = new QLineEdit(tab);
    m_persons->setObjectName(QStringLiteral("Antalpers"));
    SetNumberField(m_persons, QStringLiteral("Persons"), true);
    m_delivery = new QComboBox(tab);
    m_delivery->setObjectName(QStringLiteral("leveringstype"));
    m_delivery->addItems({QString(), QStringLiteral("Collected"), QStringLiteral("Delivered")});
    m_mailer = new QLabel(tab);
    m_mailer->setObjectName(QStringLiteral("ctmailer"));
    m_mailer->setText(QStringLiteral("<a href=\"#\">Send an e-mail about this booking</a>"));
    m_mailer->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    m_floorPlanCaption = new QLabel(QStringLiteral("Floorplan:"), tab);
    m_personsCaption = new QLabel(QStringLiteral("#:"), tab);
    m_persons->setAccessibleName(QStringLiteral("Number of persons"));
    m_floorPlan->setAccessibleName(QStringLiteral("Floor plan"));
    m_deliveryCaption = new QLabel(QStringLiteral("Delivery:"), tab);

    form->addRow(QStringLiteral("Title:"), m_title);
    form->addRow(QStringLiteral("Description:"), m_description);
    form->addRow(QStringLiteral("Remarks:"), m_remarks);
    form->addRow(QStringLiteral("Account:"), m_account);
    form->addRow(m_floorPlanCaption, m_floorPlan);
    form->addRow(m_personsCaption, m_persons);
    form->addRow(m_deliveryCaption, m_delivery);
    form->addRow(QString(), m_mailer);

    connect(m_account, &QComboBox::activated, this, &BookingForm::accountChosen);
    connect(m_mailer, &QLabel::linkActivated, this, &BookingForm::sendMail);
    return tab;
}

QWidget* BookingForm::buildAccountTab()
{
    auto* tab = new QWidget(this);
    auto* grid = new QGridLayout(tab);
    auto* own = new QGroupBox(QStringLiteral("Account"), tab);
    auto* ownForm = new QFormLayout(own);
    for (const auto& [name, caption] : kAccountFields) {
        QLineEdit* e = lockedEdit(QString::fromUtf8(name), own);
        m_accountFields << e;
        ownForm->addRow(QString::fromUtf8(caption), e);
    }
    auto* second = new QGroupBox(QStringLiteral("Second contact"), tab);
    auto* secondForm = new QFormLayout(second);
    for (const auto& [name, caption] : kContactFields) {
        auto* e = new QLineEdit(second);
        e->setObjectName(QString::fromUtf8(name));
        m_contact << e;
        secondForm->addRow(QString::fromUtf8(caption), e);
    }
    grid->addWidget(own, 0, 0);
    grid->addWidget(second, 0, 1, Qt::AlignTop);
    return tab;
}

QWidget* BookingForm::buildReceiptTab()
{
    auto* tab = new QWidget(this);
    auto* layout = new QHBoxLayout(tab);
    auto* amountBox = new QGroupBox(QStringLiteral("Amounts"), tab);
    amountBox->setMaximumWidth(340);
    auto* amounts = new QFormLayout(amountBox);
    m_price = new QLineEdit(tab);
    m_price->setObjectName(QStringLiteral("Pris"));
    SetNumberField(m_price, QStringLiteral("Fee"), false);
    m_taxAmount = new QLabel(FormatAmount(0), tab);
    m_taxAmount->setObjectName(QStringLiteral("taxbel"));
    m_taxAmount->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_total = new QLabel(FormatAmount(0), tab);
    m_total->setObjectName(QStringLiteral("intax"));
    m_total->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont bold = m_total->font();
    bold.setBold(true);
    m_total->setFont(bold);
    m_tax = new QCheckBox(QStringLiteral("Tax"), tab);
    m_tax->setObjectName(QStringLiteral("TaxB"));
    amounts->addRow(QStringLiteral("Fee"), m_price);
    amounts->addRow(QStringLiteral("Tax"), m_taxAmount);
    amounts->addRow(QStringLiteral("Total"), m_total);
    amounts->addRow(QString(), m_tax);

    auto* box = new QGroupBox(QStringLiteral("Price"), tab);
    box->setObjectName(QStringLiteral("bvpboks"));
    auto* boxLayout = new QVBoxLayout(box);
    m_listPrice = new QRadioButton(QStringLiteral("List price"), box);
    m_listPrice->setObjectName(QStringLiteral("ListpriceRes"));
    m_agreed = new QRadioButton(QStringLiteral("Agreed"), box);
    m_agreed->setObjectName(QStringLiteral("aftres"));
    boxLayout->addWidget(m_listPrice);
    boxLayout->addWidget(m_agreed);
    auto* receipt = new QPushButton(QStringLiteral("General Reciept"), tab);
    receipt->setObjectName(QStringLiteral("Arrkvit"));
    boxLayout->addStretch();
    boxLayout->addWidget(receipt);

    layout->addWidget(amountBox, 0, Qt::AlignTop);
    layout->addWidget(box, 0, Qt::AlignTop);
    layout->addStretch(1);

    connect(m_price, &QLineEdit::textChanged, this, [this] {
        if (!m_filling)
            RecalculatePrice();
    });
    connect(m_tax, &QCheckBox::clicked, this, [this] { RecalculatePrice(); });
    connect(m_listPrice, &QRadioButton::clicked, this, &BookingForm::chooseListPrice);
    connect(m_agreed, &QRadioButton::clicked, this, &BookingForm::chooseAgreed);
    connect(receipt, &QPushButton::clicked, this, &BookingForm::PrintReceipt);
    return tab;
}

void BookingForm::fillLists()
{
    const Session& s = session();
    Database db = database();
    m_account->clear();
    auto accounts =
        s.IsAdmin
            ? db.query(QStringLiteral("SELECT ID, Kontonavn FROM AdminAccounts"))
            : db.query(QStringLiteral("SELECT Konti.ID, Konti.Kontonavn FROM Grptilk "
                                      "INNER JOIN Konti ON Grptilk.gnr = Konti.ID "
                                      "WHERE Grptilk.pnr = ? ORDER BY Konti.Kontonavn, Konti.ID"),
                       {s.LoginAccountId});
    while (accounts && accounts->next())
        m_account->addItem(accounts->value(1).toString(), accounts->value(0));
    m_floorPlan->clear();
    m_floorPlan->addItem(QString(), QVariant());
    auto plans = db.query(QStringLiteral("SELECT ID, Opstilling FROM florplanfor"));
    while (plans && plans->next())
        m_floorPlan->addItem(plans->value(1).toString(), plans->value(0));
}

Database BookingForm::database() const
{
    return Database::open(m_file);
}

bool BookingForm::OpenOn(int bookingnr)
{
    m_unstored->hide();
    m_file = session().BookingFilePath;
    Database db = database();
    if (!m_rec.find(db, bookingnr))
        return false;
    m_date->setDisplayFormat(QtDateFormatForNumber(session().DateFormatNo));
    fillLists();
    showRecord();
    RecalculatePrice();
    activated();
    return true;
}

void BookingForm::showRecord()
{
    m_filling = true;
    const auto v = [this](const char* f) { return m_rec.value(QString::fromUtf8(f)); };
    m_bookingnr->setText(v("Bookingnr").toString());
    m_item->setText(v("Lokalenr").toString());
    m_itemName->setText(v("Lokalenavn").toString());
    m_date->setDate(DateFromDayNumber(v("Bdato").toInt()));
    m_start->setTime(QTime(0, 0).addSecs(v("Start").toInt()));
    m_end->setTime(QTime(0, 0).addSecs(v("Slut").toInt()));
    m_tentative->setChecked(v("Tentative").toInt() != 0);
    m_title->setText(v("Beskrivelse").toString());
    m_head->setText(v("Beskrivelse").toString());
    m_description->setPlainText(v("langbeskrivelse").toString());
    m_remarks->setPlainText(v("Bemærkninger").toString());
    const QVariant account = v("kontonr");
    int index = m_account->findData(account.toInt());
    if (index < 0 && !account.isNull()) {
        // An account the list does not offer (archived, say) still shows as it is.
        m_account->insertItem(0, v("Kontonavn").toString(), account.toInt());
        index = 0;
    }
    m_account->setCurrentIndex(index);
    m_floorPlan->setCurrentIndex(std::max(0, m_floorPlan->findData(v("ID").toInt())));
    const QVariant persons = v("Antalpers");
    m_persons->setText(persons.isNull() ? QString() : persons.toString());
    m_delivery->setCurrentIndex(std::max(0, m_delivery->findText(v("leveringstype").toString())));
    for (QLineEdit* e : m_accountFields)
        e->setText(m_rec.value(e->objectName()).toString());
    for (QLineEdit* e : m_contact)
        e->setText(m_rec.value(e->objectName()).toString());
    m_price->setText(PlainPrice(v("Pris").toDouble()));
    m_tax->setChecked(v("tax").toInt() != 0);
    m_kept = BookingDetails{};
    m_kept.bookingnr = v("Bookingnr").toInt();
    m_kept.item = v("Lokalenr").toInt();
    m_kept.groupKind = v("Gruppeart").toInt();
    m_kept.kontonr = numberOrNull(account.toString());
    m_kept.curacname = nullable(v("curacname").toString());
    m_kept.priceType = v("bvpris").toInt();
    m_kept.gennr = v("gennr").toInt();
    m_kept.repeated = truthOf(v("gentagende"));
    m_kept.colour = v("Bcolor").toInt();
    m_filling = false;
}

BookingDetails BookingForm::details() const
{
    BookingDetails d = m_kept;
    d.day = DayNumber(m_date->date());
    d.startSeconds = startSeconds();
    d.endSeconds = endSeconds();
    d.beskrivelse = m_title->text();
    d.langbeskrivelse = nullable(m_description->toPlainText());
    d.bemaerkninger = nullable(m_remarks->toPlainText());
    d.antalpers = countOrNull(m_persons->text());
    d.leveringstype = nullable(m_delivery->currentText());
    d.floorPlan = m_floorPlan->currentData();
    for (int i = 0; i < 6; ++i)
        d.contact[i] = nullable(m_contact[i]->text());
    d.pris = ParsePrice(m_price->text());
    d.tax = m_tax->isChecked();
    d.tentative = m_tentative->isChecked();
    if (const QVariant seen = m_rec.value(QString::fromLatin1(kChangeCounter)); seen.isValid())
        d.rowversion = seen.toLongLong();
    return d;
}

void BookingForm::markSeriesHead(int gennr, int colour)
{
    m_kept.gennr = gennr;
    m_kept.repeated = true;
    m_kept.colour = colour;
}

int BookingForm::bookingnr() const
{
    return m_kept.bookingnr;
}

int BookingForm::startSeconds() const
{
    return secondsOf(m_start->time());
}

int BookingForm::endSeconds() const
{
    return secondsOf(m_end->time());
}

bool BookingForm::isRepeated() const
{
    return m_kept.repeated;
}

void BookingForm::RecalculatePrice()
{
    if (m_recalculating || !m_rec.isPositioned())
        return;
    m_recalculating = true;
    PriceInput in;
    in.item = m_kept.item;
    in.startSeconds = startSeconds();
    in.endSeconds = endSeconds();
    in.priceType = m_kept.priceType;
    const auto typed = ParsePrice(m_price->text());
    in.price = typed.value_or(0);
    in.tax = m_tax->isChecked();
    in.taxPercent = session().TaxPercent;
    Database db = database();
    const PriceResult r = vestra::RecalculatePrice(db, in);
    if (in.priceType == ListPrice) {
        const QString text = PlainPrice(r.price);
        // Writing the same text again raises no change, so this settles.
        if (m_price->text() != text)
            m_price->setText(text);
    }
    // Without a tax to add the amount reads a plain "0"; a fee that is not
    // a number has no total, rather than one of 0.
    const bool taxed = in.tax && in.taxPercent > 0;
    const bool known = typed || in.priceType == ListPrice;
    m_taxAmount->setText(!known  ? QString()
                         : taxed ? FormatAmount(r.taxAmount)
                                 : QStringLiteral("0"));
    m_total->setText(known ? FormatAmount(r.total) : QString());
    m_recalculating = false;
}

void BookingForm::chooseListPrice()
{
    m_listPrice->setChecked(true);
    m_kept.priceType = ListPrice;
    m_price->setReadOnly(true);
    RecalculatePrice();
}

void BookingForm::chooseAgreed()
{
    m_agreed->setChecked(true);
    m_kept.priceType = AgreedPrice;
    m_price->setReadOnly(false);
}

void BookingForm::activated()
{
    if (!m_rec.isPositioned())
        return;
    RecalculatePrice();
    m_single->setText(isRepeated() ? QStringLiteral("Multi") : QStringLiteral("Single"));
    if (m_kept.priceType == ListPrice)
        chooseListPrice();
    else
        chooseAgreed();
    const bool room = m_kept.groupKind == 1;
    m_floorPlan->setVisible(room);
    m_floorPlanCaption->setVisible(room);
    m_persons->setVisible(room);
    m_personsCaption->setVisible(room);
    m_delivery->setVisible(!room);
    m_deliveryCaption->setVisible(!room);
}

void BookingForm::accountChosen(int index)
{
    if (index < 0)
        return;
    m_kept.curacname = nullable(m_account->itemText(index));
    m_kept.kontonr = numberOrNull(m_account->itemData(index).toString());
    // The Account Info tab and the booking's mail follow the chosen account.
    QStringList columns;
    for (const QLineEdit* e : std::as_const(m_accountFields))
        columns << (e->objectName() == QStringLiteral("depname") ? QStringLiteral("d.")
                                                                 : QStringLiteral("k."))
                       + e->objectName();
    Database db = database();
    auto q = db.query(QStringLiteral("SELECT %1 FROM Konti k LEFT JOIN Department d "
                                     "ON d.depnr = k.depnr WHERE k.ID = ?")
                          .arg(columns.join(QStringLiteral(", "))),
                      {m_kept.kontonr});
    const bool found = q && q->next();
    for (int i = 0; i < m_accountFields.size(); ++i)
        m_accountFields[i]->setText(found ? q->value(i).toString() : QString());
}

QString BookingForm::accountMail() const
{
    for (const QLineEdit* e : m_accountFields)
        if (e->objectName() == QStringLiteral("kontomail"))
            return e->text();
    return {};
}

void BookingForm::collect()
{
    const auto set = [this](const char* field, const QVariant& value) {
        m_rec.setValue(QString::fromUtf8(field), value);
    };
    const BookingDetails d = details();
    set("Beskrivelse", d.beskrivelse);
    set("langbeskrivelse", orNull(d.langbeskrivelse));
    set("Bemærkninger", orNull(d.bemaerkninger));
    set("kontonr", d.kontonr);
    set("curacname", orNull(d.curacname));
    set("ID", d.floorPlan);
    set("Antalpers", d.antalpers);
    set("leveringstype", orNull(d.leveringstype));
    set("Bdato", d.day);
    // A time is a minute of the day: an end stored as 1440 is midnight, as
    // shown, and no edit that would rewrite it.
    for (const auto& [field, minute] :
         {std::pair{"Bstart", d.startSeconds / 60}, std::pair{"Bslut", d.endSeconds / 60}}) {
        const QVariant was = m_rec.value(QString::fromUtf8(field));
        if (was.isNull() || was.toInt() % 1440 != minute)
            set(field, minute);
    }
    set("Tentative", d.tentative ? -1 : 0);
    set("tax", d.tax ? -1 : 0);
    set("bvpris", d.priceType == 0 ? QVariant() : QVariant(d.priceType));
    for (int i = 0; i < 6; ++i)
        m_rec.setValue(m_contact[i]->objectName(), orNull(d.contact[i]));
}

std::optional<double> BookingForm::typedPrice()
{
    if (QLineEdit* refused = RefuseTypedNumbers(this)) {
        const QSignalBlocker quiet(m_tabs);
        for (int i = 0; i < m_tabs->count(); ++i)
            if (m_tabs->widget(i)->isAncestorOf(refused))
                m_tabs->setCurrentIndex(i);
        refused->setFocus();
        return std::nullopt;
    }
    return ParsePrice(m_price->text());
}

bool BookingForm::Store()
{
    if (!m_rec.isPositioned())
        return true;
    const auto price = typedPrice();
    if (!price)
        return false;
    collect();
    // No fee is shown as 0; left so, it stays none.
    if (!m_rec.value(QStringLiteral("Pris")).isNull() || *price != 0)
        m_rec.setValue(QStringLiteral("Pris"), *price);
    Database db = database();
    const QList<QPair<QString, QVariant>> typed = m_rec.pending();
    QStringList changed;
    for (const auto& [field, value] : typed)
        changed << field + QStringLiteral(": ")
                       + BeforeAfter(IsolatedText(m_rec.storedValue(field).toString().left(40)),
                                     IsolatedText(value.toString().left(40)));
    const QString key = m_rec.value(QStringLiteral("Bookingnr")).toString();
    const auto logged = [&](Database& d) {
        return WriteAuditRow(d, AuditAction::Edited, key, changed.join(QStringLiteral(" | ")));
    };
    BookingChangeRecorder undo(db, m_rec.value(QStringLiteral("Bookingnr")).toInt());
    if (m_rec.store(db, logged)) {
        if (!typed.isEmpty()) {
            recordEdit(db, undo, typed);
            m_unstored->hide();
            StoreWatcher::instance().announce({});
        }
        // Stored beside another window's change to other fields: shown.
        if (m_rec.merged()) {
            showRecord();
            RecalculatePrice();
        }
        return true;
    }
    switch (m_rec.fault()) {
    case BoundRow::Fault::ChangedElsewhere:
        changedElsewhere(db, typed);
        break;
    case BoundRow::Fault::Gone:
        showMessage(QStringLiteral("The booking no longer exists; another workstation may have "
                                   "deleted it."),
                    QStringLiteral("Service Message"), MsgIcon::Warning);
        break;
    case BoundRow::Fault::None:
    case BoundRow::Fault::Failed:
        showMessage(
            RefusalText(QStringLiteral("The booking could not be stored:\n"), db.lastError()),
            QStringLiteral("Error"), MsgIcon::Critical);
        break;
    }
    return false;
}

void BookingForm::recordEdit(Database& db, BookingChangeRecorder& undo,
                             const QList<QPair<QString, QVariant>>& typed)
{
    const auto step = undo.step(db, UndoKind::Edit);
    if (!step || step->entries.isEmpty() || !step->entries.first().before)
        return;
    // A booking that never had a fee gets the one the form worked out, and
    // the form's defaults, when it is first stored; that is the form's
    // doing, not an edit to undo.
    const QVariantMap& before = *step->entries.first().before;
    const auto feeField = [](const QString& name) {
        return name.compare(QStringLiteral("Pris"), Qt::CaseInsensitive) == 0;
    };
    bool hadFee = true;
    for (auto it = before.constBegin(); it != before.constEnd(); ++it)
        if (feeField(it.key()))
            hadFee = !it.value().isNull();
    // The fields the form fills in for a booking typed on the schedule.
    static const QStringList filled = {QStringLiteral("bvpris"), QStringLiteral("ID"),
                                       QStringLiteral("Antalpers"), QStringLiteral("tax")};
    const bool onlyFee =
        std::all_of(typed.begin(), typed.end(), [&](const QPair<QString, QVariant>& f) {
            return feeField(f.first) || filled.contains(f.first, Qt::CaseInsensitive);
        });
    if (hadFee || !onlyFee)
        UndoStack::instance().push(*step);
    else
        UndoStack::instance().absorb(*step);
}

void BookingForm::changedElsewhere(Database& db, const QList<QPair<QString, QVariant>>& typed)
{
    const QString field = m_rec.conflict();
    showMessage(field.isEmpty()
                    ? QStringLiteral("This booking was changed on another workstation. Your "
                                     "change was not stored; the booking is shown as it is now.")
                    : QStringLiteral("The %1 of this booking was changed in another window or "
                                     "on another workstation as well. Your change was not stored; "
                                     "the booking is shown as it is now.")
                          .arg(fieldCaption(field).toLower()),
                QStringLiteral("Service Message"), MsgIcon::Warning);
    m_rec.refill(db);
    showRecord();
    RecalculatePrice();
    if (!typed.isEmpty())
        showUnstored(typed);
}

QString BookingForm::fieldCaption(const QString& field)
{
    static const QHash<QString, QString> captions = {
        {QStringLiteral("Beskrivelse"), QStringLiteral("Title")},
        {QStringLiteral("langbeskrivelse"), QStringLiteral("Description")},
        {QStringLiteral("Bemærkninger"), QStringLiteral("Remarks")},
        {QStringLiteral("kontonr"), QStringLiteral("Account")},
        {QStringLiteral("curacname"), QStringLiteral("Account name")},
        {QStringLiteral("ID"), QStringLiteral("Floor plan")},
        {QStringLiteral("Antalpers"), QStringLiteral("Persons")},
        {QStringLiteral("leveringstype"), QStringLiteral("Delivery")},
        {QStringLiteral("Bdato"), QStringLiteral("Date")},
        {QStringLiteral("Bstart"), QStringLiteral("Start")},
        {QStringLiteral("Bslut"), QStringLiteral("End")},
        {QStringLiteral("Tentative"), QStringLiteral("Tentative")},
        {QStringLiteral("Pris"), QStringLiteral("Fee")},
        {QStringLiteral("tax"), QStringLiteral("Tax")},
        {QStringLiteral("bvpris"), QStringLiteral("Price type")}};
    return captions.value(field, field);
}

void BookingForm::showUnstored(const QList<QPair<QString, QVariant>>& typed)
{
    QStringList lines{QStringLiteral("Your change, not stored:")};
    for (const auto& [field, value] : typed) {
        QString shown = value.toString();
        if (field == QStringLiteral("Bdato"))
            shown = FormatValue(DateFromDayNumber(value.toInt()), session().DateFormatLong);
        else if (field == QStringLiteral("Bstart") || field == QStringLiteral("Bslut"))
            shown = TimeFromMinutes(value.toInt()).toString(QStringLiteral("HH:mm"));
        else if (field == QStringLiteral("Tentative") || field == QStringLiteral("tax"))
            shown = value.toInt() != 0 ? QStringLiteral("Yes") : QStringLiteral("No");
        lines << fieldCaption(field) + QStringLiteral(": ") + shown;
    }
    m_unstored->setPlainText(lines.join(QLatin1Char('\n')));
    m_unstored->show();
}

std::optional<qint64> BookingForm::editedKey() const
{
    // A form left open on another booking file edits nothing the session writes.
    if (!isVisible() || !m_rec.isPositioned() || m_file != session().BookingFilePath)
        return std::nullopt;
    return bookingnr();
}

void BookingForm::reread()
{
    // What was typed is stored already: the booking is read as it is now.
    Database db = database();
    m_rec.refill(db);
    showRecord();
    RecalculatePrice();
}

void BookingForm::rowDeleted()
{
    m_rec.release();
    close();
}

void BookingForm::PrintReceipt()
{
    RecalculatePrice();
    if (m_title->text().isEmpty()) {
        QApplication::beep();
        showMessage(QStringLiteral("Bookingtitle cannot be empty!"), QString(), MsgIcon::Warning);
        return;
    }
    if (!Store())
        return;
    if (g_receipt)
        g_receipt(bookingnr(), isRepeated(), m_kept.gennr, m_tax->isChecked(), this);
}

void BookingForm::RepeatedBookingButton()
{
    RecalculatePrice();
    const FormWindowOpener& opener = isRepeated() ? g_addOrDelete : g_pattern;
    if (opener)
        opener(this);
    else
        showMessage(
            QStringLiteral("Repeated bookings are not available in this version of Vestra."),
            QStringLiteral("Service Message"));
}

void BookingForm::UpdateRepeatedBooking()
{
    if (!isRepeated()) {
        QApplication::beep();
        showMessage(QStringLiteral("This is not a repeated booking !"), QString());
        return;
    }
    if (messages().show({QStringLiteral("Corresponding repeated bookings are now updated to match "
                                        "the current Booking !"),
                         QStringLiteral("Update of repeated Booking"), MsgButtons::OkCancel,
                         MsgIcon::Information, MsgAnswer::Ok})
        != MsgAnswer::Ok)
        return;
    // A fee that is not a number must not reach the other bookings as 0.
    if (!typedPrice())
        return;
    Database db = database();
    // The other bookings of the series, as they were, make the step undo restores.
    const BookingDetails typed = details();
    BookingChangeRecorder undo(db, QStringLiteral("gennr = ? AND Bookingnr <> ?"),
                               {typed.gennr, typed.bookingnr});
    const int updated = UpdateSeries(db, typed);
    if (updated > 0)
        undo.record(db, UndoKind::UpdateSeries);
    if (updated == kSeriesChangedElsewhere) {
        collect();
        changedElsewhere(db, m_rec.pending());
    } else if (updated < 0)
        showMessage(QStringLiteral("The repeated bookings could not be updated:\n")
                        + db.lastError(),
                    QStringLiteral("Error"), MsgIcon::Critical);
}

QString BookingForm::MailTarget() const
{
    return BookingMailTarget(accountMail(), m_itemName->text(), m_date->date(),
                             session().DateFormatLong, startSeconds());
}

void BookingForm::sendMail()
{
    // A stored booking travels along as a calendar entry the receiver can
    // add with one click; without a composer that attaches, the plain link.
    const int number = bookingnr();
    if (number > 0) {
        const QString ics =
            QDir::temp().filePath(QStringLiteral("vestra-booking-%1.ics").arg(number));
        Database db = BookingFile();
        CalendarSelection one{CalendarSelection::Scope::Bookings, 0, {number}, {}, {}};
        const auto found = db.isValid() ? ReadCalendarBookings(db, one, nullptr) : std::nullopt;
        const auto id = found && !found->isEmpty() ? StoreId(db, nullptr) : std::nullopt;
        const auto zone = id ? StoreZone(db, nullptr) : std::nullopt;
        if (zone
            && WriteFileSafely(ics, CalendarText(*found, *id, m_itemName->text(), *zone), nullptr)
            && ComposeMailWithAttachment(accountMail(), QStringLiteral("Booking Message"),
                                         BookingMailBody(m_itemName->text(), m_date->date(),
                                                         session().DateFormatLong, startSeconds()),
                                         ics))
            return;
    }
    if (!OpenExternalUrl(MailTarget()))
        showMessage(QStringLiteral("No mail program could be started for this message."),
                    QStringLiteral("Service Message"), MsgIcon::Warning);
}

void BookingForm::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !m_filling)
        activated();
}

void BookingForm::closeEvent(QCloseEvent* event)
{
    if (!Store()) {
        event->ignore();
        return;
    }
    event->accept();
    // Back to the schedule, which reloads and shows the changes.
    for (const char* name : {"Calendar", "CalMdag"})
        if (QWidget* view = WindowRegistry::instance().find(QString::fromLatin1(name)))
            view->activateWindow();
}

void BookingForm::keyPressEvent(QKeyEvent* event)
{
    // Escape leaves the form as a dialog's does; closing stores the edits.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

BookingForm* ShowBookingForm(int bookingnr, QWidget* owner)
{
    auto& windows = WindowRegistry::instance();
    auto* form =
        windows.obtain<BookingForm>(QStringLiteral("bookingform"), [] { return new BookingForm; });
    if (form->isVisible()) {
        // The series windows act on the booking the form shows: they go
        // before the form moves on to another one.
        if (form->bookingnr() != bookingnr && !WindowRegistry::closeOwnedWindows(form))
            return form;
        // Pending edits are stored first, also when the same booking is opened
        // again: reading it anew would otherwise drop them.
        if (!form->Store())
            return form;
    }
    if (!form->OpenOn(bookingnr)) {
        showMessage(QStringLiteral("The booking no longer exists; another workstation may have "
                                   "deleted it."),
                    QStringLiteral("Service Message"), MsgIcon::Warning);
        form->close();
        return nullptr;
    }
    windows.show(form, ShowMode::Owned, owner);
    return form;
}

} // namespace vestra
