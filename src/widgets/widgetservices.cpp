#include "widgets/widgetservices.h"

#include "widgets/accessibility.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QStatusBar>

namespace vestra {

namespace {
QMessageBox::StandardButton toButton(MsgAnswer a)
{
    switch (a) {
    case MsgAnswer::Ok:
        return QMessageBox::Ok;
    case MsgAnswer::Cancel:
        return QMessageBox::Cancel;
    case MsgAnswer::Yes:
        return QMessageBox::Yes;
    case MsgAnswer::No:
        return QMessageBox::No;
    case MsgAnswer::Retry:
        return QMessageBox::Retry;
    }
    return QMessageBox::Ok;
}

std::function<void(const QString&)>& messageHelp()
{
    static std::function<void(const QString&)> open;
    return open;
}
} // namespace

void SetMessageHelp(std::function<void(const QString& page)> open)
{
    messageHelp() = std::move(open);
}

MsgAnswer BoxMessageService::show(const Message& m)
{
    QMessageBox box(QApplication::activeWindow());
    // Messages quote titles and names as typed; none of them is markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(m.text);
    // The platform puts the program's name on a window whose title is empty;
    // a blank keeps an untitled message untitled.
    box.setWindowTitle(m.title.isEmpty() ? QStringLiteral(" ") : m.title);
    switch (m.icon) {
    case MsgIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case MsgIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MsgIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case MsgIcon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case MsgIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    }
    switch (m.buttons) {
    case MsgButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MsgButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case MsgButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case MsgButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    case MsgButtons::RetryCancel:
        box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel);
        break;
    }
    box.setDefaultButton(toButton(m.defaultButton));
    if (!m.helpPage.isEmpty() && messageHelp()) {
        QPushButton* help = box.addButton(QMessageBox::Help);
        // Help answers nothing: the manual opens and the question waits.
        QObject::disconnect(help, &QAbstractButton::clicked, nullptr, nullptr);
        QObject::connect(help, &QAbstractButton::clicked, &box,
                         [page = m.helpPage] { messageHelp()(page); });
        // Modal to its own window only, so that the manual beside it can be read.
        box.setWindowModality(Qt::WindowModal);
    }
    switch (box.exec()) {
    case QMessageBox::Cancel:
        return MsgAnswer::Cancel;
    case QMessageBox::Yes:
        return MsgAnswer::Yes;
    case QMessageBox::No:
        return MsgAnswer::No;
    case QMessageBox::Ok:
        return MsgAnswer::Ok;
    case QMessageBox::Retry:
        return MsgAnswer::Retry;
    default:
        // Closed with Escape: the safe answer of the box.
        return m.buttons == MsgButtons::YesNo ? MsgAnswer::No
               : m.buttons == MsgButtons::Ok  ? MsgAnswer::Ok
                                              : MsgAnswer::Cancel;
    }
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

FileChoice QtFileDialogService::chooseFolder(const QString& title, const QString& folder)
{
    const QString path =
        QFileDialog::getExistingDirectory(QApplication::activeWindow(), title, startFolder(folder));
    return path.isEmpty() ? FileChoice::cancelled() : FileChoice::fromPath(path);
}

QString WaitingText()
{
    return QStringLiteral("Waiting for the booking file…");
}

void StatusBarWaitObserver::waitStarted()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* main = qobject_cast<QMainWindow*>(w); main && main->isVisible()) {
            main->statusBar()->showMessage(WaitingText());
            main->statusBar()->repaint();
        }
    }
}

void StatusBarWaitObserver::waitEnded()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* main = qobject_cast<QMainWindow*>(w);
            main && main->statusBar()->currentMessage() == WaitingText())
            main->statusBar()->clearMessage();
    }
    QApplication::restoreOverrideCursor();
}

void InstallWidgetServices()
{
    InstallAccessibility();
    // A label underlines its mnemonic letter, which shapes that letter apart
    // from the next and so paints "&To" without the kerning its width was
    // measured with: "To" showed as "Tc". Labels measure as they paint.
    QFont captions = QApplication::font("QLabel");
    captions.setKerning(false);
    QApplication::setFont(captions, "QLabel");
    static BoxMessageService boxes;
    static QtFileDialogService dialogs;
    static StatusBarWaitObserver waits;
    SetWaitObserver(&waits);
    setDefaultMessageService(&boxes);
    setDefaultFileDialogService(&dialogs);
}

} // namespace vestra
