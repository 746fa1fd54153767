#pragma once
// The session's boxes as stderr lines. Nobody is there to answer: a question is answered yes
// only when the command line said so (--yes).

#include "SessionPresenter.h"

namespace vemla {

class CliPresenter final : public ISessionPresenter {
public:
    explicit CliPresenter(bool yes) : m_yes(yes) {}
    void Show(Kind kind, const QString& text, const QString& caption = {}) override;
    bool Confirm(const QString& text) override;

private:
    bool m_yes;
};

} // namespace vemla
