// The menu bar's entries, each handing its errand to the window or the part that owns it.
#include "ArchivePart.h"
#include "CertificationPart.h"
#include "ExportPart.h"
#include "MainMenu.h"
#include "MeterDlg.h"
#include "ReferenceTexts.h"
#include "SharedArchivePart.h"
#include "SharedTexts.h"

#include <QMenu>

namespace vemla {

void CMeterDlg::BuildMenu() {
    using Menu = MainMenu::Menu;
    m_menu->Add(
        Menu::File, text::kMenuHistory, [this] { m_archive->ShowHistory(); },
        QKeySequence(Qt::CTRL | Qt::Key_H));
    m_menu->Add(Menu::File, sharedtext::kMenuShared, [this] { m_shared->OpenDialog(); });
    m_menu->Add(Menu::File, text::kMenuExportCsv, [this] { m_export->WriteCsv(Document(), this); });
    m_menu->Add(Menu::File, text::kMenuReport, [this] { OnSaveOrPrint(); });
    m_exportPdf = m_menu->Add(Menu::File, text::kMenuExportPdf,
                              [this] { m_export->WriteCertificatePdf(Document()); });
    m_print = m_menu->Add(Menu::File, text::kMenuPrint,
                          [this] { m_export->PrintCertificate(Document()); });
    QObject::connect(m_menu->MenuOf(Menu::File), &QMenu::aboutToShow, this,
                     [this] { EnableCertificateEntries(); });
    m_menu->AddSeparator(Menu::File);
    m_menu->Add(Menu::File, text::kMenuExit, [this] { accept(); });
    m_menu->Add(Menu::Measure, text::kMenuConnect, [this] { OnConnect(); });
    m_menu->Add(Menu::Measure, text::kMenuUpload, [this] { OnUpload(); });
    m_menu->Add(Menu::Measure, text::kMenuReadPower, [this] { OnReadPower(); });
    m_menu->Add(
        Menu::Measure, text::kMenuLivePower, [this] { OpenLiveMonitor(); },
        QKeySequence(Qt::Key_F5));
    m_menu->AddOption(Menu::Measure, text::kMenuAutoReconnect, m_session.AutoReconnect(),
                      [this](bool on) { m_session.SetAutoReconnect(on); });
    m_menu->Add(Menu::Measure, text::kMenuLossLimits,
                [this] { m_certification->OpenLimitsDialog(); });
    m_menu->Add(Menu::Measure, text::kMenuFillSeries, [this] { m_certification->FillSeries(); });
    m_menu->Add(Menu::Measure, text::kMenuProjects, [this] { m_archive->ShowProjects(); });
    m_menu->Add(Menu::Measure, reftext::kMenuReferences,
                [this] { m_certification->OpenReferenceDialog(); });
    m_menu->Add(Menu::Help, text::kMenuAbout, [this] { ShowAbout(); });
}

} // namespace vemla
