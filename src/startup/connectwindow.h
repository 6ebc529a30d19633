#pragma once
// The connect window: shown when no usable booking file is stored.

#include <QWidget>

class QPushButton;

namespace vestra {

class IntroConnect : public QWidget {
    Q_OBJECT
public:
    explicit IntroConnect(QWidget* parent = nullptr);

private:
    void openClicked();
    void createClicked();
};

IntroConnect* ShowIntroConnect();

} // namespace vestra
