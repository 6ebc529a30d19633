#include "forms/recordwindow.h"

#include "forms/fieldeditors.h"
#include "services/messages.h"
#include "session/access.h"
#include "session/session.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

namespace vestra {

bool ConfirmAndDelete(const QString& refusal, const QString& refusalTitle,
                      const std::function<DeleteOutcome()>& remove)
{
    auto refuse = [&](const QString& why) {
        showMessage(why, refusalTitle, MsgIcon::Warning);
        return false;
    };
    if (!refusal.isEmpty())
        return refuse(refusal);
    if (!askYesNo(QStringLiteral("Confirm deletion ?"), QStringLiteral("Delete Info")))
        return false;
    const DeleteOutcome result = remove();
    if (!result.refusal.isEmpty())
        return refuse(result.refusal);
    if (!result.error.isEmpty()) {
        showMessage(QStringLiteral("The record could not be deleted:\n") + result.error,
                    QStringLiteral("Error"), MsgIcon::Critical);
        return false;
    }
    return true;
}

RecordWindow::RecordWindow(const QString& table, const QString& keyField, bool readOnly,
                           QWidget* parent)
    : QWidget(parent, Qt::Window), m_source(new RecordSource(table, keyField, this)),
      m_readOnly(readOnly)
{
    connect(m_source, &RecordSource::written, this, &RecordWindow::showWrittenInOthers);
}

void RecordWindow::keyPressEvent(QKeyEvent* event)
{
    // Escape that no field used is Cancel, and closes a view.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (m_readOnly)
            close();
        else
            Cancel();
        return;
    }
    // Enter that no field used presses the window's default button (Ok).
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        for (QPushButton* b : findChildren<QPushButton*>()) {
            if (b->isDefault() && b->window() == this && b->isVisible() && b->isEnabled()) {
                b->click();
                return;
            }
        }
    }
    QWidget::keyPressEvent(event);
}

bool RecordWindow::ensureOpen()
{
    if (m_opened)
        return true;
    if (!m_source->open()) {
        showMessage(QStringLiteral("The booking file could not be read:\n") + m_source->lastError(),
                    QStringLiteral("Error"), MsgIcon::Critical);
        return false;
    }
    m_opened = true;
    return true;
}

bool RecordWindow::OpenOn(int key)
{
    if (!ensureOpen() || !leaveRecord())
        return false;
    return m_source->findFirst(m_source->keyField(), key);
}

bool RecordWindow::OpenNew(const FieldValues& values)
{
    if (!ensureOpen() || !leaveRecord())
        return false;
    m_source->addNew(values);
    return true;
}

void RecordWindow::Cancel()
{
    if (m_readOnly)
        return;
    const bool adding = m_source->isAdding();
    m_source->refill();
    if (adding)
        close(); // nothing left to write
}

bool RecordWindow::leaveRecord()
{
    if (m_readOnly || !m_opened || !m_source->hasRecord())
        return true;
    // A number typed in a form the locale cannot read is refused by name.
    if (RefuseTypedNumbers(this) != nullptr || !mayLeaveRecord())
        return false;
    QString error;
    if (writeShown(&error))
        return true;
    showMessage(QStringLiteral("The record could not be saved:\n") + error, QStringLiteral("Error"),
                MsgIcon::Critical);
    return false;
}

bool RecordWindow::writeShown(QString* error)
{
    if (m_source->write())
        return true;
    *error = m_source->lastError();
    return false;
}

std::optional<qint64> RecordWindow::editedKey() const
{
    if (!m_source->hasRecord() || m_source->isAdding())
        return std::nullopt;
    return m_source->key().toLongLong();
}

void RecordWindow::rowDeleted()
{
    m_source->refill(); // nothing is left to write
    close();
}

void RecordWindow::showWrittenInOthers()
{
    for (OpenEditor* e : OpenEditors::on(m_source->table(), m_source->key().toLongLong())) {
        auto* w = dynamic_cast<RecordWindow*>(e);
        if (!w || w == this)
            continue;
        // What is typed there is kept; its own write says whether it can be stored.
        w->m_source->mapper()->submit();
        if (!w->m_source->model()->isDirty())
            w->m_source->refill();
    }
}

void RecordWindow::closeEvent(QCloseEvent* event)
{
    if (leaveRecord())
        event->accept();
    else
        event->ignore();
}

void RecordWindow::saveNamed(QLineEdit* name, const QString& emptyMessage)
{
    if (name->text().isEmpty()) {
        showMessage(emptyMessage, QStringLiteral("Message"));
        name->setFocus();
        return;
    }
    close();
}

bool RecordWindow::mayLeaveNamed(QLineEdit* name, const QString& field, const QString& emptyMessage)
{
    const bool changed = source()->isAdding() || name->text() != source()->value(field).toString();
    if (changed && name->text().isEmpty()) {
        showMessage(emptyMessage, QStringLiteral("Message"));
        return false;
    }
    return true;
}

void RecordWindow::deleteShown(const std::function<QString(Database&, int)>& check,
                               const std::function<DeleteOutcome(Database&, int)>& remove)
{
    // Every user may rename a group or a type; only administrators remove one.
    if (!RequireAdmin())
        return;
    if (!source()->hasRecord())
        return;
    if (source()->isAdding()) {
        Cancel();
        return;
    }
    Database db = BookingFile();
    const int key = source()->key().toInt();
    if (!ConfirmAndDelete(check(db, key), QStringLiteral("Delete Info"),
                          [&] { return remove(db, key); }))
        return;
    source()->refill(); // the record is gone: nothing is left to write
    close();
}

RecordWindow::Buttons RecordWindow::addButtonRow(QBoxLayout* layout, const char* okName,
                                                 const std::function<void()>& ok,
                                                 const std::function<void()>& remove,
                                                 bool withCancel)
{
    auto button = [this](const QString& caption, const char* name,
                         const std::function<void()>& action) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        connect(b, &QPushButton::clicked, this, action);
        return b;
    };
    Buttons b;
    b.ok = button(QStringLiteral("Ok"), okName, ok);
    b.ok->setDefault(true);
    if (withCancel)
        b.cancel = button(QStringLiteral("Cancel"), "Canc", [this] { Cancel(); });
    if (remove)
        b.remove = button(QStringLiteral("Delete"), "del", remove);
    auto* row = new QHBoxLayout;
    if (b.remove)
        row->addWidget(b.remove);
    row->addStretch();
    row->addWidget(b.ok);
    if (b.cancel)
        row->addWidget(b.cancel);
    layout->addLayout(row);
    return b;
}

} // namespace vestra
