#include "services/filedialogs.h"

#include <QDir>

namespace vestra {

namespace {
FileDialogService* g_service = nullptr;
FileDialogService* g_default = nullptr;

// Without a window system no file can be chosen: every dialog is cancelled.
class NoFileDialogs : public FileDialogService {
public:
    FileChoice openFile(const QString&, const QString&, const QString&) override
    {
        return FileChoice::cancelled();
    }
    FileChoice saveFile(const QString&, const QString&, const QString&, const QString&) override
    {
        return FileChoice::cancelled();
    }
    FileChoice chooseFolder(const QString&, const QString&) override
    {
        return FileChoice::cancelled();
    }
};
} // namespace

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
    static NoFileDialogs none;
    return g_service ? *g_service : g_default ? *g_default : none;
}

void setFileDialogService(FileDialogService* service)
{
    g_service = service;
}

void setDefaultFileDialogService(FileDialogService* service)
{
    g_default = service;
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

FileChoice ScriptedFileDialogs::chooseFolder(const QString& title, const QString&)
{
    titles << title;
    return next();
}

} // namespace vestra
