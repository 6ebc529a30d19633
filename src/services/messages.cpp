#include "services/messages.h"

#include <QtGlobal>

namespace vestra {

namespace {
MessageService* g_service = nullptr;

MessageService* g_default = nullptr;

// Without a window system (a tool, or a program that installed nothing) a
// message is written to the log and answered with its default button.
class LogMessageService : public MessageService {
public:
    MsgAnswer show(const Message& m) override
    {
        qWarning("%s: %s", qUtf8Printable(m.title), qUtf8Printable(m.text));
        return m.defaultButton;
    }
};
} // namespace

MessageService& messages()
{
    static LogMessageService log;
    return g_service ? *g_service : g_default ? *g_default : log;
}

void setMessageService(MessageService* service)
{
    g_service = service;
}

void setDefaultMessageService(MessageService* service)
{
    g_default = service;
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
