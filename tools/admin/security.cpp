#include "security.h"

#include "data/helpers.h"
#include "data/migrations.h"
#include "data/statements.h"

#include <QRegularExpression>
#include <QTextStream>
#include <cstdio>
#include <termios.h>
#include <unistd.h>

namespace vestra::admin {

namespace {

const QString kUserUsage = QStringLiteral(
    "usage: vestra-admin secure ADDRESS | prune-log ADDRESS | user add ADDRESS NAME [--admin] "
    "[--account ACCOUNT] [--panel] | user remove ADDRESS NAME | user admin ADDRESS NAME on|off "
    "| user list ADDRESS");

CommandResult refusedWith(const QString& reason, int exitCode = 1)
{
    return {exitCode, {}, reason};
}

QString oneLine(QString text)
{
    return text.replace(QLatin1Char('\n'), QLatin1Char(' ')).simplified();
}

// What a person may change in their own account row; the administrator
// flag, the user name and the account's type and owner are not among them.
const char* const kPersonalColumns =
    "kontonavn, kontokontakt, kontoadresse, kontopnr, kontoby, kontotlf, kontotlfp, kontomobil, "
    "kontofax, kontomail, kontostilling, rowversion";

// The statements that give the store to the owner role and set up the
// rights; each can run again on a store secured before. %1 is the schema.
QStringList securityStatements(const QString& schema)
{
    const QString definer =
        QStringLiteral("SECURITY DEFINER SET search_path = %1, pg_temp").arg(schema);
    QStringList s;
    // Roles belong to the whole server; a second store on it shares them.
    // Another store on the server may be secured at the same moment: the
    // role or membership it made first is then simply there.
    s << QStringLiteral("DO $$ DECLARE r text; BEGIN "
                        "FOREACH r IN ARRAY ARRAY['vestra_owner', 'vestra_audit', 'vestra_staff', "
                        "'vestra_admin', 'vestra_panel'] LOOP "
                        "IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = r) THEN "
                        "BEGIN EXECUTE format('CREATE ROLE %I NOLOGIN', r); "
                        "EXCEPTION WHEN duplicate_object OR unique_violation THEN NULL; END; "
                        "END IF; END LOOP; "
                        "IF NOT pg_has_role('vestra_admin', 'vestra_staff', 'MEMBER') THEN "
                        "BEGIN GRANT vestra_staff TO vestra_admin; "
                        "EXCEPTION WHEN duplicate_object OR unique_violation THEN NULL; END; "
                        "END IF; END $$");
    // Everything the store holds goes to the owner; views read with the
    // rights of whoever reads them, so they open no way round the rules.
    s << QStringLiteral(
        "DO $$ DECLARE r record; BEGIN "
        "FOR r IN SELECT c.relname, c.relkind FROM pg_class c JOIN pg_namespace n "
        "ON n.oid = c.relnamespace WHERE n.nspname = current_schema() "
        "AND c.relkind IN ('r', 'v') LOOP "
        "EXECUTE format('ALTER TABLE %I OWNER TO vestra_owner', r.relname); "
        "IF r.relkind = 'v' THEN "
        "EXECUTE format('ALTER VIEW %I SET (security_invoker = true)', r.relname); END IF; "
        "END LOOP; "
        "FOR r IN SELECT p.oid::regprocedure AS f FROM pg_proc p JOIN pg_namespace n "
        "ON n.oid = p.pronamespace WHERE n.nspname = current_schema() "
        "AND p.proname LIKE 'vestra!_%' ESCAPE '!' LOOP "
        "EXECUTE format('ALTER FUNCTION %s OWNER TO vestra_owner', r.f); END LOOP; END $$");
    s << QStringLiteral("REVOKE CREATE ON SCHEMA %1 FROM PUBLIC").arg(schema)
      // A schema made anew gives PUBLIC no use of it: each role is named.
      << QStringLiteral("GRANT USAGE ON SCHEMA %1 TO vestra_owner, vestra_audit, vestra_staff, "
                        "vestra_panel")
             .arg(schema)
      << QStringLiteral("REVOKE ALL ON ALL TABLES IN SCHEMA %1 FROM PUBLIC, vestra_staff, "
                        "vestra_admin, vestra_panel, vestra_audit")
             .arg(schema);
    // Everyone reads; the change log only administrators, a password no one.
    s << QStringLiteral("GRANT SELECT ON ALL TABLES IN SCHEMA %1 TO vestra_staff").arg(schema)
      << QStringLiteral("REVOKE SELECT ON konti, auditlog FROM vestra_staff")
      << QStringLiteral(
             "DO $$ BEGIN EXECUTE format('GRANT SELECT (%s) ON konti TO vestra_staff', "
             "(SELECT string_agg(quote_ident(column_name), ', ') FROM information_schema.columns "
             "WHERE table_schema = current_schema() AND table_name = 'konti' "
             "AND column_name <> 'kontopass')); END $$")
      << QStringLiteral("GRANT SELECT ON auditlog TO vestra_admin")
      << QStringLiteral("GRANT UPDATE (%1) ON konti TO vestra_staff")
             .arg(QString::fromLatin1(kPersonalColumns))
      << QStringLiteral("GRANT INSERT, UPDATE, DELETE ON booking TO vestra_staff")
      << QStringLiteral("GRANT UPDATE ON næstenøgle TO vestra_staff")
      << QStringLiteral("GRANT INSERT ON auditlog TO vestra_staff")
      << QStringLiteral("GRANT USAGE ON ALL SEQUENCES IN SCHEMA %1 TO vestra_staff").arg(schema)
      << QStringLiteral("GRANT INSERT, UPDATE, DELETE ON ALL TABLES IN SCHEMA %1 TO vestra_admin")
             .arg(schema)
      << QStringLiteral("REVOKE INSERT, UPDATE, DELETE ON auditlog, vestra_schema_version, "
                        "arkiveringsdato FROM vestra_admin")
      << QStringLiteral("GRANT SELECT ON booking, lokale, lokaliteter, overgruppenavne, "
                        "institutionsoplysninger TO vestra_panel")
      << QStringLiteral("GRANT SELECT (%1), INSERT ON auditlog TO vestra_audit")
             .arg(QStringLiteral("id"));
    // The store's id, which exported calendars name their bookings by, and
    // their time zone (the server's) are set here: a member of staff, who may
    // export, may not write the settings.
    s << QStringLiteral("UPDATE institutionsoplysninger SET storeid = gen_random_uuid()::text "
                        "WHERE storeid IS NULL OR storeid = ''")
      << QStringLiteral("UPDATE institutionsoplysninger SET timezone = current_setting('TimeZone') "
                        "WHERE timezone IS NULL OR timezone = ''");
    // Acting for an account: an administrator, or a member of the account.
    s << QStringLiteral(
             "CREATE OR REPLACE FUNCTION vestra_may_act(account integer, who name) "
             "RETURNS boolean LANGUAGE sql STABLE %1 AS $$ "
             "SELECT pg_has_role(who, 'vestra_admin', 'MEMBER') OR EXISTS ("
             "SELECT 1 FROM grptilk g JOIN konti k ON k.id = g.pnr WHERE g.gnr = account "
             "AND k.kontouser = who AND (k.archived IS NULL OR k.archived = 0)) $$")
             .arg(definer)
      << QStringLiteral("ALTER FUNCTION vestra_may_act(integer, name) OWNER TO vestra_owner");
    // Anyone may make a group account; it is its owner's to change, fill
    // and delete, as on a booking file.
    s << QStringLiteral("CREATE OR REPLACE FUNCTION vestra_owns_group(account integer, who name) "
                        "RETURNS boolean LANGUAGE sql STABLE %1 AS $$ "
                        "SELECT EXISTS (SELECT 1 FROM konti g JOIN konti p ON p.id = g.kontoowner "
                        "WHERE g.id = account AND g.kontotype = 'g' AND p.kontouser = who "
                        "AND p.kontotype = 'p') $$")
             .arg(definer)
      << QStringLiteral("ALTER FUNCTION vestra_owns_group(integer, name) OWNER TO vestra_owner")
      << QStringLiteral("CREATE OR REPLACE FUNCTION vestra_is_person(account integer, who name) "
                        "RETURNS boolean LANGUAGE sql STABLE %1 AS $$ SELECT EXISTS (SELECT 1 "
                        "FROM konti WHERE id = account AND kontouser = who AND kontotype = 'p') $$")
             .arg(definer)
      << QStringLiteral("ALTER FUNCTION vestra_is_person(integer, name) OWNER TO vestra_owner")
      << QStringLiteral("GRANT INSERT ON konti TO vestra_staff")
      << QStringLiteral("GRANT UPDATE (archived, kontoowner, depnr) ON konti TO vestra_staff")
      << QStringLiteral("GRANT DELETE ON konti TO vestra_staff")
      << QStringLiteral("GRANT INSERT, DELETE ON grptilk TO vestra_staff");
    s << QStringLiteral("ALTER TABLE booking ENABLE ROW LEVEL SECURITY")
      << QStringLiteral("ALTER TABLE konti ENABLE ROW LEVEL SECURITY")
      << QStringLiteral("ALTER TABLE grptilk ENABLE ROW LEVEL SECURITY");
    for (const char* policy : {"booking_read", "booking_add", "booking_change", "booking_remove"})
        s << QStringLiteral("DROP POLICY IF EXISTS %1 ON booking").arg(QLatin1String(policy));
    for (const char* policy : {"konti_read", "konti_admin", "konti_self", "konti_group_add",
                               "konti_group_change", "konti_group_remove"})
        s << QStringLiteral("DROP POLICY IF EXISTS %1 ON konti").arg(QLatin1String(policy));
    for (const char* policy : {"grptilk_read", "grptilk_admin", "grptilk_add", "grptilk_remove"})
        s << QStringLiteral("DROP POLICY IF EXISTS %1 ON grptilk").arg(QLatin1String(policy));
    s << QStringLiteral("CREATE POLICY booking_read ON booking FOR SELECT USING (true)")
      << QStringLiteral("CREATE POLICY booking_add ON booking FOR INSERT "
                        "WITH CHECK (vestra_may_act(kontonr, current_user))")
      << QStringLiteral("CREATE POLICY booking_change ON booking FOR UPDATE "
                        "USING (vestra_may_act(kontonr, current_user)) "
                        "WITH CHECK (vestra_may_act(kontonr, current_user))")
      << QStringLiteral("CREATE POLICY booking_remove ON booking FOR DELETE "
                        "USING (vestra_may_act(kontonr, current_user))")
      << QStringLiteral("CREATE POLICY konti_read ON konti FOR SELECT USING (true)")
      << QStringLiteral("CREATE POLICY konti_admin ON konti TO vestra_admin "
                        "USING (true) WITH CHECK (true)")
      << QStringLiteral("CREATE POLICY konti_self ON konti FOR UPDATE TO vestra_staff "
                        "USING (kontouser = current_user) WITH CHECK (kontouser = current_user)")
      << QStringLiteral("CREATE POLICY konti_group_add ON konti FOR INSERT TO vestra_staff "
                        "WITH CHECK (kontotype = 'g' AND vestra_is_person(kontoowner, "
                        "current_user))")
      << QStringLiteral("CREATE POLICY konti_group_change ON konti FOR UPDATE TO vestra_staff "
                        "USING (vestra_owns_group(id, current_user)) "
                        "WITH CHECK (vestra_owns_group(id, current_user))")
      << QStringLiteral("CREATE POLICY konti_group_remove ON konti FOR DELETE TO vestra_staff "
                        "USING (vestra_owns_group(id, current_user))")
      << QStringLiteral("CREATE POLICY grptilk_read ON grptilk FOR SELECT USING (true)")
      << QStringLiteral("CREATE POLICY grptilk_admin ON grptilk TO vestra_admin "
                        "USING (true) WITH CHECK (true)")
      << QStringLiteral("CREATE POLICY grptilk_add ON grptilk FOR INSERT TO vestra_staff "
                        "WITH CHECK (vestra_owns_group(gnr, current_user))")
      << QStringLiteral("CREATE POLICY grptilk_remove ON grptilk FOR DELETE TO vestra_staff "
                        "USING (vestra_owns_group(gnr, current_user))");
    // The daily run: any workstation starts it, for the server's own date
    // only, so it cannot be made to archive or remove anything early.
    s << QStringLiteral(
             "CREATE OR REPLACE FUNCTION vestra_archive() RETURNS TABLE (copied bigint, removed "
             "bigint) LANGUAGE plpgsql %1 AS $$ "
             "DECLARE t integer := current_date - date '1900-01-01'; last text; "
             "a integer; d integer; c bigint := 0; x bigint := 0; BEGIN "
             "PERFORM pg_advisory_xact_lock(%2); "
             "SELECT arkiveringsdato INTO last FROM arkiveringsdato WHERE id = 1; "
             "IF last >= to_char(current_date, 'YYYY-MM-DD') THEN "
             "RETURN QUERY SELECT c, x; RETURN; END IF; "
             "SELECT arcdel, deldel INTO a, d FROM institutionsoplysninger LIMIT 1; "
             "PERFORM set_config('vestra.bulk', 'on', true); "
             "IF a BETWEEN 0 AND 36600 THEN "
             "%3; GET DIAGNOSTICS c = ROW_COUNT; END IF; "
             "IF a BETWEEN 0 AND 36600 AND d BETWEEN 0 AND 36600 THEN %6; END IF; "
             "IF d BETWEEN 0 AND 36600 THEN "
             "DELETE FROM booking b WHERE b.bdato < t - d AND (a BETWEEN 0 AND 36600 AND d < a "
             "OR %5); "
             "GET DIAGNOSTICS x = ROW_COUNT; "
             "DELETE FROM auditlog WHERE whenutc < to_char((current_date - d)::timestamptz "
             "AT TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"'); END IF; "
             "INSERT INTO arkiveringsdato (id, arkiveringsdato) VALUES (1, "
             "to_char(current_date, 'YYYY-MM-DD')) ON CONFLICT (id) DO UPDATE "
             "SET arkiveringsdato = excluded.arkiveringsdato; "
             "IF x > 0 THEN PERFORM pg_notify('%4', ''); END IF; "
             "IF c > 0 OR x > 0 THEN INSERT INTO auditlog (whenutc, whenlocal, workstation, "
             "account, action, itemkey, summary) VALUES (to_char(now() AT TIME ZONE 'UTC', "
             "'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"'), to_char(now(), 'YYYY-MM-DD HH24:MI:SS'), "
             "'daily run', 'daily run', 'archived', '', format('%s bookings archived, %s removed "
             "up "
             "to %s', c, x, to_char(current_date, 'YYYY-MM-DD'))); END IF; "
             "RETURN QUERY SELECT c, x; END $$")
             .arg(definer)
             .arg(dialect::kWriteLockKey)
             .arg(ArchiveCopySql(QStringLiteral("b.bdato < t - a")),
                  QString::fromLatin1(dialect::kBookingChannel),
                  ArchiveCopyCurrent(QStringLiteral("b")),
                  ArchiveWithdrawSql(QStringLiteral("t - d"), QStringLiteral("t - a")))
      << QStringLiteral("ALTER FUNCTION vestra_archive() OWNER TO vestra_owner")
      << QStringLiteral("REVOKE ALL ON FUNCTION vestra_archive() FROM PUBLIC")
      << QStringLiteral("GRANT EXECUTE ON FUNCTION vestra_archive() TO vestra_staff");
    // Pruning the change log by the delete delay, for the owner alone.
    s << QStringLiteral(
             "CREATE OR REPLACE FUNCTION vestra_prune_log() RETURNS bigint LANGUAGE plpgsql %1 "
             "AS $$ DECLARE d integer; n bigint := 0; BEGIN "
             "SELECT deldel INTO d FROM institutionsoplysninger LIMIT 1; "
             "IF d BETWEEN 0 AND 36600 THEN DELETE FROM auditlog WHERE whenutc < "
             "to_char((current_date - d)::timestamptz AT TIME ZONE 'UTC', "
             "'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"'); GET DIAGNOSTICS n = ROW_COUNT; END IF; "
             "RETURN n; END $$")
             .arg(definer)
      << QStringLiteral("ALTER FUNCTION vestra_prune_log() OWNER TO vestra_owner")
      << QStringLiteral("REVOKE ALL ON FUNCTION vestra_prune_log() FROM PUBLIC");
    // The change log of bookings, items, accounts and settings is written
    // by the server, for whoever changes them and however; the daily run
    // (the owner's) logs itself in one row.
    s << QStringLiteral(
             "CREATE OR REPLACE FUNCTION vestra_log_change() RETURNS trigger LANGUAGE plpgsql %1 "
             "AS $$ DECLARE o jsonb; n jsonb; k text; changes text[] := '{}'; "
             "what text := CASE TG_TABLE_NAME WHEN 'booking' THEN '' WHEN 'lokale' THEN 'item ' "
             "WHEN 'institutionsoplysninger' THEN 'settings ' WHEN 'grptilk' THEN 'membership ' "
             "ELSE 'account ' END; key text; BEGIN "
             "IF TG_OP <> 'INSERT' THEN o := to_jsonb(OLD) - 'kontopass' - 'rowversion'; END IF; "
             "IF TG_OP <> 'DELETE' THEN n := to_jsonb(NEW) - 'kontopass' - 'rowversion'; END IF; "
             "key := CASE TG_TABLE_NAME WHEN 'booking' THEN coalesce(n, o) ->> 'bookingnr' "
             "WHEN 'lokale' THEN coalesce(n, o) ->> 'lokalenr' WHEN 'konti' THEN "
             "coalesce(n, o) ->> 'id' WHEN 'grptilk' THEN concat_ws('/', coalesce(n, o) ->> "
             "'gnr', coalesce(n, o) ->> 'pnr') ELSE '' END; "
             "FOR k IN SELECT jsonb_object_keys(coalesce(n, o)) ORDER BY 1 LOOP "
             "IF (o -> k IS DISTINCT FROM n -> k) AND coalesce(o ->> k, n ->> k) IS NOT NULL "
             "THEN changes := changes || format('%s: %s → %s', k, %2 || coalesce(o ->> k, '') "
             "|| %3, %2 || coalesce(n ->> k, '') || %3); END IF; END LOOP; "
             "IF TG_OP = 'UPDATE' AND cardinality(changes) = 0 THEN RETURN NULL; END IF; "
             "INSERT INTO auditlog (whenutc, whenlocal, workstation, account, action, itemkey, "
             "summary) VALUES (to_char(now() AT TIME ZONE 'UTC', "
             "'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"'), to_char(now(), 'YYYY-MM-DD HH24:MI:SS'), "
             "coalesce(nullif(current_setting('application_name', true), ''), "
             "host(inet_client_addr()), 'server'), session_user, what || CASE TG_OP "
             "WHEN 'INSERT' THEN 'created' WHEN 'UPDATE' THEN 'edited' ELSE 'deleted' END, key, "
             "TG_TABLE_NAME || ': ' || array_to_string(changes, ' | ')); RETURN NULL; END $$")
             .arg(definer, QStringLiteral("chr(8296)"), QStringLiteral("chr(8297)"))
      << QStringLiteral("ALTER FUNCTION vestra_log_change() OWNER TO vestra_audit");
    for (const char* table : {"booking", "lokale", "konti", "grptilk", "institutionsoplysninger"})
        s << QStringLiteral("DROP TRIGGER IF EXISTS %1_log ON %1").arg(QLatin1String(table))
          << QStringLiteral("CREATE TRIGGER %1_log AFTER INSERT OR UPDATE OR DELETE ON %1 "
                            "FOR EACH ROW WHEN (current_user <> 'vestra_owner') "
                            "EXECUTE PROCEDURE vestra_log_change()")
                 .arg(QLatin1String(table));
    // Administrators set other people's passwords through a function whose
    // owner may change login roles and nothing else in the store; it touches
    // only the login of a person's account, never a superuser's or a group's.
    s << QStringLiteral(
        "DO $$ BEGIN IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = "
        "'vestra_passwords') THEN BEGIN CREATE ROLE vestra_passwords NOLOGIN CREATEROLE; "
        "EXCEPTION WHEN duplicate_object OR unique_violation THEN NULL; END; "
        "END IF; END $$")
      << QStringLiteral("GRANT USAGE ON SCHEMA %1 TO vestra_passwords").arg(schema)
      << QStringLiteral("GRANT SELECT (id, kontouser, kontotype) ON konti TO vestra_passwords")
      << QStringLiteral(
             "CREATE OR REPLACE FUNCTION vestra_set_password(account integer, password text) "
             "RETURNS boolean LANGUAGE plpgsql %1 AS $$ DECLARE who name; BEGIN "
             "IF NOT pg_has_role(session_user, 'vestra_admin', 'MEMBER') THEN RAISE EXCEPTION "
             "'only an administrator sets another person''s password'; END IF; "
             "SELECT r.rolname INTO who FROM konti k JOIN pg_roles r ON r.rolname = k.kontouser "
             "WHERE k.id = account AND k.kontotype = 'p' AND r.rolcanlogin AND NOT r.rolsuper "
             "AND NOT r.rolcreaterole; "
             "IF who IS NULL OR NOT pg_has_role(who, 'vestra_staff', 'MEMBER') THEN RAISE "
             "EXCEPTION 'account % has no server login', account; END IF; "
             "EXECUTE format('ALTER ROLE %I PASSWORD %L', who, password); RETURN true; END $$")
             .arg(definer)
      << QStringLiteral("ALTER FUNCTION vestra_set_password(integer, text) OWNER TO "
                        "vestra_passwords")
      << QStringLiteral("REVOKE ALL ON FUNCTION vestra_set_password(integer, text) FROM PUBLIC")
      << QStringLiteral("GRANT EXECUTE ON FUNCTION vestra_set_password(integer, text) TO "
                        "vestra_admin");
    // A person added in the program gets their login role here: made when
    // the name is free, taken when it is already a person's of a store on
    // this server, never a superuser's or another program's role.
    s << QStringLiteral("GRANT SELECT (admin, archived) ON konti TO vestra_passwords")
      << QStringLiteral(
             "CREATE OR REPLACE FUNCTION vestra_add_login(account integer, password text) "
             "RETURNS boolean LANGUAGE plpgsql %1 AS $$ DECLARE who text; boss boolean; "
             "r record; BEGIN "
             "IF NOT pg_has_role(session_user, 'vestra_admin', 'MEMBER') THEN RAISE EXCEPTION "
             "'only an administrator adds a person''s server login'; END IF; "
             "SELECT k.kontouser, coalesce(k.admin, 0) <> 0 INTO who, boss FROM konti k "
             "WHERE k.id = account AND k.kontotype = 'p' AND coalesce(k.archived, 0) = 0; "
             "IF who IS NULL OR who !~ '^[A-Za-z_][A-Za-z0-9_.@-]{0,62}$' THEN RAISE EXCEPTION "
             "'The user name % cannot be a server login: it is a letter or _ followed by "
             "letters, digits, _ . @ or -.', coalesce(who, ''); END IF; "
             "SELECT rolsuper OR rolcreaterole OR rolbypassrls AS strong, "
             "pg_has_role(oid, 'vestra_staff', 'MEMBER') AS person INTO r FROM pg_roles "
             "WHERE rolname = who; "
             "IF NOT FOUND THEN EXECUTE format('CREATE ROLE %I LOGIN IN ROLE vestra_staff', who); "
             "ELSIF r.strong OR NOT r.person THEN RAISE EXCEPTION 'The server login % is not "
             "one of this booking store''s; its administrator adds it with vestra-admin user "
             "add.', who; ELSE EXECUTE format('ALTER ROLE %I LOGIN', who); END IF; "
             "IF coalesce(password, '') <> '' THEN "
             "EXECUTE format('ALTER ROLE %I PASSWORD %L', who, password); END IF; "
             "EXECUTE format(CASE WHEN boss THEN 'GRANT vestra_admin TO %I' "
             "ELSE 'REVOKE vestra_admin FROM %I' END, who); RETURN true; END $$")
             .arg(definer)
      << QStringLiteral("ALTER FUNCTION vestra_add_login(integer, text) OWNER TO vestra_passwords")
      << QStringLiteral("REVOKE ALL ON FUNCTION vestra_add_login(integer, text) FROM PUBLIC")
      << QStringLiteral("GRANT EXECUTE ON FUNCTION vestra_add_login(integer, text) TO "
                        "vestra_admin");
    // The login follows the person's account however it is changed: an
    // archived or deleted person can no longer log in, the administrator
    // flag is the vestra_admin group, a new user name renames the role.
    // Only roles that are a person's of a store are touched.
    s << QStringLiteral(
             "CREATE OR REPLACE FUNCTION vestra_follow_login() RETURNS trigger LANGUAGE plpgsql "
             "%1 AS $$ DECLARE who text := OLD.kontouser; live boolean := false; "
             "boss boolean := false; BEGIN "
             "IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = who AND NOT (rolsuper OR "
             "rolcreaterole OR rolbypassrls) AND pg_has_role(oid, 'vestra_staff', 'MEMBER')) "
             "THEN RETURN NULL; END IF; "
             "IF TG_OP = 'UPDATE' AND NEW.kontotype = 'p' THEN "
             "IF NEW.kontouser IS DISTINCT FROM who AND coalesce(NEW.kontouser, '') <> '' AND "
             "NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = NEW.kontouser) THEN "
             "EXECUTE format('ALTER ROLE %I RENAME TO %I', who, NEW.kontouser); "
             "who := NEW.kontouser; END IF; "
             "live := who = NEW.kontouser AND coalesce(NEW.archived, 0) = 0; "
             "boss := live AND coalesce(NEW.admin, 0) <> 0; END IF; "
             "EXECUTE format(CASE WHEN live THEN 'ALTER ROLE %I LOGIN' "
             "ELSE 'ALTER ROLE %I NOLOGIN' END, who); "
             "EXECUTE format(CASE WHEN boss THEN 'GRANT vestra_admin TO %I' "
             "ELSE 'REVOKE vestra_admin FROM %I' END, who); RETURN NULL; END $$")
             .arg(definer)
      << QStringLiteral("ALTER FUNCTION vestra_follow_login() OWNER TO vestra_passwords")
      << QStringLiteral("DROP TRIGGER IF EXISTS konti_login ON konti")
      << QStringLiteral("CREATE TRIGGER konti_login AFTER UPDATE OF admin, archived, kontouser, "
                        "kontotype OR DELETE ON konti FOR EACH ROW WHEN (OLD.kontotype = 'p') "
                        "EXECUTE PROCEDURE vestra_follow_login()");
    // A password is the server's business: none is kept in the store.
    s << QStringLiteral("UPDATE konti SET kontopass = '' WHERE kontopass <> ''");
    return s;
}

bool runAll(Database& db, const QStringList& statements, QString* error)
{
    for (const QString& statement : statements) {
        if (!db.exec(statement)) {
            *error = oneLine(db.lastError() + QLatin1Char(' ') + statement.left(60));
            return false;
        }
    }
    return true;
}

// A role name that libpq and a user typing it agree on.
bool isRoleName(const QString& name)
{
    static const QRegularExpression valid(QStringLiteral("^[A-Za-z_][A-Za-z0-9_.@-]{0,62}$"));
    return valid.match(name).hasMatch();
}

// Quoted by the server itself, for statements that take no parameters.
std::optional<QString> formatted(Database& db, const QString& pattern, const QVariantList& values)
{
    // Typed, or the server cannot tell what format() is given.
    const QVariant v = db.scalar(QStringLiteral("SELECT format(CAST(? AS text)")
                                     + QStringLiteral(", CAST(? AS text)").repeated(values.size())
                                     + QStringLiteral(")"),
                                 QVariantList{pattern} + values);
    if (!v.isValid())
        return std::nullopt;
    return v.toString();
}

bool execFormatted(Database& db, const QString& pattern, const QVariantList& values)
{
    const std::optional<QString> sql = formatted(db, pattern, values);
    return sql && db.exec(*sql);
}

// The login role of a person: made, or taken over when another store on the
// same server made it; a password given replaces the one it had.
bool makeLoginRole(Database& db, const QString& name, const std::optional<QString>& password,
                   const QString& group)
{
    const bool exists =
        db.scalar(QStringLiteral("SELECT count(*) FROM pg_roles WHERE rolname = ?"), {name}).toInt()
        > 0;
    if (!exists && !execFormatted(db, QStringLiteral("CREATE ROLE %I LOGIN"), {name}))
        return false;
    if (password
        && !execFormatted(db, QStringLiteral("ALTER ROLE %I LOGIN PASSWORD %L"), {name, *password}))
        return false;
    return execFormatted(db, QStringLiteral("GRANT %I TO %I"), {group, name});
}

} // namespace

bool IsSecuredStore(Database& db)
{
    return db
        .scalar(QStringLiteral("SELECT relrowsecurity FROM pg_class WHERE oid = "
                               "to_regclass('booking')"))
        .toBool();
}

namespace {

// The password of a new login: asked on a terminal without echo, else the
// first line of standard input.
QString readPassword(const QString& name)
{
    const bool terminal = isatty(STDIN_FILENO);
    termios old{};
    if (terminal) {
        std::fprintf(stderr, "Password for %s: ", qPrintable(name));
        std::fflush(stderr);
        tcgetattr(STDIN_FILENO, &old);
        termios quiet = old;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    QTextStream in(stdin);
    const QString line = in.readLine();
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSANOW, &old);
        std::fprintf(stderr, "\n");
    }
    return line;
}

std::optional<Database> securedServer(const QString& address, QString* reason)
{
    QString error;
    const auto parsed = ParseAddress(address, &error);
    if (!parsed || parsed->kind != StoreAddress::Kind::Server) {
        *reason =
            parsed ? QStringLiteral("%1: roles and rights are kept on a server only").arg(address)
                   : error;
        return std::nullopt;
    }
    Database db = Database::open(address);
    if (!db.isValid()) {
        *reason = QStringLiteral("%1: cannot connect: %2")
                      .arg(address, oneLine(ConnectionFailureText(address, db.lastError())));
        return std::nullopt;
    }
    if (!db.hasTable(QStringLiteral("Konti"))) {
        *reason = QStringLiteral("%1: not a booking store").arg(address);
        return std::nullopt;
    }
    if (!MaySecure(db)) {
        *reason = QStringLiteral("%1: roles and rights are set up by a superuser of the server")
                      .arg(address);
        return std::nullopt;
    }
    return db;
}

CommandResult userAdd(Database& db, const QString& address, const QString& name, bool admin,
                      const QString& account, bool panel)
{
    if (!isRoleName(name))
        return refusedWith(QStringLiteral("%1: a user name is a letter or _ followed by letters, "
                                          "digits, _ . @ or -")
                               .arg(name));
    if (!IsSecuredStore(db))
        return refusedWith(
            QStringLiteral("%1: not secured yet: run vestra-admin secure first").arg(address));
    if (db.scalar(QStringLiteral("SELECT count(*) FROM konti WHERE lower(kontouser) = lower(?)"),
                  {name})
            .toInt()
        > 0)
        return refusedWith(QStringLiteral("%1: the user name %2 is taken").arg(address, name));
    std::optional<int> group;
    if (!account.isEmpty()) {
        bool number = false;
        const int id = account.toInt(&number);
        const QVariant found =
            number ? db.scalar(QStringLiteral("SELECT id FROM konti WHERE id = ?"), {id})
                   : db.scalar(QStringLiteral("SELECT min(id) FROM konti WHERE kontonavn = ?"),
                               {account});
        if (!found.isValid() || found.isNull())
            return refusedWith(QStringLiteral("%1: no account %2").arg(address, account));
        group = found.toInt();
    }
    // No password leaves the login to what pg_hba.conf allows (Kerberos, LDAP, peer).
    const QString typed = readPassword(name);
    const std::optional<QString> password =
        typed.isEmpty() ? std::nullopt : std::optional<QString>(typed);
    Transaction tx(db);
    bool ok = tx.ok();
    if (panel) {
        // A helper that shows a room's day: a login and nothing else.
        ok = ok && makeLoginRole(db, name, password, QStringLiteral("vestra_panel"));
    } else {
        // The account takes the number the server gives it, past any number
        // written into the store by hand or by a copy.
        ok = ok
             && db.exec(QStringLiteral(
                 "SELECT setval(pg_get_serial_sequence('konti', 'id'), greatest((SELECT max(id) "
                 "FROM konti), coalesce(pg_sequence_last_value(pg_get_serial_sequence('konti', "
                 "'id')::regclass), 0), 1))"));
        std::optional<int> id;
        if (ok) {
            auto q = db.query(QStringLiteral("INSERT INTO konti (kontotype, kontonavn, kontouser, "
                                             "kontopass, admin, archived) VALUES ('p', ?, ?, '', "
                                             "?, 0) RETURNING id"),
                              {name, name, admin ? -1 : 0});
            if (q && q->next())
                id = q->value(0).toInt();
        }
        ok = id
             && db.exec(QStringLiteral("INSERT INTO grptilk (gnr, pnr) VALUES (?, ?)"), {*id, *id})
             && (!group
                 || db.exec(QStringLiteral("INSERT INTO grptilk (gnr, pnr) VALUES (?, ?)"),
                            {*group, *id}))
             && makeLoginRole(db, name, password,
                              admin ? QStringLiteral("vestra_admin")
                                    : QStringLiteral("vestra_staff"));
    }
    if (!ok || !tx.commit())
        return refusedWith(
            QStringLiteral("%1: %2 not added: %3").arg(address, name, oneLine(db.lastError())));
    return {0,
            {QStringLiteral("added %1%2")
                 .arg(name, panel   ? QStringLiteral(" (room panel)")
                            : admin ? QStringLiteral(" (administrator)")
                                    : QString())},
            {}};
}

CommandResult userRemove(Database& db, const QString& address, const QString& name)
{
    // The account stays, archived, for the bookings and log lines that name it.
    Transaction tx(db);
    const bool ok = tx.ok()
                    && db.exec(QStringLiteral("UPDATE konti SET archived = -1, admin = 0 "
                                              "WHERE kontouser = ?"),
                               {name})
                    && execFormatted(db, QStringLiteral("DROP ROLE IF EXISTS %I"), {name});
    if (!ok || !tx.commit())
        return refusedWith(
            QStringLiteral("%1: %2 not removed: %3").arg(address, name, oneLine(db.lastError())));
    return {0, {QStringLiteral("removed %1").arg(name)}, {}};
}

CommandResult userAdmin(Database& db, const QString& address, const QString& name, bool on)
{
    if (db.scalar(QStringLiteral("SELECT count(*) FROM pg_roles WHERE rolname = ?"), {name}).toInt()
        == 0)
        return refusedWith(QStringLiteral("%1: no login role %2").arg(address, name));
    Transaction tx(db);
    const bool ok = tx.ok()
                    && db.exec(QStringLiteral("UPDATE konti SET admin = ? WHERE kontouser = ?"),
                               {on ? -1 : 0, name})
                    && execFormatted(db,
                                     on ? QStringLiteral("GRANT vestra_admin TO %I")
                                        : QStringLiteral("REVOKE vestra_admin FROM %I"),
                                     {name})
                    && execFormatted(db, QStringLiteral("GRANT vestra_staff TO %I"), {name});
    if (!ok || !tx.commit())
        return refusedWith(
            QStringLiteral("%1: %2 not changed: %3").arg(address, name, oneLine(db.lastError())));
    return {0,
            {QStringLiteral("%1 is %2")
                 .arg(name, on ? QStringLiteral("an administrator") : QStringLiteral("staff"))},
            {}};
}

CommandResult userList(Database& db, const QString& address)
{
    auto q = db.query(QStringLiteral(
        "SELECT r.rolname, CASE WHEN pg_has_role(r.rolname, 'vestra_admin', 'MEMBER') THEN "
        "'administrator' WHEN pg_has_role(r.rolname, 'vestra_staff', 'MEMBER') THEN 'staff' "
        "ELSE 'room panel' END, coalesce(k.id::text, '-') FROM pg_roles r LEFT JOIN konti k "
        "ON k.kontouser = r.rolname WHERE r.rolcanlogin AND NOT r.rolsuper AND "
        "((k.id IS NOT NULL AND pg_has_role(r.rolname, 'vestra_staff', 'MEMBER')) OR "
        "pg_has_role(r.rolname, 'vestra_panel', 'MEMBER')) ORDER BY r.rolname"));
    if (!q)
        return refusedWith(
            QStringLiteral("%1: cannot be read: %2").arg(address, oneLine(db.lastError())));
    CommandResult r;
    while (q->next())
        r.lines << QStringLiteral("%1 %2 account %3")
                       .arg(q->value(0).toString(), q->value(1).toString(), q->value(2).toString());
    return r;
}

} // namespace

bool MaySecure(Database& db)
{
    return db.scalar(QStringLiteral("SELECT rolsuper FROM pg_roles WHERE rolname = current_user"))
        .toBool();
}

bool SecureServerStore(Database& db, QStringList* lines, QString* error)
{
    // Two active people whose names differ only in case would share a role.
    auto clash = db.query(QStringLiteral(
        "SELECT string_agg(kontouser, ' and ' ORDER BY kontouser) FROM konti WHERE kontotype = 'p' "
        "AND (archived IS NULL OR archived = 0) AND coalesce(kontouser, '') <> '' "
        "GROUP BY lower(kontouser) HAVING count(*) > 1"));
    if (!clash) {
        *error = oneLine(db.lastError());
        return false;
    }
    if (clash->next()) {
        *error = QStringLiteral("the user names %1 differ only in case; rename one first")
                     .arg(clash->value(0).toString());
        return false;
    }
    clash.reset();
    const QString schema =
        formatted(db, QStringLiteral("%I"), {db.scalar(QStringLiteral("SELECT current_schema()"))})
            .value_or(QString());
    Transaction tx(db);
    if (!tx.ok() || !runAll(db, securityStatements(schema), error))
        return false;
    auto people = db.query(QStringLiteral(
        "SELECT kontouser, admin FROM konti WHERE kontotype = 'p' AND (archived IS NULL OR "
        "archived = 0) AND coalesce(kontouser, '') <> '' ORDER BY id"));
    if (!people) {
        *error = oneLine(db.lastError());
        return false;
    }
    QList<QPair<QString, bool>> found;
    while (people->next())
        found.append({people->value(0).toString(), people->value(1).toInt() != 0});
    people.reset();
    for (const auto& [name, admin] : found) {
        const QString group =
            admin ? QStringLiteral("vestra_admin") : QStringLiteral("vestra_staff");
        if (!makeLoginRole(db, name, std::nullopt, group)
            || (!admin
                && !execFormatted(db, QStringLiteral("REVOKE vestra_admin FROM %I"), {name}))) {
            *error = oneLine(db.lastError());
            return false;
        }
        *lines << QStringLiteral("login role %1 (%2)")
                      .arg(name, admin ? QStringLiteral("administrator") : QStringLiteral("staff"));
    }
    if (!tx.commit()) {
        *error = oneLine(db.lastError());
        return false;
    }
    return true;
}

std::optional<CommandResult> RunSecurityCommand(const QStringList& a)
{
    const QString command = a.value(0);
    if (command != QStringLiteral("secure") && command != QStringLiteral("prune-log")
        && command != QStringLiteral("user"))
        return std::nullopt;
    const bool user = command == QStringLiteral("user");
    const QString sub = user ? a.value(1) : QString();
    const QString address = a.value(user ? 2 : 1);
    const int fixed = user ? (sub == QStringLiteral("list")    ? 3
                              : sub == QStringLiteral("admin") ? 5
                                                               : 4)
                           : 2;
    if (a.size() < fixed || ((!user || sub != QStringLiteral("add")) && a.size() != fixed))
        return refusedWith(kUserUsage, 2);
    bool admin = false, panel = false;
    QString account;
    for (int i = fixed; i < a.size(); ++i) {
        if (a[i] == QStringLiteral("--admin"))
            admin = true;
        else if (a[i] == QStringLiteral("--panel"))
            panel = true;
        else if (a[i] == QStringLiteral("--account") && i + 1 < a.size())
            account = a[++i];
        else
            return refusedWith(kUserUsage, 2);
    }
    if (panel && (admin || !account.isEmpty()))
        return refusedWith(QStringLiteral("a room panel's login is no one's account"), 2);
    if (user && sub != QStringLiteral("add") && sub != QStringLiteral("remove")
        && sub != QStringLiteral("admin") && sub != QStringLiteral("list"))
        return refusedWith(kUserUsage, 2);
    if (sub == QStringLiteral("admin") && a[4] != QStringLiteral("on")
        && a[4] != QStringLiteral("off"))
        return refusedWith(kUserUsage, 2);

    QString reason;
    std::optional<Database> db = securedServer(address, &reason);
    if (!db)
        return refusedWith(reason);
    if (command == QStringLiteral("secure")) {
        // The rights are set up for the tables and functions of this version.
        const int latest = LatestVersion(BookingFileSteps());
        if (db->schemaVersion() < latest)
            return refusedWith(QStringLiteral("%1: schema version %2 is older than this "
                                              "vestra-admin's (%3): run vestra-admin upgrade first")
                                   .arg(address)
                                   .arg(db->schemaVersion())
                                   .arg(latest));
        CommandResult r;
        QString error;
        if (!SecureServerStore(*db, &r.lines, &error))
            return refusedWith(QStringLiteral("%1: not secured: %2").arg(address, error));
        r.lines.prepend(QStringLiteral("secured %1").arg(address));
        return r;
    }
    if (command == QStringLiteral("prune-log")) {
        const QVariant n = db->scalar(QStringLiteral("SELECT vestra_prune_log()"));
        if (!n.isValid())
            return refusedWith(
                QStringLiteral("%1: not pruned: %2").arg(address, oneLine(db->lastError())));
        return CommandResult{
            0, {QStringLiteral("removed %1 change log rows").arg(n.toLongLong())}, {}};
    }
    if (sub == QStringLiteral("add"))
        return userAdd(*db, address, a[3], admin, account, panel);
    if (sub == QStringLiteral("remove"))
        return userRemove(*db, address, a[3]);
    if (sub == QStringLiteral("admin"))
        return userAdmin(*db, address, a[3], a[4] == QStringLiteral("on"));
    return userList(*db, address);
}

} // namespace vestra::admin
