#include "resources/itemwindow.h"
#include "data/dates.h"
#include "resources/hierarchy.h"
#include "resources/resourcewindows.h"
#include "widgets/scrolledbody.h"

#include "forms/fieldeditors.h"
#include "services/messages.h"
#include "session/session.h"

#include <QCalendarWidget>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSqlRecord>
#include <QVBoxLayout>

namespace vestra {

ItemWindow::ItemWindow(ItemMode mode, QWidget* parent)
    : RecordWindow(QStringLiteral("lokale"), QStringLiteral("lokalenr"), mode == ItemMode::View,
                   parent),
      m_mode(mode)
{
    // The number is the record's key: shown, never edited.
    m_number = new QLineEdit(this);
    m_number->setObjectName(QStringLiteral("lokalenr"));
    m_number->setReadOnly(true);
    m_number->setFocusPolicy(Qt::NoFocus);
    m_number->setMaximumWidth(90);
    m_number->setPlaceholderText(QStringLiteral("new"));
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("Lokalenavn"));
    m_description = new QPlainTextEdit(this);
    m_description->setObjectName(QStringLiteral("lokbeskrivelse"));
    m_description->setTabChangesFocus(true);
    m_description->setFixedHeight(m_name->sizeHint().height() * 3);
    m_fee = new AmountEdit(QStringLiteral("Fee/hour"), this);
    m_fee->setObjectName(QStringLiteral("gebyr"));
    m_fee->setMaximumWidth(120);

    auto* box = new QGroupBox(QStringLiteral("Resource"), this);
    m_form = new QFormLayout(box);
    m_form->addRow(QStringLiteral("Resource no."), m_number);
    m_form->addRow(QStringLiteral("Resource"), m_name);
    m_form->addRow(QStringLiteral("Description"), m_description);
    m_form->addRow(QStringLiteral("Fee/hour"), m_fee);
    m_columns = new QHBoxLayout;
    m_columns->addWidget(box, 1);

    connect(source(), &RecordSource::recordShown, this, &ItemWindow::recordShown);
}

void ItemWindow::bindField(QWidget* editor, const QString& field)
{
    if (isReadOnly()) {
        if (auto* line = qobject_cast<QLineEdit*>(editor))
            line->setReadOnly(true);
        else if (auto* text = qobject_cast<QPlainTextEdit*>(editor))
            text->setReadOnly(true);
        else if (auto* spin = qobject_cast<QAbstractSpinBox*>(editor)) {
            spin->setReadOnly(true);
            spin->setButtonSymbols(QAbstractSpinBox::NoButtons);
            if (auto* date = qobject_cast<QDateEdit*>(editor))
                date->setCalendarPopup(false);
        } else
            editor->setEnabled(false);
    }
    source()->bind(editor, field);
}

void ItemWindow::finish()
{
    auto* layout = new QVBoxLayout;
    SetScrolledBody(this, layout);
    layout->addLayout(m_columns);

    // The add windows start an item in use; its period is set later.
    if (m_mode != ItemMode::Add) {
        m_unavailable = new FlagBox(QStringLiteral("Unavailable"), this);
        m_unavailable->setObjectName(QStringLiteral("inaktiv"));
        m_start = new DateField(DateField::Storage::DayNumber, this);
        m_start->setObjectName(QStringLiteral("cstart"));
        m_end = new DateField(DateField::Storage::DayNumber, this);
        m_end->setObjectName(QStringLiteral("cslut"));
        const QString format = QtDateFormatForNumber(session().DateFormatNo);
        for (DateField* f : {m_start, m_end})
            f->setDisplayFormat(format);
        if (m_mode == ItemMode::Edit) {
            m_start->calendarWidget()->setObjectName(QStringLiteral("ctDateST"));
            m_end->calendarWidget()->setObjectName(QStringLiteral("ctDateSL"));
        }
        auto* row = new QHBoxLayout;
        row->addWidget(m_unavailable);
        row->addSpacing(12);
        auto* from = new QLabel(QStringLiteral("From:"), this);
        from->setBuddy(m_start);
        row->addWidget(from);
        row->addWidget(m_start);
        auto* to = new QLabel(QStringLiteral("To:"), this);
        to->setBuddy(m_end);
        row->addWidget(to);
        row->addWidget(m_end);
        row->addStretch();
        layout->addLayout(row);
        connect(m_unavailable, &QCheckBox::clicked, this, &ItemWindow::SetUnavailable);
    }

    // Only a stored item is deleted; a view changes nothing to cancel.
    const Buttons buttons = addButtonRow(
        layout, "Luk", [this] { CloseWindow(); },
        m_mode == ItemMode::Edit ? std::function<void()>([this] { Delete(); }) : nullptr,
        m_mode != ItemMode::View);
    if (buttons.remove)
        buttons.remove->setToolTip(QStringLiteral("Delete Record"));

    if (!ensureOpen())
        return;
    bindField(m_name, QStringLiteral("Lokalenavn"));
    bindField(m_description, QStringLiteral("lokbeskrivelse"));
    bindField(m_fee, QStringLiteral("gebyr"));
    if (m_unavailable) {
        bindField(m_unavailable, QStringLiteral("inaktiv"));
        bindField(m_start, QStringLiteral("inakstart"));
        bindField(m_end, QStringLiteral("inakslut"));
    }
}

void ItemWindow::recordShown()
{
    const QVariant number = source()->value(QStringLiteral("lokalenr"));
    // A new item is numbered by the booking file when it is written.
    m_number->setText(number.isNull() ? QString() : QString::number(number.toInt()));
    applyBoxState();
}

void ItemWindow::applyBoxState()
{
    if (!m_unavailable)
        return;
    if (m_mode == ItemMode::View && !m_viewFollowsBox)
        return;
    const bool editable = m_mode == ItemMode::Edit && m_unavailable->isChecked();
    for (DateField* f : {m_start, m_end}) {
        f->setReadOnly(!editable);
        // A locked field offers neither arrows nor its calendar.
        f->setButtonSymbols(editable ? QAbstractSpinBox::UpDownArrows
                                     : QAbstractSpinBox::NoButtons);
        if (m_mode == ItemMode::Edit)
            f->setCalendarPopup(editable);
    }
    if (m_mode == ItemMode::View) {
        // A view shows the dates only while the item is marked unavailable.
        for (DateField* f : {m_start, m_end})
            f->setEnabled(m_unavailable->isChecked());
    }
}

void ItemWindow::SetUnavailable(bool on)
{
    if (m_mode != ItemMode::Edit || !m_unavailable)
        return;
    m_unavailable->setChecked(on);
    if (on) {
        const auto [from, to] = DefaultUnavailablePeriod(ResourcesToday());
        m_start->setShownDate(from);
        m_end->setShownDate(to);
    }
    applyBoxState();
}

void ItemWindow::Delete()
{
    if (m_mode != ItemMode::Edit || !source()->hasRecord())
        return;
    Database db = BookingFile();
    const int key = source()->key().toInt();
    const QChar kind = KindLetter(source()->value(QStringLiteral("gruppeart")).toInt());
    if (!ConfirmAndDelete(RefusalText(CheckItemDelete(db, key)), QString(),
                          [&] { return DeleteItem(db, key).outcome(); }))
        return;
    // On to the next item of the same kind: the window's fields are those of
    // its kind. A window with nothing left closes.
    const auto sameKind = [kind](const QSqlRecord& r) {
        return KindLetter(r.value(QStringLiteral("gruppeart")).toInt()) == kind;
    };
    if (!source()->moveAfterDelete(sameKind))
        close();
}

void ItemWindow::CloseWindow()
{
    close();
}

} // namespace vestra
