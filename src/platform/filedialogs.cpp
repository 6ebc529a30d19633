#include "platform/filedialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

namespace vestra {

namespace {
FileDialogService* g_service = nullptr;
}

FileChoice FileChoice::fromPath(const QString& path)
{
    FileChoice c;
    c.chosen = true;
    c.fullPath = path;
    // The name is whatever follows the last separator; it may be empty when
    // only a folder was given.
    const QString normal = QDir::fromNativeSeparators(path);
    const int slash = normal.lastIndexOf(QLatin1Char('/'));
    c.nameWithExt = slash >= 0 ? normal.mid(slash + 1) : normal;
    const int dot = c.nameWithExt.lastIndexOf(QLatin1Char('.'));
    c.baseName = dot >= 0 ? c.nameWithExt.left(dot) : c.nameWithExt;
    c.extension = dot >= 0 ? c.nameWithExt.mid(dot + 1) : QString();
    return c;
}

FileDialogService& fileDialogs()
{
    static QtFileDialogService dialogs;
    return g_service ? *g_service : dialogs;
}

void setFileDialogService(FileDialogService* service)
{
    g_service = service;
}

namespace {
QString startFolder(const QString& folder)
{
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        return folder;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (QFileInfo(documents).isDir())
        return documents;
    return QFileInfo(QDir::homePath()).isDir() ? QDir::homePath() : QDir::currentPath();
}
} // namespace

FileChoice QtFileDialogService::openFile(const QString& title, const QString& filter,
                                         const QString& folder)
{
    const QString path = QFileDialog::getOpenFileName(QApplication::activeWindow(), title,
                                                      startFolder(folder), filter);
    return path.isEmpty() ? FileChoice::cancelled() : FileChoice::fromPath(path);
}

FileChoice QtFileDialogService::saveFile(const QString& title, const QString& filter,
                                         const QString& folder, const QString& defaultSuffix)
{
    QFileDialog dialog(QApplication::activeWindow(), title, startFolder(folder), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()
        || dialog.selectedFiles().first().isEmpty())
        return FileChoice::cancelled();
    return FileChoice::fromPath(dialog.selectedFiles().first());
}

FileChoice ScriptedFileDialogs::next()
{
    if (m_script.isEmpty())
        return FileChoice::cancelled();
    const auto path = m_script.takeFirst();
    return path ? FileChoice::fromPath(*path) : FileChoice::cancelled();
}

FileChoice ScriptedFileDialogs::openFile(const QString& title, const QString&, const QString&)
{
    titles << title;
    return next();
}

FileChoice ScriptedFileDialogs::saveFile(const QString& title, const QString&, const QString&,
                                         const QString& defaultSuffix)
{
    titles << title;
    defaultSuffixes << defaultSuffix;
    FileChoice c = next();
    if (c.chosen && !defaultSuffix.isEmpty() && !c.nameWithExt.isEmpty()
        && !c.nameWithExt.contains(QLatin1Char('.')))
        c = FileChoice::fromPath(c.fullPath + QLatin1Char('.') + defaultSuffix);
    return c;
}

} // namespace vestra
