#pragma once
// What the record windows and the rules behind them pass each other: the
// field values a new record starts with, and what came of a deletion.

#include <QList>
#include <QString>
#include <QVariant>
#include <utility>

namespace vestra {

// Field values a new record receives, e.g. from the node it is added under.
using FieldValues = QList<std::pair<QString, QVariant>>;

// A deletion as a record window reports it: refusal is the text that tells
// the user why the record stays (empty when nothing refused it), error what
// the database said when it failed.
struct DeleteOutcome {
    QString refusal;
    QString error;
};

} // namespace vestra
