#include "resources/equipmentitemwindow.h"
#include "data/dates.h"
#include "resources/hierarchy.h"
#include "resources/resourcewindows.h"

#include "forms/fieldeditors.h"
#include "session/session.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <algorithm>

namespace vestra {

namespace {
QString captionFor(ItemMode mode)
{
    switch (mode) {
    case ItemMode::Edit:
        return QStringLiteral("Vestra  - Edit/Delete  Add-On/Stand-Alone Ressuorce");
    case ItemMode::View:
        return QStringLiteral("Vestra  - View  Add-On/Stand-Alone Ressuorce");
    case ItemMode::Add:
        break;
    }
    return QStringLiteral("Vestra  - Add  Add-On/Stand-Alone Ressuorce");
}

QLineEdit* lineFor(QWidget* parent, const QString& field)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(field);
    return edit;
}
} // namespace

EquipmentItemWindow::EquipmentItemWindow(ItemMode mode, QWidget* parent) : ItemWindow(mode, parent)
{
    setObjectName(ItemWindowName(QLatin1Char('A'), mode));
    setWindowTitle(captionFor(mode));

    // Label and field of every text field, in the order shown.
    const QList<std::pair<QString, QString>> equipment = {
        {QStringLiteral("Brand"), QStringLiteral("lokfabrikat")},
        {QStringLiteral("Model"), QStringLiteral("lokmodel")},
        {QStringLiteral("Serial #."), QStringLiteral("loksernr")},
        {QStringLiteral("Year"), QStringLiteral("lokårgang")},
    };
    const QList<std::pair<QString, QString>> supplier = {
        {QStringLiteral("Supplier"), QStringLiteral("Leverandør")},
        {QStringLiteral("Address"), QStringLiteral("levadresse")},
        {QStringLiteral("Zip"), QStringLiteral("levzip")},
        {QStringLiteral("Town"), QStringLiteral("levby")},
        {QStringLiteral("Phone"), QStringLiteral("levphone")},
        {QStringLiteral("E-mail"), QStringLiteral("levmail")},
    };
    QList<std::pair<QWidget*, QString>> bound;

    for (const auto& [label, field] : equipment) {
        QLineEdit* edit = lineFor(this, field);
        resourceForm()->addRow(label, edit);
        bound.append({edit, field});
    }
    auto* warranty = new DateField(DateField::Storage::DateText, this);
    warranty->setObjectName(QStringLiteral("warrenty"));
    warranty->setDisplayFormat(QtDateFormat(session().DateFormatLong));
    resourceForm()->addRow(QStringLiteral("Warranty"), warranty);
    bound.append({warranty, QStringLiteral("Garantislut")});
    auto* homebase = new KeyCombo(this);
    homebase->setObjectName(QStringLiteral("Homebase"));
    fillHomebases(homebase);
    resourceForm()->addRow(QStringLiteral("Homebase"), homebase);
    bound.append({homebase, QStringLiteral("ID")});

    auto* supplierBox = new QGroupBox(QStringLiteral("Supplier"), this);
    auto* supplierForm = new QFormLayout(supplierBox);
    for (const auto& [label, field] : supplier) {
        QLineEdit* edit = lineFor(this, field);
        supplierForm->addRow(label, edit);
        bound.append({edit, field});
    }
    columns()->addWidget(supplierBox, 1, Qt::AlignTop);

    // The view applies the box to its dates as the edit window does.
    setViewFollowsBox(true);
    finish();
    // As wide as the design where the screen has room; narrower, the form scrolls.
    resize(std::max(700, sizeHint().width()), sizeHint().height());
    for (const auto& [editor, field] : bound)
        bindField(editor, field);
}

void EquipmentItemWindow::fillHomebases(KeyCombo* list)
{
    Database db = BookingFile();
    QList<std::pair<QVariant, QString>> rows;
    if (auto q = db.query(QStringLiteral("SELECT ID, Homebase FROM homebasefor")))
        while (q->next())
            rows.append({q->value(0).toInt(), q->value(1).toString()});
    list->setRows(rows);
}

} // namespace vestra
