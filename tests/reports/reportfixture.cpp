#include "reportfixture.h"

#include "report/reportformat.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>

namespace vestra::test {

QByteArray pngLogo()
{
    QImage image(60, 30, QImage::Format_ARGB32);
    image.fill(QColor(30, 90, 160));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return buffer.data();
}

int previewPages(QPrintPreviewDialog* dialog)
{
    auto* widget = dialog ? dialog->findChild<QPrintPreviewWidget*>() : nullptr;
    return widget ? widget->pageCount() : -1;
}

void ReportFileTest::SetUp()
{
    BookingStoreTest::SetUp();
    makeBookingFile();
    Session& s = session();
    s.InstitutionName = QStringLiteral("Town Hall");
    s.InstitutionAddress = QStringLiteral("Main Street 1");
    s.InstitutionZip = QStringLiteral("1000");
    s.InstitutionCity = QStringLiteral("Town");
    s.InstitutionPhone = QStringLiteral("12 34 56 78");
    s.InstitutionEmail = QStringLiteral("hall@town.example");

    Database d = db();
    for (const char* sql :
         {"INSERT INTO Overgruppenavne (overgruppenr, OverGruppenavn, Gruppeart) VALUES "
          "(1, 'Building A', 1), (2, 'Equipment', 2), (3, 'Vehicles', 3)",
          "INSERT INTO lokaliteter (Lokalitetsnr, Overgruppenr, Lokalitetsnavn) VALUES "
          "(10, 1, 'Meeting rooms'), (11, 1, 'Halls'), (12, 1, 'Empty'), (20, 2, 'Projectors'), "
          "(30, 3, 'Cars')",
          "INSERT INTO lokale (lokalenr, lokalinr, Lokalenavn, maxprs, Lejetime, lokbeskrivelse, "
          "Lokfastinv) VALUES (101, 10, 'Room 1', 12, 150, 'Bright corner room', 'Whiteboard'), "
          "(102, 10, 'Room 2', 8, 1250.5, NULL, NULL), (111, 11, 'Hall', 200, 900, NULL, NULL)",
          "INSERT INTO lokale (lokalenr, lokalinr, Lokalenavn, Lejetime, lokfabrikat, lokmodel, "
          "loksernr, lokårgang, Leverandør, Garantislut, levphone, nextservice) VALUES "
          "(201, 20, 'Beamer', 25, 'Lumo', 'X2', 'SN-77', '2021', 'AV Supply', '2026-03-31', "
          "'55 66 77 88', '2025-09-01'), (301, 30, 'Van', 60, 'Cargo', 'L', 'V-1', '2019', "
          "'Cars Ltd', '2024-12-01', '11 22 33 44', '2025-01-15')"})
        ASSERT_TRUE(d.exec(QString::fromUtf8(sql))) << d.lastError().toStdString();

    jane = addAccount("p", "Jane Miller", "jane", "pw");
    bob = addAccount("p", "Bob Stone", "bob", "secret");
}

void ReportFileTest::TearDown()
{
    SetFileDateFormat({}); // as a test may have set it from its file
    BookingStoreTest::TearDown();
}

void ReportFileTest::archive(int day, int start, int end, int item, int account, int persons,
                             double price)
{
    Database d = db();
    // Each booking is archived once: every row has a booking number of its own.
    EXPECT_TRUE(
        d.exec("INSERT INTO Bookingarkiv (Bookingnr, Beskrivelse, Bdato, Bstart, Bslut, "
               "Lokalenr, kontonr, Antalpers, Pris) SELECT coalesce(max(Bookingnr), 0) + 1, "
               "'Old', ?, ?, ?, ?, ?, ?, ? FROM Bookingarkiv",
               {day, start, end, item, account, persons, price}))
        << d.lastError().toStdString();
}

QString ReportFileTest::pdfText(std::optional<Report> report, const QString& fileName)
{
    const QString folder = qEnvironmentVariable("VESTRA_SHOTS", dir.path());
    QDir().mkpath(folder);
    const QString path = folder + u'/' + fileName;
    QString error;
    EXPECT_TRUE(report && (report->locale = kUs, report->printToPdf(path, &error)))
        << error.toStdString();
    return PdfText(path);
}

} // namespace vestra::test
