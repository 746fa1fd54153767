#include "CliPresenter.h"

#include "FrameCodec.h"
#include "ReplyEncoder.h"
#include "Texts.h"

#include <cstdio>

namespace vemla {

void CliPresenter::Show(Kind kind, const QString& text, const QString& /*caption*/) {
    // Kept as the meter's program does it: both failure texts are Chinese in either language,
    // so one comparison covers both.
    if (kind == Kind::Reply &&
        (text == Pick(ReplyMessage(kFailureCode), Language::English) ||
         text == Pick(ReplyMessage(static_cast<uint8_t>(FrameCode::SelectWaveFailed)),
                      Language::English)))
        m_failed = true;
    std::fprintf(stderr, "%s\n", qPrintable(text));
}

bool CliPresenter::Confirm(const QString& /*text*/) {
    return m_yes;
}

} // namespace vemla
