#include "settings/timeeditor.h"

#include "settings/settings.h"

#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <algorithm>

namespace vestra {

TimeStepEdit::TimeStepEdit(QWidget* parent) : QAbstractSpinBox(parent)
{
    lineEdit()->setInputMask(QStringLiteral("99:99;_"));
    lineEdit()->setText(TimeText(0));
    setAccelerated(true);
    connect(this, &QAbstractSpinBox::editingFinished, this, &TimeStepEdit::commitText);
}

void TimeStepEdit::setValue(int seconds)
{
    seconds = std::clamp(seconds, 0, kLastSecondOfDay);
    const int caret = lineEdit()->cursorPosition();
    if (lineEdit()->text() != TimeText(seconds))
        lineEdit()->setText(TimeText(seconds));
    lineEdit()->setCursorPosition(caret);
    if (seconds == m_seconds)
        return;
    m_seconds = seconds;
    emit valueChanged(m_seconds);
}

void TimeStepEdit::commitText()
{
    const auto typed = ParseTimeText(lineEdit()->text());
    // The shown text leaves out the seconds; an unchanged text keeps them.
    if (typed && lineEdit()->text() != TimeText(m_seconds))
        setValue(*typed);
    else if (!typed)
        setValue(m_seconds);
}

void TimeStepEdit::stepBy(int steps)
{
    commitText();
    setValue(StepTime(m_seconds, lineEdit()->cursorPosition(), steps));
}

QAbstractSpinBox::StepEnabled TimeStepEdit::stepEnabled() const
{
    StepEnabled enabled = StepNone;
    if (m_seconds < kLastSecondOfDay)
        enabled |= StepUpEnabled;
    if (m_seconds > 0)
        enabled |= StepDownEnabled;
    return enabled;
}

QValidator::State TimeStepEdit::validate(QString& input, int&) const
{
    return ParseTimeText(input) ? QValidator::Acceptable : QValidator::Intermediate;
}

void TimeStepEdit::fixup(QString& input) const
{
    input = TimeText(m_seconds);
}

QSize TimeStepEdit::sizeHint() const
{
    ensurePolished();
    const QFontMetrics fm(font());
    QSize text(fm.horizontalAdvance(QStringLiteral("00:00 ")) + 4, lineEdit()->sizeHint().height());
    QStyleOptionSpinBox opt;
    initStyleOption(&opt);
    return style()->sizeFromContents(QStyle::CT_SpinBox, &opt, text, this);
}

} // namespace vestra
