#pragma once
// Every message box of the program goes through this seam, so tests can read and answer them.

#include <QString>

class QWidget;

namespace vemla {

enum class BoxButtons { Ok, OkCancel };
enum class BoxIcon { None, Information, Warning, Error, Question };
enum class BoxAnswer { Ok, Cancel };

// Captions of the two kinds of box the program owns.
inline const QString kMainBoxCaption = QStringLiteral("VORN");
inline const QString kAppBoxCaption = QStringLiteral("Vemla");

class IMessageBox {
public:
    virtual ~IMessageBox() = default;
    // Modal; returns when the operator has answered. owner may be null.
    virtual BoxAnswer Show(QWidget* owner, const QString& caption, const QString& text,
                           BoxButtons buttons = BoxButtons::Ok, BoxIcon icon = BoxIcon::None) = 0;
};

class QtMessageBox final : public IMessageBox {
public:
    BoxAnswer Show(QWidget* owner, const QString& caption, const QString& text, BoxButtons buttons,
                   BoxIcon icon) override;
};

} // namespace vemla
