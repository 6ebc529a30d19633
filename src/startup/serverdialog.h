#pragma once
// The dialog of "Connect to Server…": where the booking database lies.

#include "session/connection.h"

#include <QDialog>
#include <optional>

class QCheckBox;
class QLineEdit;

namespace vestra {

class ServerDialog : public QDialog {
    Q_OBJECT
public:
    explicit ServerDialog(QWidget* parent = nullptr);
    ServerChoice choice() const;
    void setChoice(const ServerChoice& choice);

private:
    QLineEdit* m_host;
    QLineEdit* m_port;
    QLineEdit* m_database;
    QLineEdit* m_user;
    QCheckBox* m_verified;
    QLineEdit* m_rootCert;
};

// Shows the dialog filled with what was typed before; nullopt when it is cancelled.
std::optional<ServerChoice> AskForServer(QWidget* parent, const ServerChoice& typed = {});

} // namespace vestra
