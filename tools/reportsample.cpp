// Writes a sample grouped report and a sample list to PDF files, to look at
// what the report engine prints: reportsample report.pdf [list.pdf]

#include "report/reportlist.h"

#include <QGuiApplication>
#include <QPainter>
#include <cstdio>

using namespace vestra;

namespace {

QImage sampleLogo()
{
    QImage logo(240, 120, QImage::Format_ARGB32);
    logo.fill(Qt::transparent);
    QPainter p(&logo);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(30, 90, 160));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(4, 4, 232, 112), 18, 18);
    p.setPen(Qt::white);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(56);
    f.setBold(true);
    p.setFont(f);
    p.drawText(logo.rect(), Qt::AlignCenter, QStringLiteral("TH"));
    return logo;
}

ReportRows sampleRows()
{
    ReportRows rows({QStringLiteral("Bdato"), QStringLiteral("OverGruppenavn"),
                     QStringLiteral("Lokalitetsnavn"), QStringLiteral("Lokalenavn"),
                     QStringLiteral("Bstart"), QStringLiteral("Bslut"),
                     QStringLiteral("Beskrivelse"), QStringLiteral("Kontonavn"),
                     QStringLiteral("Pris")});
    const int firstDay = int(QDate(1900, 1, 1).daysTo(QDate(2024, 3, 4)));
    const QStringList groups{QStringLiteral("Halls"), QStringLiteral("Vehicles")};
    const QStringList types{QStringLiteral("Large rooms"), QStringLiteral("Meeting rooms")};
    int n = 0;
    for (int day = 0; day < 3; ++day)
        for (const QString& group : groups)
            for (const QString& type : types)
                for (int i = 0; i < 6; ++i, ++n)
                    rows.append({firstDay + day, group, type,
                                 QStringLiteral("%1 %2").arg(type.left(4)).arg(i + 1), 480 + 60 * i,
                                 570 + 60 * i,
                                 n % 5 == 0 ? QStringLiteral("Annual general meeting of the rowing "
                                                             "club with dinner afterwards")
                                            : QStringLiteral("Rehearsal"),
                                 QStringLiteral("Account %1").arg(n % 7 + 1), 125.5 * (i + 1)});
    return rows;
}

ReportDefinition sampleDefinition()
{
    ReportDefinition def;
    def.title = QStringLiteral("BOOKING OVERVIEW");
    const qreal w = def.contentWidth();

    def.pageHeader.height = 26;
    def.pageHeader.add(
        ReportItem::label(QStringLiteral("BOOKING OVERVIEW"), {0, 0, 120, 9}).pointSize(15).bold());
    def.pageHeader.add(ReportItem::label(QStringLiteral("Period:"), {0, 10, 18, 6}));
    def.pageHeader.add(ReportItem::label(QStringLiteral("3/4/2024 / 3/6/2024"), {18, 10, 60, 6})
                           .named(QStringLiteral("period")));
    def.pageHeader.add(ReportItem::picture(sampleLogo(), {w - 30, 0, 30, 15}));
    const QStringList captions{"Start", "End", "Ressource", "Description", "Account", "Fee"};
    const qreal xs[] = {0, 14, 28, 58, 128, 155};
    for (int i = 0; i < captions.size(); ++i)
        def.pageHeader.add(ReportItem::label(captions[i], {xs[i], 18, i == 5 ? w - xs[i] : 28, 6})
                               .aligned(i == 5 ? Qt::AlignRight | Qt::AlignVCenter
                                               : Qt::AlignLeft | Qt::AlignVCenter)
                               .bold());
    def.pageHeader.add(ReportItem::line({0, 24.5}, {w, 24.5}));

    ReportGroup& day = def.addGroup(QStringLiteral("Bdato"));
    day.header.height = 9;
    day.header.repeatOnNewPage = true;
    day.header.add(ReportItem::field(R"(=DateAdd("d", bdato, #1/1/1900#))", {0, 2, 40, 7},
                                     QStringLiteral("mmmm d, yyyy"))
                       .pointSize(11)
                       .bold());
    day.header.add(ReportItem::computed(DayNumberDate(QStringLiteral("bdato")), {40, 2, 40, 7},
                                        QStringLiteral("dddd"))
                       .pointSize(11));
    day.footer.height = 8;
    day.footer.add(ReportItem::label(QStringLiteral("Day total"), {110, 1, 30, 6}).bold());
    day.footer.add(
        ReportItem::sum(QStringLiteral("Pris"), {w - 40, 1, 40, 6}, QStringLiteral("#,##0.00"))
            .alignedRight()
            .bold());
    day.footer.add(ReportItem::line({110, 0.5}, {w, 0.5}));

    ReportGroup& group = def.addGroup(QStringLiteral("OverGruppenavn"));
    group.header.height = 7;
    group.keep = GroupKeep::WithFirstDetail;
    group.header.repeatOnNewPage = true;
    group.header.add(
        ReportItem::field(QStringLiteral("OverGruppenavn"), {4, 1, 80, 6}).pointSize(10).bold());

    ReportGroup& type = def.addGroup(QStringLiteral("Lokalitetsnavn"));
    type.header.height = 6;
    type.keep = GroupKeep::WithFirstDetail;
    type.header.repeatOnNewPage = true;
    type.header.add(ReportItem::field(QStringLiteral("Lokalitetsnavn"), {8, 0, 80, 6}).bold());
    type.footer.height = 6;
    type.footer.add(
        ReportItem::count(QStringLiteral("Pris"), {110, 0, 40, 6}, QStringLiteral("#,##0"))
            .alignedRight());
    type.footer.add(
        ReportItem::sum(QStringLiteral("Pris"), {w - 40, 0, 40, 6}, QStringLiteral("#,##0.00"))
            .alignedRight());

    def.detail.height = 5;
    def.detail.add(ReportItem::field(R"(=DateAdd("n", bstart, #12:00:00 AM#))", {0, 0, 13, 5},
                                     QStringLiteral("h:mm")));
    def.detail.add(ReportItem::field(R"(=DateAdd("n", bslut, #12:00:00 AM#))", {14, 0, 13, 5},
                                     QStringLiteral("h:mm")));
    def.detail.add(ReportItem::field(QStringLiteral("Lokalenavn"), {28, 0, 29, 5}));
    def.detail.add(ReportItem::field(QStringLiteral("Beskrivelse"), {58, 0, 69, 5}));
    def.detail.add(ReportItem::field(QStringLiteral("Kontonavn"), {128, 0, 26, 5}));
    def.detail.add(
        ReportItem::field(QStringLiteral("Pris"), {155, 0, w - 155, 5}, QStringLiteral("#,##0.00"))
            .alignedRight());

    def.reportFooter.height = 10;
    def.reportFooter.add(ReportItem::line({0, 1}, {w, 1}));
    def.reportFooter.add(ReportItem::label(QStringLiteral("Total"), {110, 2, 30, 7}).bold());
    def.reportFooter.add(ReportItem::sum(QStringLiteral("Pris"), {w - 40, 2, 40, 7},
                                         QStringLiteral("#,##0.00"), kWholeReport)
                             .alignedRight()
                             .bold());

    def.pageFooter.height = 12;
    def.pageFooter.add(ReportItem::line({0, 1}, {w, 1}));
    def.pageFooter.add(
        ReportItem::label(QStringLiteral("Town Hall, Main Street 1, 1000 Town"), {0, 2, w - 30, 5})
            .named(QStringLiteral("Cinfo1"))
            .pointSize(8));
    def.pageFooter.add(
        ReportItem::label(QStringLiteral("Phone: 12 34 56 78, eMail: hall@town.example"),
                          {0, 6.5, w - 30, 5})
            .named(QStringLiteral("Cinfo2"))
            .pointSize(8));
    def.pageFooter.add(ReportItem::pageNumber({w - 30, 2, 30, 5}).alignedRight().pointSize(8));
    return def;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: reportsample report.pdf [list.pdf]\n");
        return 2;
    }
    QString error;
    if (!Report(sampleDefinition(), sampleRows())
             .printToPdf(QString::fromLocal8Bit(argv[1]), &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    if (argc > 2) {
        QVector<QStringList> rows;
        for (int i = 1; i <= 70; ++i)
            rows << QStringList{QStringLiteral("Room %1").arg(i), QString::number(10 + i % 30),
                                QStringLiteral("%1.00").arg(100 + 5 * i),
                                i % 4 == 0 ? QStringLiteral("Projector, whiteboard and a long "
                                                            "description that does not fit")
                                           : QStringLiteral("Whiteboard")};
        const Report list = ListPrintReport(QStringLiteral("Resource List  -  Domestic"),
                                            QStringLiteral("All groups"),
                                            {{QStringLiteral("Room Name"), 45},
                                             {QStringLiteral("#Pers"), 15, Qt::AlignRight},
                                             {QStringLiteral("Fee/Hour"), 25, Qt::AlignRight},
                                             {QStringLiteral("Description"), 95}},
                                            rows);
        if (!list.printToPdf(QString::fromLocal8Bit(argv[2]), &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
    }
    return 0;
}
