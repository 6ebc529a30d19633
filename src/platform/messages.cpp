#include "platform/messages.h"

#include <QApplication>
#include <QMessageBox>

namespace vestra {

namespace {
MessageService* g_service = nullptr;

QMessageBox::StandardButton toButton(MsgAnswer a)
{
    switch (a) {
    case MsgAnswer::Ok: return QMessageBox::Ok;
    case MsgAnswer::Cancel: return QMessageBox::Cancel;
    case MsgAnswer::Yes: return QMessageBox::Yes;
    case MsgAnswer::No: return QMessageBox::No;
    }
    return QMessageBox::Ok;
}
} // namespace

MessageService& messages()
{
    static BoxMessageService boxes;
    return g_service ? *g_service : boxes;
}

void setMessageService(MessageService* service)
{
    g_service = service;
}

MsgAnswer showMessage(const QString& text, const QString& title, MsgIcon icon)
{
    return messages().show({text, title, MsgButtons::Ok, icon, MsgAnswer::Ok});
}

bool askYesNo(const QString& text, const QString& title)
{
    return messages().show({text, title, MsgButtons::YesNo, MsgIcon::Question, MsgAnswer::No})
           == MsgAnswer::Yes;
}

MsgAnswer BoxMessageService::show(const Message& m)
{
    QMessageBox box(QApplication::activeWindow());
    box.setText(m.text);
    // The platform puts the program's name on a window whose title is empty;
    // a blank keeps an untitled message untitled.
    box.setWindowTitle(m.title.isEmpty() ? QStringLiteral(" ") : m.title);
    switch (m.icon) {
    case MsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MsgIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case MsgIcon::Critical: box.setIcon(QMessageBox::Critical); break;
    case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
    }
    switch (m.buttons) {
    case MsgButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case MsgButtons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case MsgButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case MsgButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    box.setDefaultButton(toButton(m.defaultButton));
    switch (box.exec()) {
    case QMessageBox::Cancel: return MsgAnswer::Cancel;
    case QMessageBox::Yes: return MsgAnswer::Yes;
    case QMessageBox::No: return MsgAnswer::No;
    case QMessageBox::Ok: return MsgAnswer::Ok;
    default:
        // Closed with Escape: the safe answer of the box.
        return m.buttons == MsgButtons::YesNo ? MsgAnswer::No
               : m.buttons == MsgButtons::Ok  ? MsgAnswer::Ok
                                              : MsgAnswer::Cancel;
    }
}

MsgAnswer RecordingMessageService::show(const Message& message)
{
    m_shown.append(message);
    if (!m_answers.isEmpty())
        return m_answers.takeFirst();
    return message.defaultButton;
}

QStringList RecordingMessageService::texts() const
{
    QStringList out;
    for (const Message& m : m_shown)
        out << m.text + QStringLiteral(" / ") + m.title;
    return out;
}

} // namespace vestra
