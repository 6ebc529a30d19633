#pragma once
// The time editor of the opening-hours window: a time of day in seconds
// since midnight, shown as "hh:mm". The arrows, the up and down keys and
// the wheel step the part the caret stands in: hours before the colon,
// minutes after it, single seconds past the last digit.

#include <QAbstractSpinBox>

namespace vestra {

class TimeStepEdit : public QAbstractSpinBox {
    Q_OBJECT
    Q_PROPERTY(int value READ value WRITE setValue NOTIFY valueChanged USER true)
public:
    explicit TimeStepEdit(QWidget* parent = nullptr);

    int value() const { return m_seconds; }
    void setValue(int seconds);

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    // Takes a typed time; text that is not a time gives the stored one back.
    void commitText();

signals:
    void valueChanged(int seconds);

protected:
    StepEnabled stepEnabled() const override;

private:
    int m_seconds = 0;
};

} // namespace vestra
