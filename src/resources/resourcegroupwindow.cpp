#include "resources/resourcegroupwindow.h"
#include "resources/hierarchy.h"
#include "resources/resourcewindows.h"

#include "services/messages.h"
#include "session/session.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace vestra {

namespace {
const QString kEmptyName =
    QStringLiteral("Groupname can't be empty. Fill in or cancel the operation.");
}

ResourceGroupWindow::ResourceGroupWindow(QWidget* parent)
    : RecordWindow(QStringLiteral("overgruppenavne"), QStringLiteral("overgruppenr"), false, parent)
{
    setObjectName(QString::fromLatin1(windows::Resgroup));
    setWindowTitle(QStringLiteral("Ressourcegroup"));

    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("OverGruppenavn"));
    m_name->setMinimumWidth(260);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Groupname"), m_name);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addStretch();
    addButtonRow(
        layout, "save", [this] { Save(); }, [this] { Delete(); });

    if (ensureOpen())
        source()->bind(m_name, QStringLiteral("OverGruppenavn"));

    connect(m_name, &QLineEdit::returnPressed, this, &ResourceGroupWindow::Save);
}

void ResourceGroupWindow::Save()
{
    saveNamed(m_name, kEmptyName);
}

bool ResourceGroupWindow::mayLeaveRecord()
{
    return mayLeaveNamed(m_name, QStringLiteral("OverGruppenavn"), kEmptyName);
}

void ResourceGroupWindow::Delete()
{
    deleteShown([](Database& db, int key) { return RefusalText(CheckGroupDelete(db, key)); },
                [](Database& db, int key) { return DeleteGroup(db, key).outcome(); });
}

} // namespace vestra
