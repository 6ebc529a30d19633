#include "widgets/scrolledbody.h"

#include <QLayout>
#include <QMainWindow>
#include <QScrollArea>
#include <QStyle>

namespace vestra {

namespace {

// Asks for room for the whole body, but takes less when the screen has no more.
class BodyScrollArea : public QScrollArea {
public:
    QSize sizeHint() const override
    {
        if (!widget())
            return QScrollArea::sizeHint();
        const int frame = 2 * frameWidth();
        return widget()->sizeHint().expandedTo(widget()->minimumSizeHint()) + QSize(frame, frame);
    }
};

QMargins layoutMargins(const QWidget* w)
{
    const QStyle* style = w->style();
    return {style->pixelMetric(QStyle::PM_LayoutLeftMargin, nullptr, w),
            style->pixelMetric(QStyle::PM_LayoutTopMargin, nullptr, w),
            style->pixelMetric(QStyle::PM_LayoutRightMargin, nullptr, w),
            style->pixelMetric(QStyle::PM_LayoutBottomMargin, nullptr, w)};
}

} // namespace

void SetScrolledBody(QWidget* window, QLayout* body)
{
    auto* area = new BodyScrollArea;
    area->setObjectName(QStringLiteral("scrolledBody"));
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    // Tab goes from control to control; the area follows the focus itself.
    area->setFocusPolicy(Qt::NoFocus);
    auto* content = new QWidget;
    content->setLayout(body);
    area->setWidget(content);
    if (auto* main = qobject_cast<QMainWindow*>(window)) {
        main->setCentralWidget(area);
    } else {
        auto* outer = new QVBoxLayout(window);
        outer->setContentsMargins(0, 0, 0, 0);
        outer->addWidget(area);
    }
    // The body keeps the margins a window's own layout has, not an inner widget's.
    if (body->contentsMargins() == layoutMargins(content))
        body->setContentsMargins(layoutMargins(window));
}

} // namespace vestra
