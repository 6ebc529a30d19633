#pragma once
// The connect window: shown when no usable booking file is stored.

#include <QWidget>

class QPushButton;

namespace vestra {

class ConnectWindow : public QWidget {
    Q_OBJECT
public:
    explicit ConnectWindow(QWidget* parent = nullptr);

private:
    void openClicked();
    void createClicked();
    void serverClicked();
};

ConnectWindow* ShowConnectWindow();

} // namespace vestra
