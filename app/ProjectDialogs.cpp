#include "ProjectDialogs.h"

#include "MessageBox.h"
#include "Record.h"

#include <QCompleter>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QTableWidget>
#include <QVBoxLayout>

namespace vemla {
namespace {

// Bounds as a plan file's values have them.
constexpr double kMaxLengthKm = 1000.0;
constexpr int kMaxLinkCount = 10000;

QDialogButtonBox* OkCancel(QDialog* dialog,
                           QDialogButtonBox::StandardButtons buttons = QDialogButtonBox::Ok |
                                                                       QDialogButtonBox::Cancel) {
    auto* box = new QDialogButtonBox(buttons, dialog);
    QObject::connect(box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return box;
}

// A read-only table of whole rows, its columns captioned.
QTableWidget* TextTable(const QStringList& captions, const std::vector<QStringList>& rows,
                        QWidget* parent) {
    auto* table = new QTableWidget(int(rows.size()), int(captions.size()), parent);
    table->setHorizontalHeaderLabels(captions);
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    for (int r = 0; r < int(rows.size()); ++r)
        for (int c = 0; c < int(captions.size()); ++c)
            table->setItem(r, c, new QTableWidgetItem(rows[size_t(r)].value(c)));
    table->resizeColumnsToContents();
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

QStringList Captions(std::span<const BilingualText> texts, Language language) {
    QStringList captions;
    for (const BilingualText& t : texts)
        captions << Pick(t, language);
    return captions;
}

QString OptionalText(const auto& value) {
    return value ? QLocale::c().toString(*value) : QString();
}

} // namespace

QString SlotText(int wavelength, Direction direction) {
    return QStringLiteral("%1 nm %2").arg(wavelength).arg(DirectionText(direction));
}

MoveReadingDlg::MoveReadingDlg(const std::vector<CableLink>& plan, const QString& title,
                               Language language, QWidget* parent)
    : QDialog(parent), m_target(new QLineEdit(this)) {
    setWindowTitle(title);
    QStringList ids;
    for (const CableLink& cable : plan)
        ids << cable.id;
    auto* completer = new QCompleter(ids, m_target);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setFilterMode(Qt::MatchContains);
    m_target->setCompleter(completer);
    m_target->setMaxLength(int(kMaxCableIdLength));
    auto* form = new QFormLayout(this);
    form->addRow(Pick(text::kProjectMoveTarget, language), m_target);
    form->addRow(OkCancel(this));
}

QString MoveReadingDlg::Target() const {
    return m_target->text().trimmed();
}

ReadingsDlg::ReadingsDlg(const ReadingSlot& slot, const CertificationSettings& judged,
                         const QString& title, Language language, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(title);
    std::vector<QStringList> rows;
    const QDateTime now = QDateTime::currentDateTime();
    for (const ProjectReading& r : slot.readings)
        rows.push_back({QString::number(r.source.upload), QString::number(r.source.record + 1),
                        QString::fromStdString(FormatRecordTexts(r.values)[5]).trimmed(),
                        FigureText(Evaluate(r.values, judged, now).lossDb)});
    m_readings = TextTable(Captions(text::kProjectReadingColumns, language), rows, this);
    m_readings->selectRow(slot.current);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_readings);
    layout->addWidget(OkCancel(this));
    resize(480, 280);
}

int ReadingsDlg::Chosen() const {
    const QModelIndexList rows = m_readings->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.front().row();
}

CableEditDlg::CableEditDlg(IMessageBox& boxes, const CableLink& cable, Language language,
                           QWidget* parent)
    : QDialog(parent), m_boxes(boxes), m_language(language), m_result(cable) {
    setWindowTitle(Pick(text::kProjectEditTitle, language).arg(cable.id));
    const std::array<QString, 7> values{cable.id,
                                        OptionalText(cable.lengthKm),
                                        OptionalText(cable.connections),
                                        OptionalText(cable.splices),
                                        cable.from,
                                        cable.to,
                                        cable.notes};
    auto* form = new QFormLayout(this);
    for (size_t i = 0; i < m_fields.size(); ++i) {
        m_fields[i] = new QLineEdit(values[i], this);
        m_fields[i]->setObjectName(Pick(text::kCableFields[i], language));
        m_fields[i]->setMaxLength(int(i == 0 ? kMaxCableIdLength : kMaxPlanText));
        form->addRow(Pick(text::kCableFields[i], language), m_fields[i]);
    }
    form->addRow(OkCancel(this));
}

void CableEditDlg::accept() {
    std::array<std::optional<double>, 3> numbers; // length, connections, splices
    for (size_t i = 0; i < numbers.size(); ++i) {
        const QString typed = m_fields[i + 1]->text().trimmed();
        const double high = i == 0 ? kMaxLengthKm : kMaxLinkCount;
        bool ok = true;
        if (!typed.isEmpty())
            numbers[i] = QLocale::c().toDouble(typed, &ok);
        if (!ok || (numbers[i] && (*numbers[i] < 0 || *numbers[i] > high ||
                                   (i > 0 && *numbers[i] != std::floor(*numbers[i]))))) {
            m_boxes.Show(this, kAppBoxCaption,
                         Pick(text::kLimitsBadNumber, m_language)
                             .arg(Pick(text::kCableFields[i + 1], m_language))
                             .arg(0)
                             .arg(high));
            return;
        }
    }
    m_result = {m_fields[0]->text().trimmed(),
                numbers[0],
                numbers[1] ? std::optional<int>(int(*numbers[1])) : std::nullopt,
                numbers[2] ? std::optional<int>(int(*numbers[2])) : std::nullopt,
                m_fields[4]->text(),
                m_fields[5]->text(),
                m_fields[6]->text()};
    QDialog::accept();
}

ProjectHistoryDlg::ProjectHistoryDlg(const std::vector<ProjectChange>& changes,
                                     const QString& project, Language language, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(Pick(text::kProjectHistoryTitle, language).arg(project));
    std::vector<QStringList> rows;
    for (const ProjectChange& c : changes)
        rows.push_back({c.at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), c.user, c.what});
    QTableWidget* table = TextTable(Captions(text::kProjectHistoryColumns, language), rows, this);
    table->scrollToBottom(); // the latest change is the one looked for
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table);
    layout->addWidget(OkCancel(this, QDialogButtonBox::Close));
    resize(640, 360);
}

} // namespace vemla
