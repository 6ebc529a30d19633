#include "forms/openeditors.h"

namespace vestra {

OpenEditor::OpenEditor()
{
    OpenEditors::all().append(this);
}

OpenEditor::~OpenEditor()
{
    OpenEditors::all().removeOne(this);
}

QList<OpenEditor*>& OpenEditors::all()
{
    static QList<OpenEditor*> editors;
    return editors;
}

QList<OpenEditor*> OpenEditors::on(const QString& table, std::optional<qint64> key)
{
    QList<OpenEditor*> out;
    for (OpenEditor* e : all()) {
        const std::optional<qint64> edited = e->editedKey();
        if (edited && (!key || *key == *edited)
            && e->editedTable().compare(table, Qt::CaseInsensitive) == 0)
            out << e;
    }
    return out;
}

bool OpenEditors::storeTyped(const QString& table, std::optional<qint64> key)
{
    for (OpenEditor* e : on(table, key))
        if (!e->storeTyped())
            return false;
    return true;
}

void OpenEditors::reread(const QString& table, std::optional<qint64> key)
{
    for (OpenEditor* e : on(table, key))
        e->reread();
}

void OpenEditors::deleted(const QString& table, qint64 key)
{
    for (OpenEditor* e : on(table, key))
        e->rowDeleted();
}

} // namespace vestra
