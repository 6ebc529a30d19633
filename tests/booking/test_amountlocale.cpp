// Runs under a Danish and an American system locale (see tests/CMakeLists.txt),
// without setting a default locale of its own: an amount must read the same
// on the screen and on paper, with the system's decimal mark and grouping.

#include "booking/bookingform.h"
#include "report/reportformat.h"
#include "reports/receipts.h"
#include "reports/referencelists.h"
#include "resources/domesticitemwindow.h"
#include "settings/options.h"
#include "support/fixture.h"

#include <QLabel>
#include <QLineEdit>

using namespace vestra;
using namespace vestra::test;

namespace {

template <typename T> QString childText(QWidget* w, const char* name)
{
    auto* c = w->findChild<T*>(QString::fromLatin1(name));
    return c ? c->text() : QStringLiteral("<no %1>").arg(QString::fromLatin1(name));
}

} // namespace

class AmountLocale : public BookingStoreTest {
protected:
    void SetUp() override
    {
        BookingStoreTest::SetUp();
        openScheduleStore(45354, {"Hall A"});
        session().TaxPercent = 12.5;
        Database d = db();
        ASSERT_TRUE(d.exec("UPDATE lokale SET gebyr = ?, Lejetime = ?", {2345.5, 2345.5}));
        ASSERT_TRUE(d.exec("UPDATE institutionsoplysninger SET taxpct = ?", {12.5}));
        booking = addBooking(45354, 600, 720, 1, 1, 1, "Board");
        // An agreed price above a thousand, with tax: grouping and decimals show.
        ASSERT_TRUE(d.exec("UPDATE Booking SET Pris = ?, bvpris = 2, tax = -1 WHERE Bookingnr = ?",
                           {1250.5, booking}));
    }
    int booking = 0;
};

TEST_P(AmountLocale, AnAmountReadsTheSameOnTheScreenAndOnPaper)
{
    const QString language = QLocale().name();
    ASSERT_TRUE(language == u"da_DK" || language == u"en_US")
        << "runs under a Danish or an American locale, not " << language.toStdString();

    Database d = db();
    QString error;
    const auto receipt = BuildSingleReceipt(d, booking, true, session().TaxPercent, &error);
    ASSERT_TRUE(receipt) << error.toStdString();
    const LaidOutReport paper = receipt->layout();
    const auto list = BuildResourceList(d, 1, &error);
    ASSERT_TRUE(list) << error.toStdString();
    const LaidOutReport listPaper = list->layout();

    QWidget* form = ShowBookingForm(booking, nullptr);
    ASSERT_TRUE(form);
    auto* item = new DomesticItemWindow(ItemMode::Edit);
    ASSERT_TRUE(item->OpenOn(1));
    QWidget* options = ShowOptions(nullptr);
    QCoreApplication::processEvents();

    const struct {
        const char* what;
        QString screen;
        QString paper;
        QString expected; // the figure in this locale's own writing
    } amounts[] = {
        {"total", childText<QLabel>(form, "intax"), paper.textsNamed("total").value(0),
         QLocale().toString(1406.81, 'f', 2)},
        {"tax", childText<QLabel>(form, "taxbel"), paper.textsNamed("taxbel").value(0),
         QLocale().toString(156.31, 'f', 2)},
        {"fee per hour", childText<QLineEdit>(item, "gebyr"),
         listPaper.textsNamed("Lejetime").value(0), QLocale().toString(2345.5, 'f', 2)},
        // The tax percent is printed in the caption "Tax 12,5%".
        {"tax percent", childText<QLineEdit>(options, "Taxtext"),
         paper.textsNamed("Taxtex").value(0).remove(QStringLiteral("Tax ")).remove(u'%'),
         QLocale().toString(12.5, 'f', 1)},
    };
    for (const auto& a : amounts) {
        EXPECT_EQ(a.screen, a.paper) << a.what;
        EXPECT_EQ(a.screen, a.expected) << a.what;
    }
    item->close();
    delete item;
}

INSTANTIATE_TEST_SUITE_P(Engines, AmountLocale, ::testing::ValuesIn(TestEngines()), EngineName);
