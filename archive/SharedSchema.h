#pragma once
// The lab's shared archive: one PostgreSQL database every station pushes its uploads to and
// pulls the others' from. Its schema goes forward in numbered steps as the local archive's does
// (the step reached is kept in vemla_schema). Three group roles say what a login may do, and the
// server enforces it with grants and row-level security, so a program that misbehaves cannot
// write what its login may not:
//   vemla_viewer      reads everything;
//   vemla_technician  reads everything, writes uploads, readings and project changes only for
//                     stations the login registered itself (station.owner);
//   vemla_manager     writes everything, a correction on another station's upload included.
// Bulk loads into record go through a temporary table and INSERT ... SELECT: PostgreSQL refuses
// COPY FROM into a table with row-level security to anyone but the table's owner.

#include "Texts.h"

#include <QSqlDatabase>
#include <QString>

class QSqlError;

namespace vemla {

// The newest schema step this program knows.
extern const int kSharedSchemaVersion;

// Where a station finds its server: the environment wins over the user's setting.
inline constexpr char kSharedServerKey[] = "SharedArchive/Server";
inline constexpr char kSharedServerVariable[] = "VEMLA_ARCHIVE_SERVER";

// libpq's connection string or service name ("service=lab", "host=... dbname=..."), from
// VEMLA_ARCHIVE_SERVER or else the window's setting; empty when neither names one.
QString ConfiguredSharedServer();

// A QPSQL connection of that name on conninfo, open; when it cannot be opened, `error` has
// libpq's reason and the connection is closed. Passwords come only from libpq's own files.
QSqlDatabase OpenShared(const QString& conninfo, const QString& connectionName, QString* error);

// The server refused for want of a privilege, a grant or a row-level policy: SQLSTATE 42501.
bool IsPermissionRefused(const QString& sqlState);
bool IsPermissionRefused(const QSqlError& error);
// The server's own words for a failure on one line, without the severity and SQLSTATE QPSQL
// wraps them in.
QString ServerWords(const QSqlError& error);
// What the operator is told of a failed statement: the refusal's one message, or the failure.
QString SharedFailureMessage(const QSqlError& error, Language language);

// Creates the schema on an empty database, or takes it forward to kSharedSchemaVersion, in one
// transaction, making the roles when absent. Run again it changes nothing and says it is up to
// date. A server at a newer step is left alone (false). `message` tells what happened in
// `language`; `refused` tells a missing privilege from any other failure.
bool InitServer(const QString& conninfo, Language language, QString* message,
                bool* refused = nullptr);

} // namespace vemla
