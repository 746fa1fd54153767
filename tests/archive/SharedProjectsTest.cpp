// Projects across the lab on a real server: a manager's plan and her changes to it reach every
// station, each station's readings reach the others (none lost where two tested the same cable
// ID), and the server's plan wins over one a technician changed at a station.
#include "ProjectStore.h"
#include "ReplyEncoder.h"
#include "SharedSyncFixture.h"

#include <algorithm>

namespace vemla {
namespace {

using test::PgCluster;
using test::SharedFixture;

CableLink Cable(const char* id) {
    return {QString::fromLatin1(id), {}, {}, {}, {}, {}, {}};
}

// A station with its projects; its uploads are readings at 1310 nm (loss, NOTE), tied A→B.
struct Lab : test::Station {
    explicit Lab(const QString& file) : Station(file) { EXPECT_TRUE(store.Open(path, &error)); }
    void Give(const QString& project, std::initializer_list<std::pair<float, const char*>> rows) {
        cursor = {};
        std::vector<ArchiveOp> ops{archive_op::BeginJob{
            QDateTime::currentDateTime(), 0, "sim", {1310}, {}, Language::English, {}}};
        int row = 0;
        for (const auto& [loss, note] : rows) {
            archive_op::AddRecord add{row, {}, {}};
            const std::vector<uint8_t> frame = EncodeRecordReply(
                {uint16_t(row++), 1310, -loss, 0.0f, true, {26, 1, 2, 3, 4}});
            std::copy_n(frame.begin(), std::min(frame.size(), add.raw.size()), add.raw.begin());
            add.texts[kTableColumns - 1] = QString::fromLatin1(note);
            ops.push_back(add);
        }
        ASSERT_TRUE(Apply(ops));
        ASSERT_TRUE(store.Tie(*store.Find(project), cursor.job, Direction::AtoB, Language::English,
                              &error))
            << error.toStdString();
    }
    // "J02 1.60 1.70": each cable ID's readings, sorted (each station lists its own first).
    std::vector<std::string> Readings(const QString& project) {
        std::vector<std::string> out;
        const std::optional<StoredProject> p = store.Find(project);
        const std::optional<ProjectLedger> ledger = p ? store.Ledger(*p) : std::nullopt;
        for (int id = 0; ledger && id < int(ledger->Plan().size()); ++id) {
            QStringList line;
            for (const ProjectReading& r : ledger->Slot(id, 1310, Direction::AtoB)->readings)
                line << QString::number(-r.values.power, 'f', 2);
            line.sort();
            out.push_back((QStringList{ledger->Plan()[size_t(id)].id} + line).join(' ').toStdString());
        }
        return out;
    }
    ProjectStore store;
    QString error;
};

TEST_F(SharedFixture, EveryStationSeesTheWholeLabsReadingsOnTheSharedPlan) {
    VEMLA_REQUIRE_PG(cluster);
    ASSERT_TRUE(Serve(cluster, "projects"));
    Lab meg(dir.filePath("meg.sqlite")), tom(dir.filePath("tom.sqlite")),
        tina(dir.filePath("tina.sqlite"));
    const auto sync = [&](Lab& st, const char* login) {
        const SyncResult r = SharedSync(st.path, Login(cluster, login)).SyncOnce();
        EXPECT_EQ(r.outcome, SyncResult::Outcome::Done) << login << ": " << r.reason.toStdString();
    };
    const QString name = QStringLiteral("Tower B");
    StoredProject project;
    project.info.name = name;
    project.waves = {1310};
    QString error;
    // A technician's own project stays his: no plan of his reaches the server.
    StoredProject own = project;
    own.info.name = QStringLiteral("Tom's");
    ASSERT_TRUE(tom.store.Create(own, {Cable("T1")}, Language::English, &error));
    ASSERT_TRUE(meg.store.Create(project, {Cable("J01"), Cable("J02"), Cable("J03")},
                                 Language::English, &error));
    for (auto [st, login] : {std::pair{&meg, "meg"}, {&tom, "tom"}, {&tina, "tina"}})
        sync(*st, login);
    tom.Give(name, {{1.50f, "J01"}, {1.60f, "J02"}});
    tina.Give(name, {{1.70f, "J02"}, {1.80f, "J03"}});
    for (auto [st, login] : {std::pair{&tom, "tom"}, {&tina, "tina"}, {&tom, "tom"}, {&meg, "meg"}})
        sync(*st, login);
    // The manager adds to the shared plan at her station: every station takes it.
    ASSERT_TRUE(meg.store.AddCables(meg.store.Find(name)->id, {Cable("J04")}, Language::English,
                                    &error));
    for (auto [st, login] : {std::pair{&meg, "meg"}, {&tom, "tom"}, {&tina, "tina"}})
        sync(*st, login);
    const std::vector<std::string> lab{"J01 1.50", "J02 1.60 1.70", "J03 1.80", "J04"};
    for (Lab* st : {&meg, &tom, &tina})
        EXPECT_EQ(st->Readings(name), lab) << st->path.toStdString();
    EXPECT_EQ(super.Value("SELECT string_agg(name, ',') FROM project"), name);

    // Tom renames J01 here; the server's plan comes back over it, his reading stays with it.
    const qint64 at = tom.store.Find(name)->id;
    ASSERT_TRUE(tom.store.EditCable(at, 0, Cable("J01X"), Language::English, &error));
    sync(tom, "tom");
    EXPECT_EQ(tom.Readings(name), lab);
    EXPECT_EQ(tom.store.History(at).back().what, QStringLiteral("plan replaced by the shared plan"));
}

} // namespace
} // namespace vemla
