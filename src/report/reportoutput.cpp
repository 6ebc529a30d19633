#include "report/reportoutput.h"

#include "widgets/accessibility.h"

#include "widgets/windowregistry.h"

#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <cmath>
#include <memory>

namespace vestra {

namespace {

QRectF toPixels(const QRectF& mm, qreal ppm)
{
    return QRectF(mm.x() * ppm, mm.y() * ppm, mm.width() * ppm, mm.height() * ppm);
}

QRectF imageTarget(const QSizeF& imageSize, const QRectF& box, Qt::Alignment alignment)
{
    const QSizeF size = imageSize.scaled(box.size(), Qt::KeepAspectRatio);
    qreal x = box.left() + (box.width() - size.width()) / 2;
    qreal y = box.top() + (box.height() - size.height()) / 2;
    if (alignment & Qt::AlignLeft)
        x = box.left();
    else if (alignment & Qt::AlignRight)
        x = box.right() - size.width();
    if (alignment & Qt::AlignTop)
        y = box.top();
    else if (alignment & Qt::AlignBottom)
        y = box.bottom() - size.height();
    return QRectF(QPointF(x, y), size);
}

} // namespace

void PaintReportPage(QPainter& painter, const LaidOutPage& page, qreal pixelsPerMm)
{
    painter.save();
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing
                           | QPainter::SmoothPixmapTransform);
    painter.setBrush(Qt::NoBrush);
    for (const PlacedItem& item : page.items) {
        const QRectF rect = toPixels(item.rect, pixelsPerMm);
        QPen pen(Qt::black);
        pen.setWidthF(std::max<qreal>(item.lineWidth * pixelsPerMm, 1.0));
        switch (item.kind) {
        case PlacedItem::Text: {
            painter.setPen(Qt::black);
            painter.setFont(item.font);
            // The layout gave a text that does not fit on one line the room
            // for its lines; it wraps here the same way and is never cut.
            QString text = item.text;
            text.replace(u'\n', QChar::LineSeparator);
            painter.drawText(rect, text, ReportTextOption(item.alignment));
            break;
        }
        case PlacedItem::Line:
            painter.setPen(pen);
            painter.drawLine(rect.topLeft(), rect.bottomRight());
            break;
        case PlacedItem::Box:
            painter.setPen(pen);
            painter.drawRect(rect);
            break;
        case PlacedItem::Image:
            painter.drawImage(imageTarget(item.image.size(), rect, item.alignment), item.image);
            break;
        }
    }
    painter.restore();
}

void ApplyPageLayout(const LaidOutReport& report, QPrinter& printer)
{
    printer.setPageSize(report.pageSize);
    printer.setPageOrientation(report.orientation);
    // Coordinates from the paper's corner; the report's own margins keep
    // everything inside what printers can reach.
    printer.setFullPage(true);
    if (!report.title.isEmpty())
        printer.setDocName(report.title);
}

bool PaintReport(const LaidOutReport& report, QPrinter& printer, QString* error)
{
    QPainter painter;
    if (!painter.begin(&printer)) {
        if (error)
            *error = printer.outputFileName().isEmpty()
                         ? QStringLiteral("The printer could not be started.")
                         : QStringLiteral("Cannot write %1.").arg(printer.outputFileName());
        return false;
    }
    const qreal pixelsPerMm = printer.resolution() / 25.4;
    int first = 1, last = report.pageCount();
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = std::max(1, printer.fromPage());
        last = std::min(last, printer.toPage() > 0 ? printer.toPage() : last);
    }
    for (int page = first; page <= last; ++page) {
        if (page > first)
            printer.newPage();
        PaintReportPage(painter, report.pages[page - 1], pixelsPerMm);
    }
    return painter.end();
}

bool PrintToPdf(const LaidOutReport& report, const QString& path, QString* error)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setCreator(QStringLiteral("Vestra"));
    ApplyPageLayout(report, printer);
    return PaintReport(report, printer, error);
}

QImage RenderReportPage(const LaidOutReport& report, int page, int dotsPerInch)
{
    const qreal pixelsPerMm = dotsPerInch / 25.4;
    QImage image(int(std::ceil(report.paperSize.width() * pixelsPerMm)),
                 int(std::ceil(report.paperSize.height() * pixelsPerMm)), QImage::Format_RGB32);
    // Fonts are sized in points, so the image must know its resolution.
    image.setDotsPerMeterX(int(std::lround(dotsPerInch / 0.0254)));
    image.setDotsPerMeterY(int(std::lround(dotsPerInch / 0.0254)));
    image.fill(Qt::white);
    if (page < 0 || page >= report.pageCount())
        return image;
    QPainter painter(&image);
    PaintReportPage(painter, report.pages[page], pixelsPerMm);
    return image;
}

QPrintPreviewDialog* ShowReportPreview(const LaidOutReport& report, QWidget* parent)
{
    // The dialog keeps a pointer to the printer: the painting functor owns it,
    // and the functor goes only after the dialog's own destructor has run.
    auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
    ApplyPageLayout(report, *printer);
    auto* dialog = new QPrintPreviewDialog(printer.get(), parent);
    dialog->setObjectName(QStringLiteral("reportpreview"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(report.title.isEmpty() ? QStringLiteral("Print Preview") : report.title);
    QObject::connect(dialog, &QPrintPreviewDialog::paintRequested, dialog,
                     [report, printer](QPrinter* target) { PaintReport(report, *target); });
    // A page's height where the screen has room for it; fitted where it has not.
    dialog->resize(900, 1000);
    WindowRegistry::instance().show(dialog, ShowMode::Free);
    NamePreviewControls(dialog);
    return dialog;
}

bool PrintReportWithDialog(const LaidOutReport& report, QWidget* parent)
{
    QPrinter printer(QPrinter::HighResolution);
    ApplyPageLayout(report, printer);
    QPrintDialog dialog(&printer, parent);
    dialog.setMinMax(1, std::max(1, report.pageCount()));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    return PaintReport(report, printer);
}

} // namespace vestra
