#include "CliPresenter.h"

#include <cstdio>

namespace vemla {

void CliPresenter::Show(Kind /*kind*/, const QString& text, const QString& /*caption*/) {
    std::fprintf(stderr, "%s\n", qPrintable(text));
}

bool CliPresenter::Confirm(const QString& /*text*/) {
    return m_yes;
}

} // namespace vemla
