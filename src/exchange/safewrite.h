#pragma once
// Files other programs read (calendars they subscribe to, sheets they open)
// are written beside their name and renamed into place, so that a reader
// never sees half a file and a failed write leaves the old one as it was.

#include <QByteArray>
#include <QString>

namespace vestra {

// Writes the bytes to path; false, and a sentence for the user in error, when
// the folder is missing or unwritable, the disk is full, or the name cannot be
// a file's name.
bool WriteFileSafely(const QString& path, const QByteArray& bytes, QString* error);

// A file name made from a name the user gave something (an item, a type):
// characters that a file system or a web server treats specially become "_".
QString SafeFileName(const QString& name);

} // namespace vestra
