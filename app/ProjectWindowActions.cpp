// The project window's actions: the corrections on the current cell, their undo and history,
// and the certificate's print and export, as buttons and on the table's context menu.
#include "ProjectWindow.h"

#include "MessageBox.h"
#include "ProjectDialogs.h"
#include "ProjectStore.h"

#include <QAction>
#include <QMenu>
#include <QTableView>

namespace vemla {
namespace {

// A dialog over the window, window-modal, gone once answered; `accepted` runs on OK.
template <typename Dialog> void OpenDialog(Dialog* dialog, std::function<void(Dialog&)> accepted) {
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(dialog, &QDialog::accepted, dialog,
                     [dialog, accepted = std::move(accepted)] { accepted(*dialog); });
    dialog->open();
}

} // namespace

void ProjectWindow::MakeActions() {
    const auto make = [this](QAction*& action, void (ProjectWindow::*slot)()) {
        action = new QAction(this);
        connect(action, &QAction::triggered, this, slot);
        addAction(action);
    };
    make(m_move, &ProjectWindow::MoveReading);
    make(m_clear, &ProjectWindow::ClearReading);
    make(m_readings, &ProjectWindow::ChooseReading);
    make(m_edit, &ProjectWindow::EditCable);
    make(m_undo, &ProjectWindow::UndoChange);
    make(m_history, &ProjectWindow::ShowHistory);
    make(m_print, &ProjectWindow::Print);
    make(m_export, &ProjectWindow::Export);
    m_undo->setShortcut(QKeySequence::Undo);
    for (QAction* action : actions())
        m_menu->addAction(action);
    m_menu->insertSeparator(m_undo);
    m_menu->insertSeparator(m_print);
}

void ProjectWindow::RetranslateActions() {
    const std::pair<QAction*, const BilingualText*> texts[] = {
        {m_move, &text::kProjectMoveTo},       {m_clear, &text::kProjectClear},
        {m_readings, &text::kProjectReadings}, {m_edit, &text::kProjectEditCable},
        {m_history, &text::kProjectHistory},   {m_print, &text::kProjectPrint},
        {m_export, &text::kProjectExport}};
    for (const auto& [action, caption] : texts)
        action->setText(Pick(*caption, m_language));
}

void ProjectWindow::UpdateActions() {
    const Target target = Current();
    const std::optional<StoredProject> project = Chosen();
    for (QAction* action : {m_move, m_clear, m_readings})
        action->setEnabled(target.place >= 0 && target.slot.has_value());
    m_edit->setEnabled(target.place >= 0);
    for (QAction* action : {m_history, m_print, m_export})
        action->setEnabled(m_report != nullptr);
    // Says what it will undo, so the operator knows before pressing it.
    const QString undoable = project ? m_store->UndoableChange(*project) : QString();
    m_undo->setEnabled(!undoable.isEmpty());
    m_undo->setText(undoable.isEmpty() ? Pick(text::kProjectUndo, m_language)
                                       : Pick(text::kProjectUndoWhat, m_language).arg(undoable));
    m_undo->setToolTip(m_undo->text());
}

void ProjectWindow::ShowMenu(const QPoint& at) {
    UpdateActions();
    m_menu->exec(m_table->viewport()->mapToGlobal(at));
}

void ProjectWindow::MoveReading() {
    const Target t = Current();
    if (!m_ledger || t.place < 0 || !t.slot)
        return;
    const QString title = Pick(text::kProjectMoveTitle, m_language)
                              .arg(SlotText(t.slot->wavelength, t.slot->direction),
                                   m_ledger->Plan()[size_t(t.place)].id);
    OpenDialog<MoveReadingDlg>(
        new MoveReadingDlg(m_ledger->Plan(), title, m_language, this), [this, t](auto& dialog) {
            const int to = m_ledger->IdIndex(dialog.Target());
            Change([&](const StoredProject& project, QString* error) {
                return m_store->Move(project, t.place, to, t.slot->wavelength, t.slot->direction,
                                     m_language, error);
            });
        });
}

void ProjectWindow::ClearReading() {
    const Target t = Current();
    if (t.place < 0 || !t.slot)
        return;
    Change([&](const StoredProject& project, QString* error) {
        return m_store->Clear(project, t.place, t.slot->wavelength, t.slot->direction, m_language,
                              error);
    });
}

void ProjectWindow::ChooseReading() {
    const Target t = Current();
    const ReadingSlot* slot = m_ledger && t.place >= 0 && t.slot
                                  ? m_ledger->Slot(t.place, t.slot->wavelength, t.slot->direction)
                                  : nullptr;
    if (!slot)
        return;
    const QString title = Pick(text::kProjectReadingsTitle, m_language)
                              .arg(SlotText(t.slot->wavelength, t.slot->direction),
                                   m_ledger->Plan()[size_t(t.place)].id);
    OpenDialog<ReadingsDlg>(
        new ReadingsDlg(*slot, m_report->info.certification, title, m_language, this),
        [this, t](auto& dialog) {
            Change([&](const StoredProject& project, QString* error) {
                return m_store->Choose(project, t.place, t.slot->wavelength, t.slot->direction,
                                       dialog.Chosen(), m_language, error);
            });
        });
}

void ProjectWindow::EditCable() {
    const Target t = Current();
    if (!m_ledger || t.place < 0)
        return;
    OpenDialog<CableEditDlg>(
        new CableEditDlg(m_boxes, m_ledger->Plan()[size_t(t.place)], m_language, this),
        [this, t](auto& dialog) {
            Change([&](const StoredProject& project, QString* error) {
                return m_store->EditCable(project.id, t.place, dialog.Result(), m_language, error);
            });
        });
}

void ProjectWindow::UndoChange() {
    Change([&](const StoredProject& project, QString* error) {
        return m_store->Undo(project, m_language, error);
    });
}

void ProjectWindow::ShowHistory() {
    const std::optional<StoredProject> project = Chosen();
    if (!project)
        return;
    auto* dialog =
        new ProjectHistoryDlg(m_store->History(project->id), project->info.name, m_language, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

} // namespace vemla
