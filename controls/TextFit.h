#pragma once
// Captions that fit their controls. The template places every control where it always was;
// where a caption in the font in use is wider than its control (an English caption in a CJK
// face is wider than in the face the template was drawn for), that one control's font shrinks
// until it fits, and nothing moves.

#include <optional>

class QHeaderView;
class QWidget;

namespace vemla {

struct BuiltDialog;

// What a control's caption needs and what the control gives it, in pixels at its font.
struct TextRoom {
    int needWidth = 0;
    int needHeight = 0;
    int width = 0;
    int height = 0;
    bool Fits() const { return needWidth <= width && needHeight <= height; }
};

// nullopt for a control that shows no caption of its own: an edit, a picture, an empty label.
// A list entry's detail in brackets ("COM3 (/dev/ttyUSB0)") may be cut; its name may not.
std::optional<TextRoom> CaptionRoom(const QWidget* control);

// Back to the font the control inherits, then half a point smaller at a time, down to
// kMinFitPoints, until the caption fits: a caption that fits at full size in the other language
// gets the full size back.
inline constexpr double kMinFitPoints = 5.0;
void FitCaption(QWidget* control);
void FitCaptions(const BuiltDialog& built);

// The same for a table's column captions, which share the header's one font.
bool HeaderFits(const QHeaderView* header);
void FitHeader(QHeaderView* header);

} // namespace vemla
