#pragma once
// Takes a file back to before the shared archive's outbox and its projects' marks, as files of
// that time have it.
#include <QStringList>

namespace vemla::test {

inline QStringList WithoutOutbox() {
    return {"DROP TABLE project_sync", "DROP TRIGGER job_id_kept", "DROP TABLE job_id_high", "DROP INDEX job_remote",
            "ALTER TABLE job DROP COLUMN remote_id", "ALTER TABLE job DROP COLUMN station",
            "DROP INDEX version_outbox", "ALTER TABLE version DROP COLUMN pulled",
            "ALTER TABLE version DROP COLUMN made_by", "ALTER TABLE version DROP COLUMN claimed_from",
            "ALTER TABLE version DROP COLUMN pushed_rows", "ALTER TABLE version DROP COLUMN pushed_seq",
            "ALTER TABLE version DROP COLUMN change_seq", "DROP TABLE sync_station"};
}

} // namespace vemla::test
