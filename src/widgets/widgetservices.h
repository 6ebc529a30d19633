#pragma once
// The message and file-dialog services as the user sees them: modal
// QMessageBox and QFileDialog on the active window.

#include "db/database.h"
#include "services/filedialogs.h"
#include "services/messages.h"

#include <functional>

namespace vestra {

// How a message's Help button opens a page of the manual (the help window
// lives above the platform).
void SetMessageHelp(std::function<void(const QString& page)> open);

// Modal QMessageBox on the active window.
class BoxMessageService : public MessageService {
public:
    MsgAnswer show(const Message& message) override;
};

class QtFileDialogService : public FileDialogService {
public:
    FileChoice openFile(const QString& title, const QString& filter,
                        const QString& folder = {}) override;
    FileChoice saveFile(const QString& title, const QString& filter, const QString& folder = {},
                        const QString& defaultSuffix = {}) override;
    FileChoice chooseFolder(const QString& title, const QString& folder = {}) override;
};

// A write waiting for another workstation: a busy cursor, and
// "Waiting for the booking file…" in the status bar of every main window,
// painted at once (the wait holds the event loop).
QString WaitingText();
class StatusBarWaitObserver : public WaitObserver {
public:
    void waitStarted() override;
    void waitEnded() override;
};

// Makes message boxes and Qt file dialogs the defaults of the two services,
// and shows waits for the booking file in the status bar.
void InstallWidgetServices();

} // namespace vestra
