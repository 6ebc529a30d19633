// Runs on a 1920x1080 screen at 150 % and 200 % and a 1366x768 one at 200 %:
// every window of the program must lie inside the screen's free area, and
// every control on it must be reachable, by scrolling where the form is
// taller or wider than the screen.

#include "accounts/accountmanager.h"
#include "accounts/groupaccountmanager.h"
#include "accounts/groupaccountwindow.h"
#include "accounts/personalaccountwindow.h"
#include "booking/bookingform.h"
#include "booking/bookinginfowindow.h"
#include "data/dates.h"
#include "help/helpwindow.h"
#include "lists/changelogwindow.h"
#include "lists/mybookingswindow.h"
#include "lists/searchwindow.h"
#include "lists/tentativebookingswindow.h"
#include "lists/todaysbookingswindow.h"
#include "reports/archiveperiodwindow.h"
#include "reports/bookingoverviewwindow.h"
#include "reports/receipts.h"
#include "resources/domesticitemwindow.h"
#include "resources/equipmentitemwindow.h"
#include "resources/resourcegroupwindow.h"
#include "resources/resourcemanager.h"
#include "resources/resourcetypewindow.h"
#include "resources/unavailabilityeditor.h"
#include "resources/unavailablelist.h"
#include "schedule/dayview.h"
#include "schedule/weekview.h"
#include "series/addordeletewindow.h"
#include "series/alternativeswindow.h"
#include "series/expiringserieswindow.h"
#include "series/freedateswindow.h"
#include "series/patternwindow.h"
#include "series/seriesdeletewindow.h"
#include "settings/about.h"
#include "settings/companyinfowindow.h"
#include "settings/lookupedit.h"
#include "settings/openinghourswindow.h"
#include "settings/options.h"
#include "startup/connectwindow.h"
#include "startup/loginwindow.h"
#include "startup/serverdialog.h"
#include "startup/splashwindow.h"
#include "support/fixture.h"
#include "widgets/setpassworddialog.h"
#include "widgets/windowregistry.h"

#include <QAbstractSpinBox>
#include <QAccessible>
#include <QDebug>
#include <QLabel>
#include <QLayout>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTextDocument>
#include <QtMath>
#include <functional>

using namespace vestra;
using namespace vestra::test;

namespace {

// Moves a scroll bar as little as needed to show start .. start + length.
void scrollTo(QScrollBar* bar, int start, int length, int room)
{
    const int end = start + std::min(length, room);
    if (start < bar->value())
        bar->setValue(start);
    else if (end > bar->value() + room)
        bar->setValue(end - room);
}

// The rectangle of a control as far as the user can see it: within its
// form's scroll area after scrolling there, and within the window.
void expectReachable(QWidget* window, QWidget* control, const QString& what)
{
    QRect clip = window->rect();
    for (QWidget* p = control->parentWidget(); p && p != window; p = p->parentWidget())
        if (auto* area = qobject_cast<QScrollArea*>(p)) {
            // Scrolled to the control: all of it, or as much as the area shows.
            const QRect inBody(control->mapTo(area->widget(), QPoint()), control->size());
            scrollTo(area->horizontalScrollBar(), inBody.left(), inBody.width(),
                     area->viewport()->width());
            scrollTo(area->verticalScrollBar(), inBody.top(), inBody.height(),
                     area->viewport()->height());
            clip &= QRect(area->viewport()->mapTo(window, QPoint()), area->viewport()->size());
            break;
        }
    const QRect r(control->mapTo(window, QPoint()), control->size());
    const QRect seen = r & clip;
    EXPECT_FALSE(r.isEmpty()) << qPrintable(what) << ": squeezed to nothing";
    EXPECT_TRUE(seen.width() >= std::min(r.width(), clip.width())
                && seen.height() >= std::min(r.height(), clip.height()))
        << qPrintable(what) << " at " << qPrintable(QDebug::toString(r)) << " seen only in "
        << qPrintable(QDebug::toString(clip));
}

// How wide a label's text paints, drawn as the label draws it: an
// underlined mnemonic letter is shaped apart from the next one, so "&To"
// loses the kerning its width was measured with and paints wider.
int inkWidth(QLabel* l)
{
    const QSize room(l->fontMetrics().horizontalAdvance(l->text()) * 2 + 20, l->height() + 4);
    const qreal ratio = l->devicePixelRatioF();
    QImage image(room * ratio, QImage::Format_ARGB32);
    image.setDevicePixelRatio(ratio);
    // The label's font in points, at the screen's resolution.
    image.setDotsPerMeterX(qRound(l->logicalDpiX() / 0.0254));
    image.setDotsPerMeterY(qRound(l->logicalDpiY() / 0.0254));
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setFont(l->font());
    l->style()->drawItemText(&painter, QRect(QPoint(), room),
                             Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, l->palette(),
                             true, l->text(), QPalette::WindowText);
    painter.end();
    int right = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = image.width() - 1; x >= right; --x)
            if (qAlpha(image.pixel(x, y)) > 64) {
                right = x + 1;
                break;
            }
    return qCeil(right / ratio);
}

// A one-line caption shows all of its text ("To" must not read "Tc").
void expectLabelsWhole(QWidget* window, const QString& what)
{
    for (QLabel* l : window->findChildren<QLabel*>()) {
        if (l->window() != window || !l->isVisibleTo(window) || l->wordWrap()
            || Qt::mightBeRichText(l->text()) || l->text().contains('\n') || l->text().isEmpty()
            || !l->pixmap().isNull())
            continue;
        const QString shown = QString(l->text()).remove('&');
        EXPECT_LE(inkWidth(l), l->contentsRect().width())
            << qPrintable(what) << ": label " << qPrintable(shown) << " is cut";
    }
}

// The controls the user can tab to on the page now shown, each with its name
// for a failure message.
std::vector<std::pair<QWidget*, QString>> tabStops(QWidget* window, const QString& where)
{
    std::vector<std::pair<QWidget*, QString>> stops;
    for (QWidget* c : window->findChildren<QWidget*>())
        if (c->window() == window && c->isVisibleTo(window) && (c->focusPolicy() & Qt::TabFocus))
            stops.emplace_back(c, where + QLatin1Char('/') + c->metaObject()->className()
                                      + QLatin1Char(' ') + c->objectName());
    return stops;
}

// What a screen reader reads of a control: a name of its own, not its value
// (a box named "Anna" tells nothing about what Anna is).
void expectNamed(QWidget* c, const QString& control)
{
    // A date or time editor's inner line is the editor itself.
    if (!c->isEnabled() || qobject_cast<QAbstractSpinBox*>(c->parentWidget()))
        return;
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(c);
    ASSERT_NE(iface, nullptr);
    const QString name = iface->text(QAccessible::Name).trimmed();
    const QString value = iface->text(QAccessible::Value).trimmed();
    EXPECT_FALSE(name.isEmpty()) << qPrintable(control) << ": no name";
    // A list or table repeats its name as its value.
    EXPECT_TRUE(value.isEmpty() || name != value || iface->tableInterface())
        << qPrintable(control) << ": named by its value " << qPrintable(value);
}

// The window lies inside the screen's free area and tells a screen reader it
// is a window or dialog; on it as it opens and on every page of its tabs,
// each label shows whole and each control the user can tab to can be reached
// and read.
void expectUsable(QWidget* window, const QString& what)
{
    QCoreApplication::processEvents();
    ASSERT_TRUE(window->isVisible()) << qPrintable(what);
    const QRect area = window->screen()->availableGeometry();
    EXPECT_TRUE(area.contains(window->frameGeometry()))
        << qPrintable(what) << ": " << qPrintable(QDebug::toString(window->frameGeometry()))
        << " outside " << qPrintable(QDebug::toString(area));
    // A layout pressed below its minimum overlaps or cuts its controls.
    if (QLayout* layout = window->layout()) {
        const QSize need = layout->totalMinimumSize();
        EXPECT_TRUE(window->width() >= need.width() && window->height() >= need.height())
            << qPrintable(what) << ": needs " << need.width() << "x" << need.height() << ", has "
            << window->width() << "x" << window->height();
    }
    QAccessibleInterface* top = QAccessible::queryAccessibleInterface(window);
    ASSERT_NE(top, nullptr) << qPrintable(what);
    EXPECT_TRUE(top->role() == QAccessible::Window || top->role() == QAccessible::Dialog)
        << qPrintable(what) << ": role " << top->role();
    const auto checkPage = [window](const QString& where) {
        expectLabelsWhole(window, where);
        for (const auto& [control, name] : tabStops(window, where)) {
            expectReachable(window, control, name);
            expectNamed(control, name);
        }
    };
    checkPage(what);
    for (QTabWidget* tabs : window->findChildren<QTabWidget*>())
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            QCoreApplication::processEvents();
            checkPage(what + QLatin1Char('#') + tabs->tabText(i));
        }
}

// Shown as the program shows it; a record window then opened on a row.
template <typename W> W* present(W* window, int row = 0)
{
    auto& registry = WindowRegistry::instance();
    registry.obtain<QWidget>(window->objectName(), [window] { return window; });
    registry.show(window, ShowMode::Free);
    if constexpr (requires { window->OpenOn(row); })
        if (row)
            window->OpenOn(row);
    return window;
}

} // namespace

class WindowFit : public BookingFileTest {
protected:
    void SetUp() override
    {
        BookingFileTest::SetUp();
        openScheduleStore(DayNumber(QDate(2026, 12, 7)), {});
        session().ShownWeekStart = session().SelectedDay;
        session().CurrentItemNo = 1;
        ASSERT_TRUE(db().exec("INSERT INTO lokale (lokalenr, lokalinr, Lokalenavn, Gruppeart, "
                              "gebyr) VALUES (1, 1, 'Hall A', 1, 150), (2, 1, 'Beamer', 2, 40)"));
        booking = addBooking(session().SelectedDay, 600, 720, 1, 1, 1, "Board");
    }
    BookingForm* form() { return ShowBookingForm(booking, nullptr); }
    int booking = 0;
};

// Every window of the program, opened as the user opens it, checked and closed again.
TEST_F(WindowFit, EveryWindowFitsTheScreenAndEveryControlCanBeReachedAndRead)
{
    ASSERT_LE(QGuiApplication::primaryScreen()->availableGeometry().width(), 1280)
        << "runs on a small screen only";
    const std::pair<const char*, std::function<QWidget*()>> windows[] = {
        {"splash", [] { return ShowSplash(); }},
        {"connect", [] { return ShowConnectWindow(); }},
        {"login", [] { return ShowLogin(); }},
        {"server", [] { return present(new ServerDialog); }},
        {"day view", [] { return ShowDayView(); }},
        {"week view", [] { return ShowWeekView(); }},
        {"booking form", [this] { return form(); }},
        {"booking info", [this] { return ShowBookingInfoWindow(booking, nullptr); }},
        {"pattern", [this] { return ShowPatternWindow(form(), false); }},
        {"series delete", [this] { return ShowSeriesDelete(form()); }},
        {"add or delete", [this] { return ShowAddOrDelete(form()); }},
        {"free dates", [this] { return ShowFreeDatesWindow(form()); }},
        {"alternatives", [] { return present(new AlternativesWindow(0, {})); }},
        {"expiring series", [] { return ShowExpiringSeries(nullptr); }},
        {"options", [] { return ShowOptions(nullptr); }},
        {"about", [] { return ShowAbout(nullptr); }},
        {"opening hours", [] { return ShowOpeningHoursWindow(nullptr); }},
        {"company info", [] { return ShowCompanyInfoWindow(nullptr); }},
        {"department", [] { return present(new LookupEdit(LookupKind::Department)); }},
        {"floor plan", [] { return present(new LookupEdit(LookupKind::FloorPlan)); }},
        {"search", [] { return ShowSearchWindow(nullptr); }},
        {"my bookings", [] { return ShowMyBookings(nullptr); }},
        {"tentative", [] { return ShowTentativeBookings(nullptr); }},
        {"change log", [] { return ShowChangeLog(nullptr); }},
        {"today", [] { return ShowTodaysBookings(nullptr); }},
        {"resource manager", [] { return ShowResourceManager(nullptr); }},
        {"resource group", [] { return present(new ResourceGroupWindow); }},
        {"resource type", [] { return present(new ResourceTypeWindow); }},
        {"domestic item", [] { return present(new DomesticItemWindow(ItemMode::Edit), 1); }},
        {"equipment item", [] { return present(new EquipmentItemWindow(ItemMode::Edit), 2); }},
        {"unavailable list", [] { return ShowUnavailableList(nullptr); }},
        {"unavailability", [] { return present(new UnavailabilityEditor); }},
        {"help", [] { return present(new HelpWindow(QString())); }},
        {"booking overview", [] { return ShowBookingOverviewWindow(); }},
        {"period totals", [] { return ShowArchivePeriodWindow(false); }},
        {"period details", [] { return ShowArchivePeriodWindow(true); }},
        {"account manager", [] { return ShowAccountManager(nullptr); }},
        {"add account", [] { return ShowAddAccount(nullptr); }},
        {"my account", [] { return ShowMyAccount(nullptr); }},
        {"group account", [] { return present(new GroupAccountWindow); }},
        {"group accounts", [] { return ShowGroupAccountManager(nullptr); }},
        {"set password", [] { return ShowSetPassword(nullptr, true, {}); }},
        {"receipt", [this] { return ShowReceipt(booking, false, 0, true); }},
    };
    for (const auto& [what, open] : windows) {
        QWidget* window = open();
        ASSERT_NE(window, nullptr) << what;
        QCoreApplication::processEvents();
        expectUsable(window, QString::fromLatin1(what));
        WindowRegistry::instance().closeAll();
        if (!window->testAttribute(Qt::WA_DeleteOnClose) || window->isVisible())
            window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}
