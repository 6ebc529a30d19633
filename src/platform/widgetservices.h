#pragma once
// The message and file-dialog services as the user sees them: modal
// QMessageBox and QFileDialog on the active window.

#include "platform/services/filedialogs.h"
#include "platform/services/messages.h"

namespace vestra {

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
};

// Makes message boxes and Qt file dialogs the defaults of the two services.
void InstallWidgetServices();

} // namespace vestra
