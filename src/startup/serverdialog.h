#pragma once
// The dialog of "Connect to Server…": where the booking database lies.

#include "session/connection.h"

#include <QDialog>
#include <optional>

class QLineEdit;

namespace vestra {

class ServerDialog : public QDialog {
    Q_OBJECT
public:
    explicit ServerDialog(QWidget* parent = nullptr);
    ServerChoice choice() const;

private:
    QLineEdit* m_host;
    QLineEdit* m_port;
    QLineEdit* m_database;
    QLineEdit* m_user;
};

// Shows the dialog; nullopt when it is cancelled.
std::optional<ServerChoice> AskForServer(QWidget* parent);

} // namespace vestra
