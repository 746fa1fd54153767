#pragma once
// The fixture every window test starts from: a fresh configuration, boxes that answer
// themselves, the window over a port list the test fills, the report seams, and the operator's
// input as real events. Each suite says at its top which lower-layer suite covers what, so
// nothing here repeats it.

#include "ArchivePart.h"
#include "CellEdit.h"
#include "CertificationPart.h"
#include "EditList.h"
#include "ExportPart.h"
#include "FixedPortSource.h"
#include "FreshConfig.h"
#include "MainMenu.h"
#include "MeterDlg.h"
#include "PopupPick.h"
#include "PortStatusPart.h"
#include "PtyPair.h"
#include "RecordFrame.h"
#include "RecordingMessageBox.h"
#include "Report.h"
#include "StatusLine.h"
#include "WaveListDlg.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

namespace vemla::test {

using namespace std::chrono_literals;

// The report seams: records what SAVE OR PRINT hands over and opens nothing.
class RecordingReport final : public IDocumentWriter, public IReportOpener {
public:
    bool Prepare(const UploadDocument& document, FileCommit& file, QString*) override {
        written.push_back(document);
        return file.Open(); // a file, so the next report gets a name of its own
    }
    bool Open(const QString& path) override { return opened << path, true; }
    std::vector<UploadDocument> written;
    QStringList opened;
};

// The group box's title, or the label's or button's text.
inline QString Caption(const CMeterDlg& dlg, int id) {
    const QVariant title = dlg.Control(id)->property("title");
    return (title.isValid() ? title : dlg.Control(id)->property("text")).toString();
}

// Where a click on the cell lands.
inline QPoint CellCentre(const QAbstractItemView& view, int row, int column = 0) {
    return view.visualRect(view.model()->index(row, column)).center();
}

class WindowTest : public ::testing::Test {
protected:
    explicit WindowTest(std::optional<QByteArray> ini = std::nullopt) : config(std::move(ini)) {}

    void Show() {
        dlg.show();
        QApplication::setActiveWindow(&dlg);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    }
    // The modeless wavelength list, made hidden with the window.
    CWaveListDlg& WaveList() const { return *dlg.findChild<CWaveListDlg*>(); }
    QComboBox* Combo(int id) const { return dlg.ControlAs<QComboBox>(id); }
    QString Text(int id) const { return dlg.ControlAs<QLineEdit>(id)->text(); }
    void SetText(int id, const QString& t) { dlg.ControlAs<QLineEdit>(id)->setText(t); }
    void Click(int id) { dlg.ControlAs<QPushButton>(id)->click(); }
    void Feed(const Bytes& bytes) { test::Feed(dlg, bytes); }
    void MenuEntry(MainMenu::Menu menu, int entry) {
        ClickMenuEntry(dlg.findChild<QMenuBar*>(), dlg.Menu().MenuOf(menu), entry);
    }
    // The first port of the list picked and opened with the mouse, as the operator does.
    void ClickOpenPort() {
        ClickEntry(Combo(idc::kPortList), 0);
        QTest::mouseClick(dlg.Control(idc::kPortButton), Qt::LeftButton);
        ASSERT_TRUE(WaitUntil([&] { return dlg.Port().IsMonitoring(); }));
    }

    FreshConfig config;
    RecordingMessageBox boxes;
    std::shared_ptr<std::vector<PortCandidate>> ports =
        std::make_shared<std::vector<PortCandidate>>();
    CMeterDlg dlg{boxes, std::make_unique<FixedPortSource>(ports)};
    QTemporaryDir folder;
    RecordingReport report;
};

} // namespace vemla::test
