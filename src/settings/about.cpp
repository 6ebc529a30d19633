#include "settings/about.h"

#include "startup/splashwindow.h"
#include "widgets/windowregistry.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vestra {

About::About(QWidget* parent) : QWidget(parent, Qt::Dialog)
{
    setObjectName(QStringLiteral("About"));
    setWindowTitle(QStringLiteral("About Vestra"));

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Picture"));
    picture->setPixmap(VestraPicture(QSize(360, 200), QStringLiteral("Resource Booking")));
    auto* version = new QLabel(QStringLiteral("Version 3.2"), this);
    version->setObjectName(QStringLiteral("Version"));
    version->setAlignment(Qt::AlignCenter);

    auto* close = new QPushButton(QStringLiteral("OK"), this);
    close->setObjectName(QStringLiteral("Luk"));
    close->setDefault(true);
    close->setFocus();
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(close);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(picture);
    layout->addWidget(version);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void About::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

About* ShowAbout(QWidget* owner)
{
    auto& registry = WindowRegistry::instance();
    auto* w = registry.obtain<About>(QStringLiteral("About"), [owner] { return new About(owner); });
    registry.show(w, ShowMode::Modal, owner);
    return w;
}

} // namespace vestra
