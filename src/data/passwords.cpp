#include "data/passwords.h"

#include <sodium.h>

namespace vestra {

namespace {
bool sodiumReady()
{
    static const bool ready = sodium_init() >= 0;
    return ready;
}
} // namespace

QString HashPassword(const QString& password)
{
    if (!sodiumReady())
        return {};
    const QByteArray utf8 = password.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str_alg(out, utf8.constData(), static_cast<unsigned long long>(utf8.size()),
                              crypto_pwhash_OPSLIMIT_INTERACTIVE,
                              crypto_pwhash_MEMLIMIT_INTERACTIVE, crypto_pwhash_ALG_ARGON2ID13)
        != 0)
        return {};
    return QString::fromLatin1(out);
}

bool IsPasswordHash(const QString& stored)
{
    return stored.startsWith(QStringLiteral("$argon2id$"));
}

bool PasswordMatches(const QString& stored, const QString& typed)
{
    if (stored.isEmpty())
        return false;
    if (!IsPasswordHash(stored))
        return stored == typed;
    if (!sodiumReady())
        return false;
    const QByteArray hash = stored.toLatin1();
    const QByteArray utf8 = typed.toUtf8();
    return crypto_pwhash_str_verify(hash.constData(), utf8.constData(),
                                    static_cast<unsigned long long>(utf8.size()))
           == 0;
}

std::optional<int> RehashPlainPasswords(Database& db, QString* error)
{
    Transaction tx(db);
    auto fail = [&db, error]() -> std::optional<int> {
        if (error)
            *error = db.lastError();
        return std::nullopt;
    };
    if (!tx.ok())
        return fail();
    auto q = db.query(QStringLiteral("SELECT ID, KontoPass FROM Konti WHERE KontoPass IS NOT NULL "
                                     "AND KontoPass <> ''"));
    if (!q)
        return fail();
    QList<std::pair<int, QString>> plain;
    while (q->next())
        if (!IsPasswordHash(q->value(1).toString()))
            plain << std::pair{q->value(0).toInt(), q->value(1).toString()};
    q.reset();
    for (const auto& [id, password] : plain) {
        const QString hash = HashPassword(password);
        if (hash.isEmpty()) {
            if (error)
                *error = QStringLiteral("a password could not be hashed");
            return std::nullopt;
        }
        if (!db.exec(QStringLiteral("UPDATE Konti SET KontoPass = ? WHERE ID = ?"), {hash, id}))
            return fail();
    }
    if (!tx.commit())
        return fail();
    return static_cast<int>(plain.size());
}

} // namespace vestra
