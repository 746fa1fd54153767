// The child of the kill test: a session keeping its upload from the paced simulated meter. It
// prints each row as it reaches the table ("row<TAB>count<TAB>texts...") and, once the upload
// is done and a note and a header field are typed, "noted"; then it runs until killed.
//   test_archive_kill_helper ARCHIVE RECORDS TAG
#include "ArchiveKeeper.h"
#include "FixedPortSource.h"
#include "MeterSession.h"
#include "MeterSimulator.h"
#include "PtyPair.h"
#include "RecordingPresenter.h"

#include <QCoreApplication>
#include <QTimer>

#include <unistd.h>

using namespace vemla;

namespace {

void Say(const QString& line) {
    const QByteArray bytes = (line + QLatin1Char('\n')).toUtf8();
    (void)!::write(STDOUT_FILENO, bytes.constData(), static_cast<size_t>(bytes.size()));
}

// Sits where the table's model does: a row printed here has reached the table.
struct TableProbe final : IRecordListener {
    explicit TableProbe(const RecordList& rows) : m_rows(rows) {}
    void RowAboutToBeInserted(int) override {}
    void RowInserted() override {
        QStringList line{QStringLiteral("row"), QString::number(m_rows.Count())};
        for (int c = 0; c < kTableColumns; ++c)
            line << m_rows.Text(m_rows.Count() - 1, c);
        Say(line.join(QLatin1Char('\t')));
    }
    void AboutToClear() override {}
    void Cleared() override {}
    void TextChanged(int, int) override {}
    const RecordList& m_rows;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 4)
        return 2;
    const QString tag = QString::fromLocal8Bit(argv[3]);
    SimOptions options;
    options.records = QByteArray(argv[2]).toInt();
    options.paced = true;
    MeterSimulator meter(options);
    if (!meter.Start())
        return 3;
    test::RecordingPresenter presenter;
    MeterSession session(presenter, std::make_unique<test::FixedPortSource>(
                                        std::make_shared<std::vector<PortCandidate>>()));
    TableProbe probe(session.Records());
    session.Records().SetListener(&probe);
    ArchiveKeeper keeper(session);
    if (keeper.Open(QString::fromLocal8Bit(argv[1])).state != ArchiveState::ReadWrite)
        return 4;
    session.SetHeaderField(&HeaderFields::company, tag);
    session.Ports().AddVirtual(meter.DevicePath(), "simulated meter");
    session.PortListDropDown();
    if (session.TogglePort(0) != MeterSession::ToggleResult::Opened ||
        !test::WaitUntil([&] { return session.Port().IsMonitoring(); }))
        return 5;
    presenter.whileOpen = [&](const test::RecordingPresenter::Box&) {
        QTimer::singleShot(0, [&] {
            session.Records().SetText(0, kTableColumns - 1, QStringLiteral("note-") + tag);
            session.SetHeaderField(&HeaderFields::notes, QStringLiteral("typed-") + tag);
            Say(QStringLiteral("noted"));
        });
    };
    session.Upload();
    return app.exec();
}
