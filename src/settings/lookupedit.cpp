#include "settings/lookupedit.h"

#include "forms/fieldeditors.h"
#include "session/session.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vestra {

LookupEdit::LookupEdit(LookupKind kind, QWidget* parent)
    : RecordWindow(Lookup(kind).table, Lookup(kind).keyField, false, parent), m_kind(kind)
{
    const LookupInfo& info = Lookup(kind);
    setObjectName(info.window);
    setWindowTitle(info.caption);

    auto* form = new QFormLayout;
    if (kind == LookupKind::Department) {
        // The number is the department's key: the file gives it, nobody types it.
        m_key = new QLabel(this);
        m_key->setObjectName(QStringLiteral("depnr"));
        form->addRow(QStringLiteral("Department No.:"), m_key);
    } else {
        m_department = new KeyCombo(this);
        m_department->setObjectName(QStringLiteral("depnr"));
        QList<std::pair<QVariant, QString>> rows;
        Database db = BookingFile();
        auto q = db.query(QStringLiteral("SELECT depnr, depname FROM departmentfor"));
        while (q && q->next())
            rows.append({q->value(0), q->value(1).toString()});
        m_department->setRows(rows);
        form->addRow(QStringLiteral("Department:"), m_department);
    }
    m_name = new QLineEdit(this);
    m_name->setObjectName(info.nameField);
    m_name->setMinimumWidth(260);
    form->addRow(info.nameLabel, m_name);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addStretch();
    layout->addLayout(buttons);

    if (ensureOpen()) {
        source()->bind(m_name, info.nameField);
        if (m_department)
            source()->bind(m_department, QStringLiteral("depnr"));
    }
    connect(source(), &RecordSource::recordShown, this, &LookupEdit::showKey);
    connect(ok, &QPushButton::clicked, this, &QWidget::close);
    connect(m_name, &QLineEdit::returnPressed, this, &QWidget::close);
}

void LookupEdit::showKey()
{
    if (m_key)
        m_key->setText(source()->isAdding() ? QStringLiteral("(new)") : source()->key().toString());
}

bool LookupEdit::mayLeaveRecord()
{
    // A new record left without a name was not meant: drop it rather than
    // fill the pick lists with empty entries.
    if (source()->isAdding() && m_name->text().trimmed().isEmpty()
        && (!m_department || m_department->value().isNull()))
        source()->refill();
    return true;
}

} // namespace vestra
