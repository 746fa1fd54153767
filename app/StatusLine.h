#pragma once
// The strip at the bottom of the main window: one segment per kind of news, each re-read in the
// language in force whenever the window refreshes it, so a language switch retitles them all.

#include "Texts.h"

#include <QWidget>
#include <functional>
#include <map>

class QLabel;

namespace vemla {

class StatusLine : public QWidget {
    Q_OBJECT
public:
    // In the order they show, left to right. Archive and Monitor are for the features that add
    // their state later.
    enum class Kind { Port, Upload, Archive, Monitor };
    using TextSource = std::function<QString(Language)>;

    explicit StatusLine(QWidget* parent = nullptr);

    // The segment's text, from now on read from `text`; an empty text hides the segment.
    void ShowStatus(Kind kind, TextSource text);
    void ClearStatus(Kind kind);
    // Reads every segment's text again, in `language`.
    void Refresh(Language language);
    // What the segment shows now.
    QString Text(Kind kind) const;

private:
    struct Segment {
        QLabel* label;
        TextSource text;
    };
    std::map<Kind, Segment> m_segments;
    Language m_language = Language::Chinese;
};

} // namespace vemla
