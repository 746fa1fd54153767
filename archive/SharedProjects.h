#pragma once
// Projects across the lab's stations, beside the shared archive's records: this station's uploads
// given to projects, their readings and the projects' history go to the server; the server's
// projects and plans, and the readings the other stations gave, come into the local archive, so
// the project window and the command line show the whole lab from the local file.
//
// What wins: the server's plan. A plan exists on the server once a manager's station sent it;
// from then on every station's copy of it is the server's, and a plan changed here is replaced
// at the next pull (a line in the project's history says so). A project only this station knows
// is sent with its plan when the login may write plans, and otherwise stays local.

#include <QString>
#include <functional>
#include <memory>

namespace vemla {

class SharedLink;
struct SyncResult;

class SharedProjects {
public:
    SharedProjects();
    ~SharedProjects();
    SharedProjects(const SharedProjects&) = delete;
    SharedProjects& operator=(const SharedProjects&) = delete;

    // After the records' push: each project changed here since its last push has this
    // station's uploads, readings and history lines sent whole, in one server transaction, so a
    // reading undone or moved here is gone there too. `connect` opens `link`, asked only when
    // there is something to send. False with `r` told why.
    bool Push(SharedLink& link, const std::function<bool()>& connect, const QString& archivePath,
              const QString& station, SyncResult& r);
    // After the other stations' uploads were received: the server's projects and plans, then
    // the others' readings mapped to the local copies of their uploads, replacing the ones taken
    // before. A reading whose upload has not come yet is taken at a later pull.
    bool Pull(SharedLink& link, const QString& archivePath, const QString& station,
              SyncResult& r);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace vemla
