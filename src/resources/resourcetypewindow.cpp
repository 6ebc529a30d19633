#include "resources/resourcetypewindow.h"
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
    QStringLiteral("Typename can't be empty. Fill in or cancel the operation.");
}

ResourceTypeWindow::ResourceTypeWindow(QWidget* parent)
    : RecordWindow(QStringLiteral("lokaliteter"), QStringLiteral("lokalitetsnr"), false, parent)
{
    setObjectName(QString::fromLatin1(windows::Restype));
    setWindowTitle(QStringLiteral("Resourcetype"));

    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("Lokalitetsnavn"));
    m_name->setMinimumWidth(260);
    m_description = new QLineEdit(this);
    m_description->setObjectName(QStringLiteral("Lokibeskr"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Resourcetype"), m_name);
    form->addRow(QStringLiteral("Description"), m_description);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addStretch();
    addButtonRow(
        layout, "save", [this] { Save(); }, [this] { Delete(); });

    if (ensureOpen()) {
        source()->bind(m_name, QStringLiteral("Lokalitetsnavn"));
        source()->bind(m_description, QStringLiteral("Lokibeskr"));
    }

    connect(m_name, &QLineEdit::returnPressed, this, &ResourceTypeWindow::Save);
    connect(m_description, &QLineEdit::returnPressed, this, &ResourceTypeWindow::Save);
}

void ResourceTypeWindow::Save()
{
    saveNamed(m_name, kEmptyName);
}

bool ResourceTypeWindow::mayLeaveRecord()
{
    return mayLeaveNamed(m_name, QStringLiteral("Lokalitetsnavn"), kEmptyName);
}

void ResourceTypeWindow::Delete()
{
    deleteShown([](Database& db, int key) { return RefusalText(CheckTypeDelete(db, key)); },
                [](Database& db, int key) { return DeleteType(db, key).outcome(); });
}

} // namespace vestra
