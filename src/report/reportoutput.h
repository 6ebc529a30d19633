#pragma once
// Painting laid-out reports. Printer, preview and PDF all paint the same
// model through PaintReport, so what the preview shows is what prints.

#include "report/reportlayout.h"

#include <QImage>
#include <QString>

class QPainter;
class QPrinter;
class QPrintPreviewDialog;
class QWidget;

namespace vestra {

// Paints one page with the painter's origin at the paper's top-left corner.
void PaintReportPage(QPainter& painter, const LaidOutPage& page, qreal pixelsPerMm);

// Gives the printer the report's paper, orientation and no margins of its
// own (the report keeps its margins in its layout).
void ApplyPageLayout(const LaidOutReport& report, QPrinter& printer);
// Paints every page (or those in the printer's page range) on the printer.
bool PaintReport(const LaidOutReport& report, QPrinter& printer, QString* error = nullptr);
bool PrintToPdf(const LaidOutReport& report, const QString& path, QString* error = nullptr);
// One page as a picture, for screen views and checks by eye.
QImage RenderReportPage(const LaidOutReport& report, int page, int dotsPerInch = 96);

// The preview window (objectName "reportpreview"), shown without blocking;
// it deletes itself when closed. The user prints from it.
QPrintPreviewDialog* ShowReportPreview(const LaidOutReport& report, QWidget* parent = nullptr);
// The print dialog, then the report on the chosen printer; false when cancelled.
bool PrintReportWithDialog(const LaidOutReport& report, QWidget* parent = nullptr);

// A definition with its rows: the shape the report windows hold.
class Report {
public:
    Report() = default;
    Report(ReportDefinition definition, ReportRows rows, const QLocale& locale = QLocale())
        : definition(std::move(definition)), rows(std::move(rows)), locale(locale)
    {
    }

    ReportDefinition definition;
    ReportRows rows;
    QLocale locale;

    LaidOutReport layout() const { return LayoutReport(definition, rows, locale); }
    bool printToPdf(const QString& path, QString* error = nullptr) const
    {
        return PrintToPdf(layout(), path, error);
    }
    QPrintPreviewDialog* showPreview(QWidget* parent = nullptr) const
    {
        return ShowReportPreview(layout(), parent);
    }
    bool print(QWidget* parent = nullptr) const { return PrintReportWithDialog(layout(), parent); }
};

} // namespace vestra
