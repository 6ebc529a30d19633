#pragma once
// File dialogs go through one service so that tests can script the choice.

#include <QList>
#include <QString>
#include <optional>

namespace vestra {

// What the program needs to know about the file the user chose.
struct FileChoice {
    bool chosen = false;
    QString fullPath;    // folder and name as typed, e.g. /data/budget.txt
    QString nameWithExt; // budget.txt
    QString baseName;    // budget
    QString extension;   // txt (without the dot)

    static FileChoice fromPath(const QString& path);
    static FileChoice cancelled() { return {}; }
};

class FileDialogService {
public:
    virtual ~FileDialogService() = default;
    // folder: where the dialog starts; an empty or missing folder means the
    // user's documents folder.
    virtual FileChoice openFile(const QString& title, const QString& filter,
                                const QString& folder = {}) = 0;
    // defaultSuffix is added to a name typed without one. The dialog does not
    // ask before a file is replaced: the caller asks once it knows the name
    // it will write.
    virtual FileChoice saveFile(const QString& title, const QString& filter,
                                const QString& folder = {}, const QString& defaultSuffix = {}) = 0;
    // A folder, not a file: fullPath is the folder chosen.
    virtual FileChoice chooseFolder(const QString& title, const QString& folder = {}) = 0;
};

FileDialogService& fileDialogs();
void setFileDialogService(FileDialogService* service);
// The service used when none is installed (not owned); the widgets library
// installs the Qt file dialogs here.
void setDefaultFileDialogService(FileDialogService* service);

// Test double: each call takes the next scripted path (nullopt = Cancel) and
// records the dialog's title.
class ScriptedFileDialogs : public FileDialogService {
public:
    ScriptedFileDialogs() { setFileDialogService(this); }
    ~ScriptedFileDialogs() override { setFileDialogService(nullptr); }
    void chooseNext(std::optional<QString> path) { m_script.append(path); }
    FileChoice openFile(const QString& title, const QString& filter,
                        const QString& folder = {}) override;
    // The suffix is added as the Qt dialog adds it: to a name without a dot.
    FileChoice saveFile(const QString& title, const QString& filter, const QString& folder = {},
                        const QString& defaultSuffix = {}) override;
    FileChoice chooseFolder(const QString& title, const QString& folder = {}) override;
    QStringList titles;
    QStringList defaultSuffixes; // of each save dialog

private:
    FileChoice next();
    QList<std::optional<QString>> m_script;
};

} // namespace vestra
