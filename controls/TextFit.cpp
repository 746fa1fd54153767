#include "TextFit.h"

#include "DialogTemplate.h"
#include "IconButton.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <algorithm>
#include <functional>

namespace vemla {
namespace {

// What a text shows: mnemonic markers are not drawn.
QString Shown(QString text) {
    return text.replace(QLatin1String("&&"), QLatin1String("\x01"))
        .remove(QLatin1Char('&'))
        .replace(QLatin1Char('\x01'), QLatin1Char('&'));
}

int WidestLine(const QFontMetrics& fm, const QString& text) {
    int widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        widest = std::max(widest, fm.horizontalAdvance(line));
    return widest;
}

TextRoom WidthOnly(int need, int width) {
    return {need, 0, width, 0};
}

std::optional<TextRoom> LabelRoom(const QLabel* label) {
    if (label->text().isEmpty() || !label->pixmap().isNull())
        return std::nullopt;
    const QFontMetrics fm(label->font());
    return WidthOnly(WidestLine(fm, label->text()), label->contentsRect().width());
}

std::optional<TextRoom> IconButtonRoom(const CIconButton* button) {
    if (button->text().isEmpty())
        return std::nullopt;
    const QRect room = button->CaptionRect();
    const QFontMetrics fm(button->font());
    const QRect block = fm.boundingRect(room, Qt::AlignCenter | Qt::TextWordWrap, button->text());
    int longestWord = 0;
    for (const QString& word : button->text().split(QLatin1Char(' '), Qt::SkipEmptyParts))
        longestWord = std::max(longestWord, fm.horizontalAdvance(word));
    return TextRoom{std::max(block.width(), longestWord), block.height(), room.width(),
                    room.height()};
}

std::optional<TextRoom> ButtonRoom(const QPushButton* button) {
    if (button->text().isEmpty())
        return std::nullopt;
    const QStyle* style = button->style();
    // What the style adds around a push button's text when it sizes one.
    const int frame = 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button) +
                      style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button);
    const QFontMetrics fm(button->font());
    return WidthOnly(fm.horizontalAdvance(Shown(button->text())), button->width() - frame);
}

std::optional<TextRoom> GroupRoom(const QGroupBox* group) {
    if (group->title().isEmpty())
        return std::nullopt;
    // The title is inset from the frame's corner on both sides.
    constexpr int kTitleInset = 8;
    const QFontMetrics fm(group->font());
    return WidthOnly(fm.horizontalAdvance(Shown(group->title())), group->width() - 2 * kTitleInset);
}

std::optional<TextRoom> ComboRoom(const QComboBox* combo) {
    if (combo->count() == 0)
        return std::nullopt;
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = combo->isEditable();
    const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                       QStyle::SC_ComboBoxEditField, combo);
    // A line edit keeps two pixels free on each side of its text.
    constexpr int kEditMargins = 4;
    const QFontMetrics fm(combo->font());
    int need = 0;
    for (int i = 0; i < combo->count(); ++i)
        need = std::max(
            need, fm.horizontalAdvance(combo->itemText(i).section(QLatin1String(" ("), 0, 0)));
    return WidthOnly(need, field.width() - kEditMargins);
}

void ShrinkUntil(QWidget* widget, const std::function<bool()>& fits) {
    widget->setFont(QFont());
    QFont font = widget->font();
    double points = font.pointSizeF();
    while (!fits() && points - 0.5 >= kMinFitPoints) {
        points -= 0.5;
        font.setPointSizeF(points);
        widget->setFont(font);
    }
}

} // namespace

std::optional<TextRoom> CaptionRoom(const QWidget* control) {
    if (const auto* b = qobject_cast<const CIconButton*>(control))
        return IconButtonRoom(b);
    if (const auto* b = qobject_cast<const QPushButton*>(control))
        return ButtonRoom(b);
    if (const auto* l = qobject_cast<const QLabel*>(control))
        return LabelRoom(l);
    if (const auto* g = qobject_cast<const QGroupBox*>(control))
        return GroupRoom(g);
    if (const auto* c = qobject_cast<const QComboBox*>(control))
        return ComboRoom(c);
    return std::nullopt;
}

void FitCaption(QWidget* control) {
    ShrinkUntil(control, [control] {
        const std::optional<TextRoom> room = CaptionRoom(control);
        return !room || room->Fits();
    });
}

void FitCaptions(const BuiltDialog& built) {
    for (const auto& [id, control] : built.byId)
        FitCaption(control);
    for (QWidget* control : built.statics)
        FitCaption(control);
}

bool HeaderFits(const QHeaderView* header) {
    const QFontMetrics fm(header->font());
    const int margins = 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    const QAbstractItemModel* model = header->model();
    for (int section = 0; model && section < header->count(); ++section) {
        const QString caption = model->headerData(section, header->orientation()).toString();
        if (fm.horizontalAdvance(caption) + margins > header->sectionSize(section))
            return false;
    }
    return true;
}

void FitHeader(QHeaderView* header) {
    ShrinkUntil(header, [header] { return HeaderFits(header); });
}

} // namespace vemla
