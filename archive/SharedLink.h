#pragma once
// One connection to the shared archive's server: opened through Qt SQL's PostgreSQL driver, its
// statements and COPY sent through libpq on that driver's own connection (Qt's binding would
// cost more than the transfer). Used on one thread; Cancel alone comes from another.

#include <QByteArray>
#include <QString>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <optional>
#include <string>

struct pg_conn;
struct pg_cancel;
struct pg_result;

namespace vemla {

// Why the last call failed: the server's words, and whether it refused a permission.
struct LinkFault {
    bool refused = false;
    QString message;
};

// A statement's parameter in PostgreSQL's text form.
class PgValue {
public:
    PgValue(const QString& s) : m_bytes(s.toUtf8()) {}
    PgValue(qint64 v) : m_bytes(QByteArray::number(v)) {}
    PgValue(int v) : m_bytes(QByteArray::number(v)) {}
    PgValue(bool v) : m_bytes(v ? "t" : "f") {}
    PgValue(const char*) = delete; // would be taken as a bool
    const char* Data() const { return m_bytes.constData(); }

private:
    QByteArray m_bytes;
};

class SharedLink {
public:
    static constexpr std::size_t kCopyChunk = std::size_t(1) << 18;

    SharedLink();
    ~SharedLink();
    SharedLink(const SharedLink&) = delete;
    SharedLink& operator=(const SharedLink&) = delete;

    // `server`: a libpq connection string or "service=NAME"; a connection attempt gives up
    // after `timeoutS` seconds.
    bool Open(const QString& server, int timeoutS);
    bool IsOpen() const { return m_conn != nullptr; }
    void Close();

    bool Exec(const char* sql, std::initializer_list<PgValue> params = {});
    // The rows a statement returned.
    std::optional<int> Rows(const char* sql, std::initializer_list<PgValue> params = {});
    // The first row's first value ("" when NULL or no row).
    std::optional<QString> Value(const char* sql, std::initializer_list<PgValue> params = {});
    // Every row of a query, its values as text by column.
    bool Each(const char* sql, std::initializer_list<PgValue> params,
              const std::function<void(const std::function<QByteArray(int)>&)>& row);
    // Rolls back a transaction under way, keeping the fault that made it necessary.
    void Rollback();

    bool BeginCopy(const char* sql);
    bool PutCopy(const std::string& data);
    // `error`: the COPY is abandoned with this reason, and the transaction with it.
    bool EndCopy(const char* error = nullptr);

    // From any thread: a statement in flight on the server is cancelled.
    void Cancel();
    LinkFault LastFault() const { return m_fault; }

private:
    pg_result* Run(const char* sql, std::initializer_list<PgValue> params);
    bool Check(pg_result* result, int expected);
    void NoteFault(pg_result* result);

    QString m_connection; // Qt SQL's name for it
    pg_conn* m_conn = nullptr;
    std::mutex m_cancelMutex;
    pg_cancel* m_cancel = nullptr;
    LinkFault m_fault;
};

} // namespace vemla
