#pragma once
// A booking file with a small resource hierarchy and the institution's
// lines in the session, for the report tests.

#include "report/reportlayout.h"
#include "report/reportoutput.h"
#include "support/fixture.h"
#include "support/reportpages.h"

#include <QLocale>

class QPrintPreviewDialog;

namespace vestra::test {

inline const QLocale kUs(QLocale::English, QLocale::UnitedStates);

// A small PNG picture, for the institution's logo.
QByteArray pngLogo();
// The pages a preview shows (-1: no preview).
int previewPages(QPrintPreviewDialog* dialog);

class ReportFileTest : public BookingStoreTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // An archived booking (Bookingarkiv).
    void archive(int day, int start, int end, int item, int account, int persons, double price);

    // The report printed in US English to a PDF file in the test's folder
    // (or in VESTRA_SHOTS, to look at) and read back by pdftotext, page by
    // page as printed: what the printout shows, cuts included. A report not
    // made fails the test.
    QString pdfText(std::optional<Report> report, const QString& fileName);

    // The report laid out in the locale; a report not made fails the test.
    static LaidOutReport laidOut(std::optional<Report> report, const QString& error = {},
                                 const QLocale& locale = kUs)
    {
        EXPECT_TRUE(report) << error.toStdString();
        return report ? (report->locale = locale, report->layout()) : LaidOutReport();
    }

    // Items: Room 1 (101) and Room 2 (102) of type Meeting rooms, Hall (111)
    // of Halls, in group Building A (Domestic); type Empty has no items.
    // Beamer (201) of Projectors in Equipment (Add-On); Van (301) of Cars in
    // Vehicles (Stand-Alone).
    int jane = 0;
    int bob = 0;
};

} // namespace vestra::test
