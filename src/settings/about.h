#pragma once
// The About window: the program's picture and version; Luk closes it.

#include <QWidget>

namespace vestra {

class About : public QWidget {
    Q_OBJECT
public:
    explicit About(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// Opened from the command bar; waits until closed.
About* ShowAbout(QWidget* owner);

} // namespace vestra
