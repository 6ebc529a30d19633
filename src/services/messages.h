#pragma once
// Every message box of the program goes through one service, so that tests
// can record each message and answer it.

#include <QList>
#include <QString>

namespace vestra {

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MsgIcon { None, Information, Warning, Critical, Question };
enum class MsgAnswer { Ok, Cancel, Yes, No, Retry };

struct Message {
    Message() = default;
    Message(QString text, QString title, MsgButtons buttons = MsgButtons::Ok,
            MsgIcon icon = MsgIcon::Information, MsgAnswer defaultButton = MsgAnswer::Ok,
            QString helpPage = {})
        : text(std::move(text)), title(std::move(title)), buttons(buttons), icon(icon),
          defaultButton(defaultButton), helpPage(std::move(helpPage))
    {
    }

    QString text;
    QString title;
    MsgButtons buttons = MsgButtons::Ok;
    MsgIcon icon = MsgIcon::Information;
    MsgAnswer defaultButton = MsgAnswer::Ok;
    // A page of the manual (as "resources.html#hierarchy"): a Help button
    // opens it beside the message, which stays open for its answer.
    QString helpPage;
};

class MessageService {
public:
    virtual ~MessageService() = default;
    virtual MsgAnswer show(const Message& message) = 0;
};

// The service in use: the one a test installed, else the default (the
// message boxes, once the program installed them).
MessageService& messages();
// Installs a service (not owned); nullptr restores the default.
void setMessageService(MessageService* service);
// The service used when none is installed (not owned); the widgets library
// installs its message boxes here.
void setDefaultMessageService(MessageService* service);

// Shorthands for the two shapes the program uses everywhere.
MsgAnswer showMessage(const QString& text, const QString& title,
                      MsgIcon icon = MsgIcon::Information);
// Yes/No with a question icon and No as default, as every deletion asks.
bool askYesNo(const QString& text, const QString& title);

// Test double: records each message and gives scripted answers in order;
// when the script is empty it answers with the default button.
class RecordingMessageService : public MessageService {
public:
    MsgAnswer show(const Message& message) override;
    void answerNext(MsgAnswer answer) { m_answers.append(answer); }
    const QList<Message>& shown() const { return m_shown; }
    void clear()
    {
        m_shown.clear();
        m_answers.clear();
    }
    // "text" / "title" of every message, for compact assertions.
    QStringList texts() const;

private:
    QList<Message> m_shown;
    QList<MsgAnswer> m_answers;
};

// Installs a recording service for the lifetime of the object.
class ScopedRecordingMessages : public RecordingMessageService {
public:
    ScopedRecordingMessages() { setMessageService(this); }
    ~ScopedRecordingMessages() override { setMessageService(nullptr); }
};

} // namespace vestra
