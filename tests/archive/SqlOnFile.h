#pragma once
// Changes an archive file behind the program's back, from a connection of its own: as an older
// Vemla, another process or a hand editing the file would.

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>

namespace vemla::test {

// Runs the statements in order; false at the first that fails.
inline bool ExecOn(const QString& path, const QStringList& sql) {
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "other");
        db.setDatabaseName(path);
        ok = db.open();
        for (const QString& statement : sql)
            ok = ok && QSqlQuery(db).exec(statement);
    }
    QSqlDatabase::removeDatabase("other");
    return ok;
}

} // namespace vemla::test
