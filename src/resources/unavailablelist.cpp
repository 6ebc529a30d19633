#include "resources/unavailablelist.h"

#include "widgets/accessibility.h"

#include "data/dates.h"
#include "report/reportformat.h"
#include "resources/unavailabilityeditor.h"
#include "services/messages.h"
#include "session/session.h"
#include "widgets/windowregistry.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace vestra {

namespace {

const QString kEditWindow = QStringLiteral("EditUnavail");

QVariant listDate(const QVariant& dayNumber)
{
    if (dayNumber.isNull() || !dayNumber.isValid())
        return QString();
    return DateFromDayNumber(dayNumber.toInt());
}

} // namespace

QVector<ListControlColumn> UnavailColumns()
{
    return {{QStringLiteral("Resource Item"), 130},
            {QStringLiteral("Resource Type"), 130},
            {QStringLiteral("Resource Group"), 130},
            {QStringLiteral("From"), 60, Qt::AlignLeft, false, session().DateFormatLong},
            {QStringLiteral("To"), 60, Qt::AlignLeft, false, session().DateFormatLong}};
}

QVariantList UnavailCells(const QSqlRecord& r)
{
    return {r.value(QStringLiteral("Lokalenavn")).toString(),
            r.value(QStringLiteral("Lokalitetsnavn")).toString(),
            r.value(QStringLiteral("OverGruppenavn")).toString(),
            listDate(r.value(QStringLiteral("inakstart"))),
            listDate(r.value(QStringLiteral("inakslut")))};
}

ListFillSource UnavailFillSource()
{
    return {BookingFile,
            // Items without a period first, as a file has always shown them: the
            // server would put missing values last.
            QStringLiteral("SELECT lokalenr, Lokalenavn, Lokalitetsnavn, OverGruppenavn, "
                           "inakstart, inakslut FROM unavailfor "
                           "ORDER BY inakstart NULLS FIRST, Lokalenavn NULLS FIRST, lokalenr"),
            {},
            [](const QSqlRecord& r) -> std::optional<ListRow> {
                return ListRow{UnavailCells(r), r.value(QStringLiteral("lokalenr")).toInt()};
            }};
}

QString UnavailPrintSubtitle(const Session& s, const QDate& today)
{
    return s.InstitutionName + QStringLiteral("   ") + s.InstitutionCity + QStringLiteral(", ")
           + FormatValue(today, QStringLiteral("Short Date"));
}

UnavailableList::UnavailableList(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("UnavailableList"));
    CloseOnEscape(this);
    setWindowTitle(QStringLiteral("Vestra  -  Unavailable Resources List"));

    m_list = new ListControl(this);
    m_list->setObjectName(QStringLiteral("Unal"));
    m_list->setAccessibleName(QStringLiteral("Unavailable resources"));

    m_edit = new QPushButton(QStringLiteral("Edit"), this);
    m_edit->setObjectName(QStringLiteral("edit"));
    m_print = new QPushButton(QIcon::fromTheme(QStringLiteral("document-print")),
                              QStringLiteral("Print"), this);
    m_print->setObjectName(QStringLiteral("Printbutton"));
    m_exit = new QPushButton(QStringLiteral("Exit"), this);
    m_exit->setObjectName(QStringLiteral("lukknap"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_edit);
    buttons->addWidget(m_print);
    buttons->addStretch();
    buttons->addWidget(m_exit);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addLayout(buttons);

    connect(m_edit, &QPushButton::clicked, this, &UnavailableList::Edit);
    connect(m_print, &QPushButton::clicked, this, &UnavailableList::Print);
    connect(m_exit, &QPushButton::clicked, this, &QWidget::close);
    connect(m_list, &ListControl::rowActivated, this, [this] { Edit(); });

    m_list->setColumns(UnavailColumns());
    m_list->setFillSource(UnavailFillSource());
    m_list->fill();

    // Wide enough for every column, as far as the screen allows.
    const int margins = layout->contentsMargins().left() + layout->contentsMargins().right();
    int width = m_list->columnsWidth() + margins;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        width = std::min(width, screen->availableGeometry().width() * 9 / 10);
    resize(width, 380);
    m_list->setFocus();
}

void UnavailableList::Reload()
{
    m_list->reload();
}

void UnavailableList::Edit()
{
    const QVariant key = m_list->selectedData();
    if (!key.isValid()) {
        showMessage(QStringLiteral("Select Resource!"), QStringLiteral("Service message"));
        return;
    }
    editItem(key.toInt());
}

void UnavailableList::editItem(int lokalenr)
{
    auto& windows = WindowRegistry::instance();
    auto* edit = windows.obtain<UnavailabilityEditor>(kEditWindow, [this] {
        auto* w = new UnavailabilityEditor;
        connect(w, &UnavailabilityEditor::closed, this, &UnavailableList::Reload);
        return w;
    });
    if (!edit->FindItem(lokalenr)) {
        // The item was deleted since the list was filled: drop its row.
        if (!edit->isVisible())
            windows.unload(edit);
        Reload();
        return;
    }
    windows.show(edit, ShowMode::Owned, this);
}

void UnavailableList::Print()
{
    m_list->printPreview(QStringLiteral("Unavailable Resources"),
                         UnavailPrintSubtitle(session(), QDate::currentDate()));
}

void UnavailableList::closeEvent(QCloseEvent* event)
{
    // The edit window is owned by this one and goes with it; closing it
    // first writes its record.
    if (auto* edit = WindowRegistry::instance().find(kEditWindow); edit && !edit->close()) {
        event->ignore();
        return;
    }
    event->accept();
}

UnavailableList* ShowUnavailableList(QWidget* owner)
{
    auto& windows = WindowRegistry::instance();
    auto* w = windows.obtain<UnavailableList>(QStringLiteral("UnavailableList"),
                                              [] { return new UnavailableList; });
    windows.show(w, ShowMode::Owned, owner);
    return w;
}

} // namespace vestra
