#pragma once
// The project window's dialogs: where a reading goes, which of a slot's readings counts, a cable
// ID's values, and the project's history. Each opens window-modal and hands back what OK took.

#include "ProjectStore.h"

#include <QDialog>
#include <array>

class QLineEdit;
class QTableWidget;

namespace vemla {

class IMessageBox;

// "1310 nm A→B", as the history and the dialogs' titles name a slot.
QString SlotText(int wavelength, Direction direction);

// The cable ID to move a reading to, typed with the plan's IDs offered as it is typed.
class MoveReadingDlg : public QDialog {
public:
    MoveReadingDlg(const std::vector<CableLink>& plan, const QString& title, Language language,
                   QWidget* parent);
    QString Target() const;

private:
    QLineEdit* m_target;
};

// A slot's readings in the order they came (upload, record, time, loss), the one that counts
// selected; OK makes the selected one count.
class ReadingsDlg : public QDialog {
public:
    ReadingsDlg(const ReadingSlot& slot, const CertificationSettings& judged, const QString& title,
                Language language, QWidget* parent);
    int Chosen() const; // -1 when none is selected

private:
    QTableWidget* m_readings;
};

// A cable ID's values; a number out of bounds is told and the dialog stays.
class CableEditDlg : public QDialog {
public:
    CableEditDlg(IMessageBox& boxes, const CableLink& cable, Language language, QWidget* parent);
    const CableLink& Result() const { return m_result; }
    void accept() override;

private:
    IMessageBox& m_boxes;
    Language m_language;
    CableLink m_result;
    std::array<QLineEdit*, 7> m_fields{}; // in the order of text::kCableFields
};

// The project's changes, oldest first: when, who, what.
class ProjectHistoryDlg : public QDialog {
public:
    ProjectHistoryDlg(const std::vector<ProjectChange>& changes, const QString& project,
                      Language language, QWidget* parent);
};

} // namespace vemla
