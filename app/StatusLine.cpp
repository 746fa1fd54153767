#include "StatusLine.h"

#include <QHBoxLayout>
#include <QLabel>

namespace vemla {

StatusLine::StatusLine(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 2, 6, 3);
    layout->setSpacing(18);
    for (Kind kind : {Kind::Port, Kind::Upload, Kind::Archive, Kind::Monitor}) {
        auto* label = new QLabel(this);
        label->hide();
        layout->addWidget(label);
        m_segments[kind] = {label, {}};
    }
    layout->addStretch(1);
    // The window's size is fixed: one line of text, always the same height.
    setFixedHeight(fontMetrics().height() + 5);
}

void StatusLine::ShowStatus(Kind kind, TextSource text) {
    m_segments[kind].text = std::move(text);
    Refresh(m_language);
}

void StatusLine::ClearStatus(Kind kind) {
    ShowStatus(kind, {});
}

void StatusLine::Refresh(Language language) {
    m_language = language;
    for (auto& [kind, segment] : m_segments) {
        const QString text = segment.text ? segment.text(language) : QString();
        if (segment.label->text() != text)
            segment.label->setText(text);
        segment.label->setVisible(!text.isEmpty());
    }
}

QString StatusLine::Text(Kind kind) const {
    const auto it = m_segments.find(kind);
    return it == m_segments.end() ? QString() : it->second.label->text();
}

} // namespace vemla
