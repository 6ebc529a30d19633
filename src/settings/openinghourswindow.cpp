#include "settings/openinghourswindow.h"

#include "services/messages.h"
#include "settings/timeeditor.h"
#include "widgets/windowregistry.h"

#include <QCloseEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace vestra {

namespace {
// Editor names and labels in the order of kTimeFields.
const char* const kEditors[] = {"ctDEdit3", "ctDEdit1", "ctDEdit2",
                                "ctDEdit4", "ctDEdit5", "ctDEdit6"};
const char* const kLabels[] = {"Opening Time",  "Closing Time",    "PrimeTime Start",
                               "PrimeTime End", "PrintTime Start", "PrintTime End"};
} // namespace

OpeningHoursWindow::OpeningHoursWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Times"));
    setWindowTitle(QStringLiteral("Vestra - Times"));

    Database db = BookingFile();
    QString error;
    if (!m_row.load(db, &error)) {
        showMessage(QStringLiteral("The opening hours could not be read:\n") + error,
                    QStringLiteral("Error"), MsgIcon::Critical);
        setEnabled(false);
    }

    auto* form = new QFormLayout;
    for (size_t i = 0; i < m_editors.size(); ++i) {
        const QString field = QString::fromUtf8(kTimeFields[i]);
        auto* editor = new TimeStepEdit(this);
        editor->setObjectName(QString::fromLatin1(kEditors[i]));
        editor->setValue(m_row.value(field).toInt());
        connect(editor, &TimeStepEdit::valueChanged, this,
                [this, field](int seconds) { m_row.setValue(field, seconds); });
        form->addRow(QString::fromLatin1(kLabels[i]), editor);
        m_editors[i] = editor;
        // An empty gap between the pairs, as the three pairs belong apart.
        if (i % 2 == 1 && i + 1 < m_editors.size())
            form->addItem(new QSpacerItem(0, 8));
    }

    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("Command1"));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    setMinimumWidth(260); // room for the caption
}

void OpeningHoursWindow::closeEvent(QCloseEvent* event)
{
    if (!m_row.isLoaded()) {
        event->accept();
        return;
    }
    // A time still being typed counts as entered.
    std::array<int, 6> seconds{};
    for (size_t i = 0; i < m_editors.size(); ++i) {
        m_editors[i]->commitText();
        seconds[i] = m_editors[i]->value();
    }
    ApplyOpeningHours(session(), seconds);
    Database db = BookingFile();
    QString error;
    if (!m_row.store(db, &error)) {
        showMessage(QStringLiteral("The opening hours could not be saved:\n") + error,
                    QStringLiteral("Error"), MsgIcon::Critical);
        event->ignore();
        return;
    }
    event->accept();
}

OpeningHoursWindow* ShowOpeningHoursWindow(QWidget* owner)
{
    auto& registry = WindowRegistry::instance();
    auto* w = registry.obtain<OpeningHoursWindow>(
        QStringLiteral("Times"), [owner] { return new OpeningHoursWindow(owner); });
    registry.show(w, ShowMode::Modal, owner);
    return w;
}

} // namespace vestra
