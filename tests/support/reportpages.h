#pragma once
// What tests read from a laid-out report's pages, and from a printed PDF.

#include "report/reportlayout.h"

#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace vestra::test {

// A poppler tool's output (pdftotext, pdfinfo); a missing tool fails the
// test, as the test setup installs the tools.
inline QString RunTool(const QString& program, const QStringList& args)
{
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty()) {
        ADD_FAILURE() << program.toStdString() << " is not installed";
        return {};
    }
    QProcess process;
    process.start(path, args);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The text of a PDF as pdftotext lays it out by position.
inline QString PdfText(const QString& path)
{
    return RunTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, "-"});
}

// The first page on which a group heading is the last band above the page
// footer, or -1.
inline int pageEndingInAHeading(const LaidOutReport& r)
{
    for (int p = 0; p < r.pageCount(); ++p) {
        BandKind last = BandKind::PageHeader;
        for (const PlacedBand& b : r.pages[p].bands)
            if (b.kind != BandKind::PageFooter && b.kind != BandKind::PageHeader)
                last = b.kind;
        if (last == BandKind::GroupHeader)
            return p;
    }
    return -1;
}

} // namespace vestra::test
