#include "series/candidatepanel.h"

#include "booking/bookingform.h"
#include "data/dates.h"
#include "report/listcontrol.h"
#include "report/reportformat.h"
#include "series/alternativeswindow.h"
#include "session/session.h"

#include "exchange/ui/exportactions.h"
#include <QHBoxLayout>

#include <QPushButton>
#include <QVBoxLayout>

namespace vestra {

namespace {

QPushButton* button(const CandidatePanelSetup::Button& b, QWidget* parent)
{
    auto* p = new QPushButton(QString::fromLatin1(b.caption), parent);
    p->setObjectName(QString::fromLatin1(b.name));
    return p;
}

} // namespace

CandidatePanel::CandidatePanel(const CandidatePanelSetup& setup, BookingForm* form, QWidget* parent)
    : QWidget(parent), m_form(form),
      m_alternativesWindow(QString::fromLatin1(setup.alternativesWindow)),
      m_startFormat(QString::fromLatin1(setup.startFormat))
{
    m_list = new ListControl(this);
    m_list->setObjectName(QString::fromLatin1(setup.listName));
    m_list->setAccessibleName(QString::fromLatin1(setup.accessibleName));
    m_list->setRootIsDecorated(false);
    m_list->setColumns(
        {{QStringLiteral("Date"), 80, Qt::AlignLeft, false, session().DateFormatLong},
         {QStringLiteral("Start"), 50, Qt::AlignLeft, false, m_startFormat},
         {QStringLiteral("End"), 50, Qt::AlignLeft, false, QStringLiteral("HH:mm")},
         {QStringLiteral("DB"), 30}});
    // The collision mark shows in "DB".
    m_list->setPictureColumn(3);

    auto* removeOne = button(setup.removeOne, this);
    auto* removeColliding = button(setup.removeColliding, this);
    auto* alternative = button(setup.alternative, this);
    m_buttons = new QVBoxLayout;
    m_buttons->addWidget(removeOne);
    m_buttons->addWidget(removeColliding);
    m_buttons->addWidget(alternative);
    auto* exportRows = new QPushButton(QStringLiteral("Export…"), this);
    exportRows->setObjectName(QStringLiteral("ExportButton"));
    m_buttons->addWidget(exportRows);
    QBoxLayout* layout = setup.buttonsBelow ? static_cast<QBoxLayout*>(new QVBoxLayout(this))
                                            : new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_list, 1);
    layout->addLayout(m_buttons);

    connect(removeOne, &QPushButton::clicked, this, &CandidatePanel::removeSelected);
    connect(removeColliding, &QPushButton::clicked, this, &CandidatePanel::removeColliding);
    connect(alternative, &QPushButton::clicked, this, &CandidatePanel::findAlternative);
    connect(m_list, &ListControl::rowActivated, this, &CandidatePanel::findAlternative);
    connect(exportRows, &QPushButton::clicked, this,
            [this] { ExportListDialog(*m_list, QStringLiteral("Candidates")); });
}

QList<Candidate> CandidatePanel::reload()
{
    m_list->clear();
    Database work = WorkDatabase();
    const QList<Candidate> candidates = LoadCandidates(work, ListControl::kMaxFillRows);
    for (const Candidate& c : candidates) {
        // A date the busy file left unchecked says so beside its collision mark.
        // First picture the collision mark, second the clear one.
        m_list->addRow({DateFromDayNumber(c.day), c.start, c.end,
                        c.unchecked ? QStringLiteral("not checked") : QString()},
                       c.id, c.collides ? 0 : 1);
    }
    m_list->fitColumns();
    emit reloaded(candidates);
    return candidates;
}

void CandidatePanel::empty()
{
    Database work = WorkDatabase();
    ClearCandidates(work);
    reload();
}

void CandidatePanel::removeSelected()
{
    // With no selection nothing happens.
    const QVariant id = m_list->selectedData();
    if (id.isValid()) {
        Database work = WorkDatabase();
        RemoveCandidate(work, id.toInt());
    }
    reload();
}

void CandidatePanel::removeColliding()
{
    Database work = WorkDatabase();
    RemoveCollidingCandidates(work);
    reload();
}

void CandidatePanel::findAlternative()
{
    if (!m_form)
        return;
    FindAlternativeFor(m_list, m_form->details().item, m_alternativesWindow, window(),
                       [self = QPointer<CandidatePanel>(this)] {
                           if (self)
                               self->reload();
                       });
}

} // namespace vestra
