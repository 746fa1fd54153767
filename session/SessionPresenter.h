#pragma once
// How the session speaks to the operator. Every call returns when the operator has closed the
// box, so what follows a reply (the link picture, the re-upload, the emptied table) happens only
// after it, and the monitor thread stays held meanwhile. A front end without a window answers
// at once.

#include <QString>

namespace vemla {

class ISessionPresenter {
public:
    enum class Kind { Reply, Message, Warning, PortError };

    virtual ~ISessionPresenter() = default;
    // Reply: the meter's answer (the instrument box, captioned "VORN"). Message and Warning:
    // the program's own box. PortError: the engine's box, with the caption it gives.
    virtual void Show(Kind kind, const QString& text, const QString& caption = {}) = 0;
    // An OK/Cancel question in the instrument box; true for OK.
    virtual bool Confirm(const QString& text) = 0;
};

} // namespace vemla
