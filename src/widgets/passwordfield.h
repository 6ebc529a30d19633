#pragma once
// Password boxes show each typed character as "*", whatever bullet the
// style would draw.

#include <QLineEdit>

namespace vestra {

inline void MakePasswordField(QLineEdit* edit)
{
    edit->setEchoMode(QLineEdit::Password);
    edit->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
}

} // namespace vestra
