#include "resources/domesticitemwindow.h"
#include "resources/hierarchy.h"
#include "resources/resourcewindows.h"

#include "forms/fieldeditors.h"

#include <QFormLayout>
#include <QPlainTextEdit>
#include <algorithm>

namespace vestra {

namespace {
QString captionFor(ItemMode mode)
{
    switch (mode) {
    case ItemMode::Edit:
        return QStringLiteral("Vestra - Edit/Delete Domestic Resuorce");
    case ItemMode::View:
        return QStringLiteral("Vestra - View Domestic Resuorce");
    case ItemMode::Add:
        break;
    }
    return QStringLiteral("Vestra - Add Domestic Resuorce");
}
} // namespace

DomesticItemWindow::DomesticItemWindow(ItemMode mode, QWidget* parent) : ItemWindow(mode, parent)
{
    setObjectName(ItemWindowName(QLatin1Char('L'), mode));
    setWindowTitle(captionFor(mode));

    auto* capacity = new CountEdit(QStringLiteral("Capacity"), this);
    capacity->setObjectName(QStringLiteral("maxprs"));
    capacity->setMaximumWidth(90);
    auto* furniture = new QPlainTextEdit(this);
    furniture->setObjectName(QStringLiteral("Lokfastinv"));
    furniture->setTabChangesFocus(true);
    furniture->setFixedHeight(capacity->sizeHint().height() * 3);
    resourceForm()->addRow(QStringLiteral("Capacity"), capacity);
    resourceForm()->addRow(QStringLiteral("Furnitury"), furniture);

    finish();
    // As wide as the design where the screen has room; narrower, the form scrolls.
    resize(std::max(440, sizeHint().width()), sizeHint().height());
    bindField(capacity, QStringLiteral("maxprs"));
    bindField(furniture, QStringLiteral("Lokfastinv"));
}

} // namespace vestra
