#include "widgets/yearcalendar.h"

#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>

namespace vestra {

namespace {

constexpr int kColumns = 4; // months across
constexpr int kRows = 3;    // months down
constexpr int kPad = 6;     // around each month
constexpr int kLines = 8;   // month name, weekday initials, six weeks

const char* const kInitials[] = {"S", "M", "T", "W", "T", "F", "S"};

// Column of the date's weekday in a week that starts on firstDay.
int weekdayColumn(const QDate& date, Qt::DayOfWeek firstDay)
{
    return (date.dayOfWeek() - int(firstDay) + 7) % 7;
}

} // namespace

YearCalendar::YearCalendar(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("Year calendar"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_previous = new QToolButton(this);
    m_previous->setObjectName(QStringLiteral("previousYear"));
    m_previous->setArrowType(Qt::LeftArrow);
    m_previous->setAutoRaise(true);
    m_previous->setFocusPolicy(Qt::NoFocus);
    m_previous->setToolTip(QStringLiteral("Previous year"));
    m_next = new QToolButton(this);
    m_next->setObjectName(QStringLiteral("nextYear"));
    m_next->setArrowType(Qt::RightArrow);
    m_next->setAutoRaise(true);
    m_next->setFocusPolicy(Qt::NoFocus);
    m_next->setToolTip(QStringLiteral("Next year"));
    connect(m_previous, &QToolButton::clicked, this,
            [this] { moveCurrent(m_current.addYears(-1)); });
    connect(m_next, &QToolButton::clicked, this, [this] { moveCurrent(m_current.addYears(1)); });
}

void YearCalendar::setCurrentDate(const QDate& date)
{
    if (date.isValid())
        moveCurrent(date);
}

void YearCalendar::setMarkedDates(const QList<QDate>& dates)
{
    m_marked = QSet<QDate>(dates.begin(), dates.end());
    update();
}

void YearCalendar::moveCurrent(const QDate& date)
{
    if (!date.isValid() || date == m_current)
        return;
    m_current = date;
    update();
}

QSize YearCalendar::cellSize() const
{
    const QFontMetrics fm(font());
    return {fm.horizontalAdvance(QStringLiteral("00")) + 10, fm.height() + 4};
}

int YearCalendar::headerHeight() const
{
    return std::max(QFontMetrics(font()).height() + 10, m_previous->sizeHint().height() + 4);
}

QSize YearCalendar::sizeHint() const
{
    const QSize cell = cellSize();
    return {kColumns * (7 * cell.width() + 2 * kPad),
            headerHeight() + kRows * (kLines * cell.height() + 2 * kPad)};
}

QSize YearCalendar::minimumSizeHint() const
{
    return sizeHint();
}

void YearCalendar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int h = headerHeight();
    const QSize b = m_previous->sizeHint();
    m_previous->setGeometry(kPad, (h - b.height()) / 2, b.width(), b.height());
    m_next->setGeometry(width() - kPad - b.width(), (h - b.height()) / 2, b.width(), b.height());
}

void YearCalendar::setFirstDayOfWeek(Qt::DayOfWeek day)
{
    m_firstDay = day;
    update();
}

QRect YearCalendar::monthRect(int month) const
{
    const int top = headerHeight();
    const int w = width() / kColumns;
    const int h = (height() - top) / kRows;
    const int index = month - 1;
    return {(index % kColumns) * w, top + (index / kColumns) * h, w, h};
}

QRect YearCalendar::dateRect(const QDate& date) const
{
    if (!date.isValid() || date.year() != year())
        return {};
    const QRect month = monthRect(date.month());
    const QSize cell = cellSize();
    const int left = month.left() + (month.width() - 7 * cell.width()) / 2;
    const int slot =
        weekdayColumn(QDate(date.year(), date.month(), 1), m_firstDay) + date.day() - 1;
    return {left + (slot % 7) * cell.width(), month.top() + kPad + (2 + slot / 7) * cell.height(),
            cell.width(), cell.height()};
}

QDate YearCalendar::dateAt(const QPoint& point) const
{
    for (int m = 1; m <= 12; ++m) {
        if (!monthRect(m).contains(point))
            continue;
        const QDate first(year(), m, 1);
        const QRect firstCell = dateRect(first);
        const QSize cell = cellSize();
        const int left = firstCell.left() - weekdayColumn(first, m_firstDay) * cell.width();
        const int top = firstCell.top();
        if (point.x() < left || point.y() < top)
            return {};
        const int column = (point.x() - left) / cell.width();
        const int row = (point.y() - top) / cell.height();
        if (column > 6 || row > 5)
            return {};
        const int day = row * 7 + column - weekdayColumn(first, m_firstDay) + 1;
        if (day < 1 || day > first.daysInMonth())
            return {};
        return QDate(year(), m, day);
    }
    return {};
}

void YearCalendar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QPalette& pal = palette();
    p.fillRect(rect(), pal.base());
    const QSize cell = cellSize();
    const QLocale english(QLocale::English);
    const QDate today = QDate::currentDate();

    QFont bold = font();
    bold.setBold(true);
    p.setFont(bold);
    p.setPen(pal.color(QPalette::Text));
    p.drawText(QRect(0, 0, width(), headerHeight()), Qt::AlignCenter, QString::number(year()));

    for (int m = 1; m <= 12; ++m) {
        const QRect month = monthRect(m);
        const int left = month.left() + (month.width() - 7 * cell.width()) / 2;
        const int top = month.top() + kPad;
        p.setFont(bold);
        p.setPen(pal.color(QPalette::Text));
        p.drawText(QRect(left, top, 7 * cell.width(), cell.height()), Qt::AlignCenter,
                   english.standaloneMonthName(m));
        p.setFont(font());
        p.setPen(pal.color(QPalette::PlaceholderText));
        for (int c = 0; c < 7; ++c)
            p.drawText(
                QRect(left + c * cell.width(), top + cell.height(), cell.width(), cell.height()),
                Qt::AlignCenter, QString::fromLatin1(kInitials[(c + int(m_firstDay)) % 7]));
        p.drawLine(left, top + 2 * cell.height() - 1, left + 7 * cell.width(),
                   top + 2 * cell.height() - 1);

        const QDate first(year(), m, 1);
        for (int d = 1; d <= first.daysInMonth(); ++d) {
            const QDate date(year(), m, d);
            const QRect r = dateRect(date).adjusted(1, 1, -1, -1);
            const bool current = date == m_current;
            QColor text = pal.color(QPalette::Text);
            if (current) {
                p.fillRect(r, pal.color(hasFocus() ? QPalette::Highlight : QPalette::Mid));
                text = pal.color(QPalette::HighlightedText);
            } else if (m_marked.contains(date)) {
                QColor tint = pal.color(QPalette::Highlight);
                tint.setAlpha(60);
                p.fillRect(r, tint);
            }
            if (date == today) {
                p.setPen(pal.color(QPalette::Highlight));
                p.drawRect(r.adjusted(0, 0, -1, -1));
            }
            p.setFont(m_marked.contains(date) ? bold : font());
            p.setPen(text);
            p.drawText(r, Qt::AlignCenter, QString::number(d));
        }
    }
}

void YearCalendar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QDate date = dateAt(event->position().toPoint());
    if (!date.isValid())
        return;
    moveCurrent(date);
    emit clicked(date);
}

void YearCalendar::keyPressEvent(QKeyEvent* event)
{
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_Left:
        moveCurrent(m_current.addDays(-1));
        break;
    case Qt::Key_Right:
        moveCurrent(m_current.addDays(1));
        break;
    case Qt::Key_Up:
        moveCurrent(m_current.addDays(-7));
        break;
    case Qt::Key_Down:
        moveCurrent(m_current.addDays(7));
        break;
    case Qt::Key_PageUp:
        moveCurrent(ctrl ? m_current.addYears(-1) : m_current.addMonths(-1));
        break;
    case Qt::Key_PageDown:
        moveCurrent(ctrl ? m_current.addYears(1) : m_current.addMonths(1));
        break;
    case Qt::Key_Home:
        moveCurrent(QDate(year(), m_current.month(), 1));
        break;
    case Qt::Key_End:
        moveCurrent(QDate(year(), m_current.month(), m_current.daysInMonth()));
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        emit clicked(m_current);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

} // namespace vestra
