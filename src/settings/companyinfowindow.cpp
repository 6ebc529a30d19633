#include "settings/companyinfowindow.h"

#include "services/filedialogs.h"
#include "services/messages.h"
#include "settings/lookupedit.h"
#include "widgets/windowregistry.h"

#include <QCloseEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace vestra {

namespace {

const QSize kLogoBox(200, 140);

struct DetailField {
    const char* field;
    const char* label;
};

// The details in the order of the form; the zip code shares its row with the town.
const DetailField kDetails[] = {
    {"Instutionsnavn", "Company:"},
    {"Instutionsadresse", "Address:"},
    {"Instutionspostnr", "Zip/Area:"},
    {"Instutionstlf", "Phone:"},
    {"Instutionsfax", "Fax:"},
    {"Institutionsemail", "Email:"},
    {"Institutionswww", "URL:"},
    {"Senr", "Tax No.:"},
    {"gironr", "IBAN:"},
    {"banknr", "Swift Address:"},
};

QPushButton* button(const QString& objectName, const QString& caption, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(objectName);
    return b;
}

} // namespace

CompanyInfoWindow::CompanyInfoWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Paramform"));
    setWindowTitle(QStringLiteral("Vestra - Parameters"));

    Database db = BookingFile();
    QString error;
    if (!m_row.load(db, &error))
        showMessage(QStringLiteral("The institution's details could not be read:\n") + error,
                    QStringLiteral("Error"), MsgIcon::Critical);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("SSTab1"));
    m_tabs->setAccessibleName(QStringLiteral("Company information pages"));
    m_tabs->addTab(companyTab(), QStringLiteral("Company"));
    m_tabs->addTab(listTab(LookupKind::FloorPlan, QStringLiteral("AddFp"), QStringLiteral("Editfp"),
                           QStringLiteral("Kommandoknap63")),
                   QStringLiteral("Floorplans"));
    m_tabs->addTab(listTab(LookupKind::Department, QStringLiteral("AddDep"), QStringLiteral("edit"),
                           QStringLiteral("delete")),
                   QStringLiteral("Departments"));
    m_tabs->addTab(listTab(LookupKind::Homebase, QStringLiteral("addhb"), QStringLiteral("EditHB"),
                           QStringLiteral("Slethomebse")),
                   QStringLiteral("Homebases"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);

    for (LookupKind k : {LookupKind::Department, LookupKind::FloorPlan, LookupKind::Homebase})
        RefreshList(k);
}

QWidget* CompanyInfoWindow::companyTab()
{
    auto* tab = new QWidget;
    auto* form = new QFormLayout;
    for (const DetailField& d : kDetails) {
        const QString field = QString::fromLatin1(d.field);
        auto* edit = new QLineEdit(tab);
        edit->setObjectName(field);
        edit->setText(m_row.value(field).toString());
        edit->setMinimumWidth(240);
        connect(edit, &QLineEdit::textEdited, this,
                [this, field](const QString& text) { m_row.setValue(field, text); });
        if (field == QLatin1String("Instutionspostnr")) {
            // Zip code and town share one row, as an address is written.
            auto* town = new QLineEdit(tab);
            town->setObjectName(QStringLiteral("Instutionsby"));
            edit->setAccessibleName(QStringLiteral("Zip"));
            town->setAccessibleName(QStringLiteral("Town"));
            town->setText(m_row.value(QStringLiteral("Instutionsby")).toString());
            connect(town, &QLineEdit::textEdited, this, [this](const QString& text) {
                m_row.setValue(QStringLiteral("Instutionsby"), text);
            });
            edit->setMinimumWidth(0);
            edit->setMaximumWidth(70);
            auto* row = new QHBoxLayout;
            row->addWidget(edit);
            row->addWidget(town, 1);
            form->addRow(QString::fromLatin1(d.label), row);
            continue;
        }
        form->addRow(QString::fromLatin1(d.label), edit);
    }

    m_logo = new QLabel(tab);
    m_logo->setObjectName(QStringLiteral("Logo"));
    m_logo->setFixedSize(kLogoBox);
    m_logo->setFrameShape(QFrame::StyledPanel);
    m_logo->setAlignment(Qt::AlignCenter);
    auto* change = button(QStringLiteral("changelogo"), QStringLiteral("Change Logo"), tab);
    connect(change, &QPushButton::clicked, this, &CompanyInfoWindow::ChangeLogo);
    showLogo();

    auto* logoColumn = new QVBoxLayout;
    logoColumn->addWidget(m_logo);
    logoColumn->addWidget(change, 0, Qt::AlignHCenter);
    logoColumn->addStretch();
    auto* columns = new QHBoxLayout;
    columns->addLayout(form, 1);
    columns->addSpacing(12);
    columns->addLayout(logoColumn);

    auto* layout = new QVBoxLayout(tab);
    layout->addLayout(columns);
    layout->addStretch();
    layout->addWidget(exitRow(tab));
    return tab;
}

QWidget* CompanyInfoWindow::listTab(LookupKind kind, const QString& add, const QString& edit,
                                    const QString& remove)
{
    const LookupInfo& info = Lookup(kind);
    auto* tab = new QWidget;
    auto* list = new QListWidget(tab);
    list->setObjectName(kind == LookupKind::Department  ? QStringLiteral("dep")
                        : kind == LookupKind::FloorPlan ? QStringLiteral("FPlan")
                                                        : QStringLiteral("homeb"));
    list->setAccessibleName(info.caption);
    m_lists[static_cast<int>(kind)] = list;

    auto* addButton = button(add, QStringLiteral("Add"), tab);
    auto* editButton = button(edit, QStringLiteral("Edit"), tab);
    auto* deleteButton = button(remove, QStringLiteral("Delete"), tab);
    connect(addButton, &QPushButton::clicked, this, [this, kind] { AddRow(kind); });
    connect(editButton, &QPushButton::clicked, this, [this, kind] { EditRow(kind); });
    connect(deleteButton, &QPushButton::clicked, this, [this, kind] { DeleteRow(kind); });
    // Double-click or Enter on a row edits it.
    connect(list, &QListWidget::itemActivated, this, [this, kind] { EditRow(kind); });

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(addButton);
    buttons->addWidget(editButton);
    buttons->addWidget(deleteButton);
    buttons->addStretch();
    auto* columns = new QHBoxLayout;
    columns->addWidget(list, 1);
    columns->addLayout(buttons);
    auto* layout = new QVBoxLayout(tab);
    layout->addLayout(columns, 1);
    layout->addWidget(exitRow(tab));
    return tab;
}

QWidget* CompanyInfoWindow::exitRow(QWidget* tab)
{
    auto* row = new QWidget(tab);
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    h->addStretch();
    auto* exit =
        button(QStringLiteral("Exit%1").arg(m_tabs->count() + 1), QStringLiteral("Exit"), row);
    connect(exit, &QPushButton::clicked, this, &QWidget::close);
    h->addWidget(exit);
    return row;
}

void CompanyInfoWindow::showLogo()
{
    QPixmap picture;
    picture.loadFromData(m_row.value(QStringLiteral("Logopic")).toByteArray());
    if (picture.isNull()) {
        m_logo->setPixmap({});
        m_logo->setText(QStringLiteral("(no logo)"));
        return;
    }
    m_logo->setPixmap(
        picture.scaled(kLogoBox - QSize(6, 6), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void CompanyInfoWindow::ChangeLogo()
{
    const FileChoice choice = fileDialogs().openFile(
        QStringLiteral("Load Logo"),
        QStringLiteral("JPEG files(*.jpg);;GIF files (*.gif);;Bitmap files (*.bmp)"));
    if (!choice.chosen)
        return; // the stored logo stays
    QString error;
    const auto bytes = ReadLogoFile(choice.fullPath, &error);
    if (!bytes) {
        showMessage(QStringLiteral("The logo could not be loaded from %1:\n%2")
                        .arg(choice.nameWithExt, error),
                    QStringLiteral("Load Logo"), MsgIcon::Warning);
        return;
    }
    m_row.setValue(QStringLiteral("Logopic"), *bytes);
    showLogo();
}

void CompanyInfoWindow::RefreshList(LookupKind kind)
{
    const LookupInfo& info = Lookup(kind);
    QListWidget* l = list(kind);
    const QVariant chosen = l->currentItem() ? l->currentItem()->data(Qt::UserRole) : QVariant();
    l->clear();
    Database db = BookingFile();
    auto q = db.query(QStringLiteral("SELECT %1, %2 FROM %3")
                          .arg(info.keyField, info.nameField, info.listSource));
    while (q && q->next()) {
        auto* item = new QListWidgetItem(q->value(1).toString(), l);
        item->setData(Qt::UserRole, q->value(0));
        if (chosen.isValid() && q->value(0) == chosen)
            l->setCurrentItem(item);
    }
}

LookupEdit* CompanyInfoWindow::openEdit(LookupKind kind)
{
    auto& registry = WindowRegistry::instance();
    auto* w = registry.obtain<LookupEdit>(Lookup(kind).window,
                                          [this, kind] { return new LookupEdit(kind, this); });
    // The list shows the change once the edit window has stored it and hidden.
    w->removeEventFilter(this);
    w->installEventFilter(this);
    registry.show(w, ShowMode::Modal, this);
    return w;
}

void CompanyInfoWindow::AddRow(LookupKind kind)
{
    openEdit(kind)->OpenNew({});
}

void CompanyInfoWindow::EditRow(LookupKind kind)
{
    const LookupInfo& info = Lookup(kind);
    const QListWidgetItem* item = list(kind)->currentItem();
    if (!item || !item->isSelected()) {
        showMessage(info.chooseText, QStringLiteral("Message"));
        return;
    }
    const int key = item->data(Qt::UserRole).toInt();
    LookupEdit* w = openEdit(kind);
    if (!w->OpenOn(key)) {
        // Deleted on another workstation since the list was read.
        w->close();
        showMessage(QStringLiteral("This record no longer exists."), QStringLiteral("Message"));
        RefreshList(kind);
    }
}

void CompanyInfoWindow::DeleteRow(LookupKind kind)
{
    const QListWidgetItem* item = list(kind)->currentItem();
    if (!item || !item->isSelected()) {
        showMessage(Lookup(kind).chooseText, QStringLiteral("Message"));
        return;
    }
    const int key = item->data(Qt::UserRole).toInt();
    if (!askYesNo(QStringLiteral("Confirm deletion ?"), QStringLiteral("Deletion Message")))
        return;
    Database db = BookingFile();
    const Statement st = DeleteLookupStatement(kind, key);
    if (!db.exec(st.sql, st.binds))
        showMessage(QStringLiteral("The record could not be deleted:\n") + db.lastError(),
                    QStringLiteral("Error"), MsgIcon::Critical);
    RefreshList(kind);
}

bool CompanyInfoWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Hide)
        if (auto* edit = qobject_cast<LookupEdit*>(watched))
            RefreshList(edit->kind());
    return QWidget::eventFilter(watched, event);
}

void CompanyInfoWindow::closeEvent(QCloseEvent* event)
{
    // An open edit window stores its record first; one that cannot keeps
    // this window open too.
    if (!WindowRegistry::closeOwnedWindows(this)) {
        event->ignore();
        return;
    }
    Database db = BookingFile();
    QString error;
    if (!m_row.store(db, &error)) {
        showMessage(QStringLiteral("The institution's details could not be saved:\n") + error,
                    QStringLiteral("Error"), MsgIcon::Critical);
        event->ignore();
        return;
    }
    event->accept();
}

CompanyInfoWindow* ShowCompanyInfoWindow(QWidget* owner)
{
    auto& registry = WindowRegistry::instance();
    auto* w = registry.obtain<CompanyInfoWindow>(QStringLiteral("Paramform"),
                                                 [owner] { return new CompanyInfoWindow(owner); });
    registry.show(w, ShowMode::Modal, owner);
    return w;
}

} // namespace vestra
