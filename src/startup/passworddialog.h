#pragma once
// Asks for a database server's password; it is kept in memory only.

#include <QString>
#include <optional>

namespace vestra {

// nullopt when the user cancels.
std::optional<QString> AskForServerPassword(const QString& address);

} // namespace vestra
