#include "accounts/accountwindow.h"

#include "accounts/accounts.h"
#include "data/audit.h"
#include "forms/fieldeditors.h"
#include "services/messages.h"
#include "session/session.h"

#include <QCloseEvent>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlRecord>

namespace vestra {

AccountWindow::AccountWindow(QWidget* parent)
    : RecordWindow(QStringLiteral("konti"), QStringLiteral("ID"), false, parent)
{
}

QLineEdit* AccountWindow::addLine(QFormLayout* form, const QString& label, const QString& field)
{
    auto* edit = new QLineEdit(this);
    edit->setObjectName(field);
    form->addRow(label, edit);
    m_fields.append({edit, field});
    return edit;
}

FlagBox* AccountWindow::addFlag(QFormLayout* form, const QString& label, const QString& field)
{
    auto* box = new FlagBox(label, this);
    box->setObjectName(field);
    form->addRow(QString(), box);
    m_fields.append({box, field});
    return box;
}

KeyCombo* AccountWindow::addDepartment(QFormLayout* form)
{
    auto* list = new KeyCombo(this);
    list->setObjectName(QStringLiteral("depnr"));
    Database db = BookingFile();
    QList<std::pair<QVariant, QString>> rows;
    if (auto q = db.query(QStringLiteral("SELECT depnr, depname FROM departmentfor")))
        while (q->next())
            rows.append({q->value(0).toInt(), q->value(1).toString()});
    list->setRows(rows);
    form->addRow(QStringLiteral("Department"), list);
    m_fields.append({list, QStringLiteral("depnr")});
    return list;
}

void AccountWindow::bindFields()
{
    if (!ensureOpen())
        return;
    for (const auto& [editor, field] : m_fields)
        source()->bind(editor, field);
}

namespace {
// An account's fields by lower-case name, without its password and counter.
QHash<QString, QVariant> accountRow(Database& db, int id)
{
    QHash<QString, QVariant> row;
    auto q = db.query(QStringLiteral("SELECT * FROM Konti WHERE ID = ?"), {id});
    if (q && q->next())
        for (int i = 0; i < q->record().count(); ++i)
            row.insert(q->record().fieldName(i).toLower(), q->value(i));
    row.remove(QStringLiteral("kontopass"));
    row.remove(QString::fromLatin1(kChangeCounter));
    return row;
}

// Writes the stored record inside the caller's transaction, with the log
// line naming what changed; a server that logs its accounts itself needs none.
bool writeLogged(Database& db, RecordSource* s, QString* error)
{
    const int id = s->key().toInt();
    const bool log = !ServerWritesChangeLog(db);
    const QHash<QString, QVariant> before = log ? accountRow(db, id) : QHash<QString, QVariant>{};
    if (!s->write()) {
        *error = s->lastError();
        return false;
    }
    const QString changes = log ? AccountChanges(before, accountRow(db, id)) : QString();
    if (!changes.isEmpty()
        && !WriteAuditRow(db, AuditAction::AccountEdited, QString::number(id), changes)) {
        *error = db.lastError();
        return false;
    }
    return true;
}
} // namespace

bool AccountWindow::writeShown(QString* error)
{
    RecordSource* s = source();
    if (s->isAdding())
        return RecordWindow::writeShown(error);
    Database db = BookingFile();
    Transaction t(db);
    if (t.ok() && writeLogged(db, s, error) && t.commit())
        return true;
    if (error->isEmpty())
        *error = db.lastError();
    return false;
}

bool AccountWindow::writeWithMembership(const std::function<Statement(int id)>& membership)
{
    RecordSource* s = source();
    if (!s->hasRecord())
        return false;
    Database db = BookingFile();
    // The reason is the record's own when it was refused, else the file's.
    const auto refused = [this](const QString& why) {
        showMessage(QStringLiteral("The record could not be saved:\n") + why,
                    QStringLiteral("Error"), MsgIcon::Critical);
        return false;
    };
    if (!s->isAdding()) {
        Transaction t(db);
        const Statement row = membership(s->key().toInt());
        if (!t.ok() || !db.exec(row.sql, row.binds))
            return refused(db.lastError());
        QString why;
        if (!writeLogged(db, s, &why))
            return refused(why);
        return t.commit() || refused(db.lastError());
    }
    // A new account takes the number the database gives it, one never used
    // before, so the record is written first and its membership row after.
    s->mapper()->submit();
    const QSqlRecord typed = s->model()->record(s->mapper()->currentIndex());
    QString why;
    {
        Transaction t(db);
        if (!t.ok())
            return refused(db.lastError());
        if (!s->write())
            return refused(s->lastError()); // the record is still pending, as typed
        const Statement row = membership(s->key().toInt());
        if (db.exec(row.sql, row.binds) && t.commit())
            return true;
        why = db.lastError();
    }
    // The record was rolled back with its membership: it is new and
    // unsaved again, with what was typed.
    FieldValues values;
    for (int i = 0; i < typed.count(); ++i)
        if (typed.fieldName(i).compare(s->keyField(), Qt::CaseInsensitive) != 0)
            values.append({typed.fieldName(i), typed.value(i)});
    s->refill();
    s->addNew(values);
    return refused(why);
}

void AccountWindow::closeEvent(QCloseEvent* event)
{
    if (source()->isAdding() && !finishNewRecord()) {
        event->ignore();
        return;
    }
    RecordWindow::closeEvent(event);
    if (event->isAccepted())
        emit closed();
}

void AccountWindow::keyPressEvent(QKeyEvent* event)
{
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        auto* button = qobject_cast<QPushButton*>(focusWidget());
        if (!button) {
            button = nullptr;
            for (QPushButton* b : findChildren<QPushButton*>())
                if (b->isDefault())
                    button = b;
        }
        if (button && button->isEnabled())
            button->click();
        return;
    }
    if (plain && event->key() == Qt::Key_Escape) {
        source()->refill();
        close();
        return;
    }
    RecordWindow::keyPressEvent(event);
}

} // namespace vestra
