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

} // namespace vestra::test
