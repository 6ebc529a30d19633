#include "exchange/safewrite.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace vestra {

bool WriteFileSafely(const QString& path, const QByteArray& bytes, QString* error)
{
    auto fail = [&](const QString& reason) {
        if (error)
            *error = QStringLiteral("The file \"%1\" could not be written: %2").arg(path, reason);
        return false;
    };
    const QFileInfo info(path);
    if (info.fileName().isEmpty() || path.contains(QChar(0)))
        return fail(QStringLiteral("that is not a file name."));
    if (!info.absoluteDir().exists())
        return fail(QStringLiteral("the folder does not exist."));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString() + QLatin1Char('.'));
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return fail(reason + QLatin1Char('.'));
    }
    // The rename happens only here; a write cut short (a full disk) fails
    // before it, and QSaveFile removes its partial copy.
    if (!file.commit())
        return fail(file.errorString() + QLatin1Char('.'));
    return true;
}

QString SafeFileName(const QString& name)
{
    QString out;
    for (const QChar c : name.trimmed()) {
        const bool special = c.unicode() < 0x20 || QStringLiteral("/\\:*?\"<>|%#&+").contains(c);
        out += special ? QLatin1Char('_') : c;
    }
    while (out.startsWith(QLatin1Char('.')))
        out[0] = QLatin1Char('_');
    return out.isEmpty() ? QStringLiteral("_") : out;
}

} // namespace vestra
