#include "panel/ui/itemview.h"

#include "panel/ui/panelstyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace vestra {

BookingLines::BookingLines(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("panellines"));
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
}

void BookingLines::setLines(const QStringList& lines, const QList<bool>& headings)
{
    if (lines == m_lines && headings == m_headings)
        return;
    m_lines = lines;
    m_headings = headings;
    update();
}

void BookingLines::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    const QFontMetrics fm(font());
    const int step = fm.lineSpacing();
    const int room = std::max(1, height() / step);
    // With more lines than room, the last line says how many are left out.
    const int shown = m_lines.size() <= room ? int(m_lines.size()) : room - 1;
    int y = fm.ascent();
    for (int i = 0; i < shown; ++i, y += step) {
        QFont f = font();
        f.setBold(m_headings.value(i));
        p.setFont(f);
        p.drawText(0, y, QFontMetrics(f).elidedText(m_lines[i], Qt::ElideRight, width()));
    }
    if (shown < m_lines.size()) {
        p.setFont(font());
        p.drawText(0, y, QStringLiteral("+ %1 more").arg(m_lines.size() - shown));
    }
    m_shown = shown;
}

ItemView::ItemView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("panelitem"));
    m_name = new QLabel(this);
    m_name->setObjectName(QStringLiteral("panelname"));
    m_type = new QLabel(this);
    m_type->setObjectName(QStringLiteral("paneltype"));
    m_box = new QWidget(this);
    m_box->setAutoFillBackground(true);
    m_status = new QLabel(m_box);
    m_status->setObjectName(QStringLiteral("panelstatus"));
    m_until = new QLabel(m_box);
    m_until->setObjectName(QStringLiteral("paneluntil"));
    m_current = new QLabel(m_box);
    m_current->setObjectName(QStringLiteral("panelcurrent"));
    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("panelmessage"));
    m_message->setWordWrap(true);
    // Texts are fitted to the column; they never widen it.
    for (QLabel* label : {m_name, m_type, m_status, m_until, m_current, m_message})
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto* box = new QVBoxLayout(m_box);
    box->addWidget(m_status);
    box->addWidget(m_until);
    box->addWidget(m_current);

    auto* buttons = new QHBoxLayout;
    for (int minutes : {15, 30, 60}) {
        auto* b = new QPushButton(QStringLiteral("Book %1 min").arg(minutes), this);
        b->setObjectName(QStringLiteral("book%1").arg(minutes));
        // A tap books; a key never does.
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QPushButton::clicked, this,
                [this, minutes] { emit bookRequested(m_item, minutes); });
        buttons->addWidget(b);
        m_book << b;
        b->hide();
    }
    m_lines = new BookingLines(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_name);
    layout->addWidget(m_type);
    layout->addWidget(m_box);
    layout->addWidget(m_message);
    layout->addLayout(buttons);
    layout->addWidget(m_lines, 1);
    setScreenHeight(1080);
}

QString ItemView::statusText() const
{
    return m_status->text();
}

void ItemView::showItem(const PanelItemData& data, const PanelItemState& state,
                        const PanelMoment& now, const QList<int>& lengths, const QString& message)
{
    m_item = data.item;
    m_name->setText(data.name);
    m_type->setText(data.type);
    const StatusColours colours = ColoursOf(state.status);
    QPalette p = m_box->palette();
    p.setColor(QPalette::Window, colours.background);
    p.setColor(QPalette::WindowText, colours.text);
    m_box->setPalette(p);
    m_status->setText(StatusSymbol(state.status) + QLatin1Char(' ') + StatusWord(state.status));
    m_until->setText(UntilText(state, now));
    QString current;
    if (state.current) {
        current = state.current->title;
        if (!state.current->account.isEmpty())
            current += QStringLiteral(" \u00b7 ") + state.current->account;
    }
    m_current->setText(current);
    m_current->setVisible(!current.isEmpty());
    m_message->setText(message);
    m_message->setVisible(!message.isEmpty());
    for (QPushButton* b : m_book) {
        const int minutes = b->objectName().mid(4).toInt();
        b->setVisible(lengths.contains(minutes));
    }

    QStringList lines;
    QList<bool> headings;
    auto add = [&](const QString& heading, const QList<PanelBooking>& list, const QString& none) {
        lines << heading;
        headings << true;
        for (const PanelBooking& b : list) {
            lines << BookingTimes(b) + QStringLiteral("  ") + b.title
                         + (b.tentative ? QStringLiteral(" (tentative)") : QString());
            headings << false;
        }
        if (list.isEmpty()) {
            lines << none;
            headings << false;
        }
    };
    add(QStringLiteral("Later today"), state.laterToday, QStringLiteral("No more bookings today"));
    add(QStringLiteral("Tomorrow"), state.tomorrow, QStringLiteral("No bookings tomorrow"));
    m_lines->setLines(lines, headings);
    fitStatus();
}

void ItemView::setScreenHeight(int height)
{
    if (m_screenHeight == std::max(200, height))
        return;
    m_screenHeight = std::max(200, height);
    const int h = m_screenHeight;
    QFont f = font();
    f.setPixelSize(std::max(12, h / 28));
    m_type->setFont(f);
    f.setPixelSize(std::max(12, h / 18));
    m_until->setFont(f);
    f.setPixelSize(std::max(12, h / 26));
    m_current->setFont(f);
    m_message->setFont(f);
    for (QPushButton* b : m_book) {
        b->setFont(f);
        // Touch-sized: about a fingertip on a small panel, more on a large one.
        b->setMinimumHeight(std::max(48, h / 10));
    }
    f.setPixelSize(std::max(12, h / 32));
    m_lines->setFont(f);
    fitStatus();
}

void ItemView::fitStatus()
{
    const int h = m_screenHeight;
    const int room = std::max(40, width() - 24);
    QFont f = font();
    f.setBold(true);
    f.setPixelSize(FittingPixelSize(f, m_name->text(), room, std::max(14, h / 14)));
    m_name->setFont(f);
    // The status is the largest text there is: a twelfth of the screen's height and more.
    f.setPixelSize(FittingPixelSize(f, m_status->text(), room, std::max(16, h / 11)));
    m_status->setFont(f);
    f.setBold(false);
    f.setPixelSize(FittingPixelSize(f, m_until->text(), room, std::max(12, h / 18)));
    m_until->setFont(f);
    f.setPixelSize(std::max(12, h / 26));
    m_current->setText(
        QFontMetrics(f).elidedText(m_current->text(), Qt::ElideRight, std::max(40, room)));
}

void ItemView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    fitStatus();
}

} // namespace vestra
