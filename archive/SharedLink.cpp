#include "SharedLink.h"

#include "SharedSchema.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QVariant>
#include <atomic>
#include <cstring>
#include <vector>

#include <libpq-fe.h>

namespace vemla {

namespace {


QString NewConnectionName() {
    static std::atomic<int> next{0}; // only a counter: every link has its own connection
    return QStringLiteral("vemla-shared-%1").arg(next++);
}

} // namespace

SharedLink::SharedLink() = default;

SharedLink::~SharedLink() {
    Close();
}

bool SharedLink::Open(const QString& server, int timeoutS) {
    Close();
    m_fault = {};
    m_connection = NewConnectionName();
    {
        // Ours first, so the server's own string wins where it says otherwise.
        QSqlDatabase db = OpenShared(QStringLiteral("connect_timeout=%1 keepalives_idle=10 "
                                                    "keepalives_interval=5 keepalives_count=3 "
                                                    "application_name=vemla %2")
                                         .arg(timeoutS)
                                         .arg(server),
                                     m_connection, &m_fault.message);
        const QVariant handle = db.isOpen() ? db.driver()->handle() : QVariant();
        // "PGconn*" to some Qt versions, "pg_conn*" to others: the same type.
        if (handle.isValid() && (qstrcmp(handle.typeName(), "PGconn*") == 0 ||
                                 qstrcmp(handle.typeName(), "pg_conn*") == 0))
            m_conn = *static_cast<PGconn* const*>(handle.constData());
        m_fault.message = m_fault.message.trimmed();
    }
    if (!m_conn) {
        Close();
        return false;
    }
    PQsetNoticeProcessor(m_conn, [](void*, const char*) {}, nullptr);
    const std::lock_guard lock(m_cancelMutex);
    m_cancel = PQgetCancel(m_conn);
    return true;
}

void SharedLink::Close() {
    {
        const std::lock_guard lock(m_cancelMutex);
        if (m_cancel)
            PQfreeCancel(m_cancel);
        m_cancel = nullptr;
    }
    m_conn = nullptr;
    if (m_connection.isEmpty())
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(std::exchange(m_connection, {}));
}

void SharedLink::Cancel() {
    const std::lock_guard lock(m_cancelMutex);
    char why[256];
    if (m_cancel)
        PQcancel(m_cancel, why, sizeof why);
}

void SharedLink::NoteFault(PGresult* result) {
    const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    const char* primary = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    m_fault.refused = state && IsPermissionRefused(QLatin1String(state));
    m_fault.message = QString::fromUtf8(primary ? primary : PQerrorMessage(m_conn)).trimmed();
}

PGresult* SharedLink::Run(const char* sql, std::initializer_list<PgValue> params) {
    if (!m_conn) {
        m_fault = {false, QStringLiteral("not connected")};
        return nullptr;
    }
    std::vector<const char*> values;
    for (const PgValue& p : params)
        values.push_back(p.Data());
    return PQexecParams(m_conn, sql, int(values.size()), nullptr, values.data(), nullptr,
                        nullptr, 0);
}

// Frees the result; false, with the fault noted, unless it has the status expected.
bool SharedLink::Check(PGresult* result, int expected) {
    const bool ok = result && PQresultStatus(result) == expected;
    if (!ok && m_conn)
        NoteFault(result);
    PQclear(result);
    return ok;
}

bool SharedLink::Exec(const char* sql, std::initializer_list<PgValue> params) {
    PGresult* result = Run(sql, params);
    if (result && PQresultStatus(result) == PGRES_TUPLES_OK)
        return PQclear(result), true;
    return Check(result, PGRES_COMMAND_OK);
}

std::optional<int> SharedLink::Rows(const char* sql, std::initializer_list<PgValue> params) {
    PGresult* result = Run(sql, params);
    const int rows = result ? PQntuples(result) : 0;
    return Check(result, PGRES_TUPLES_OK) ? std::optional<int>(rows) : std::nullopt;
}

std::optional<QString> SharedLink::Value(const char* sql, std::initializer_list<PgValue> params) {
    PGresult* result = Run(sql, params);
    QString value;
    if (result && PQntuples(result) > 0 && PQnfields(result) > 0)
        value = QString::fromUtf8(PQgetvalue(result, 0, 0));
    return Check(result, PGRES_TUPLES_OK) ? std::optional<QString>(value) : std::nullopt;
}

bool SharedLink::Each(const char* sql, std::initializer_list<PgValue> params,
                      const std::function<void(const std::function<QByteArray(int)>&)>& row) {
    PGresult* result = Run(sql, params);
    if (result && PQresultStatus(result) == PGRES_TUPLES_OK) {
        for (int r = 0; r < PQntuples(result); ++r)
            row([&](int column) {
                return QByteArray(PQgetvalue(result, r, column), PQgetlength(result, r, column));
            });
    }
    return Check(result, PGRES_TUPLES_OK);
}

void SharedLink::Rollback() {
    if (!m_conn)
        return;
    const LinkFault kept = m_fault;
    PQclear(PQexec(m_conn, "ROLLBACK"));
    m_fault = kept;
}

bool SharedLink::BeginCopy(const char* sql) {
    return m_conn && Check(PQexec(m_conn, sql), PGRES_COPY_IN);
}

bool SharedLink::PutCopy(const std::string& data) {
    if (data.empty() || PQputCopyData(m_conn, data.data(), int(data.size())) == 1)
        return true;
    NoteFault(nullptr);
    return false;
}

bool SharedLink::EndCopy(const char* error) {
    if (PQputCopyEnd(m_conn, error) != 1) {
        NoteFault(nullptr);
        return false;
    }
    bool ok = true;
    // The COPY's own result, then the end of results.
    while (PGresult* result = PQgetResult(m_conn))
        ok = Check(result, PGRES_COMMAND_OK) && ok;
    return ok && !error;
}

} // namespace vemla
