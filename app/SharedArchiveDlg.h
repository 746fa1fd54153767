#pragma once
// File > Shared archive...: the lab server this station's uploads also go to, as a libpq
// connection string or service name. Empty keeps the archive on this PC only. OK refuses a text
// that carries a password (libpq's own files hold those) or is too long; the accepted text is
// Result(), for the caller to keep.

#include "Texts.h"

#include <QDialog>

class QLineEdit;

namespace vemla {

class IMessageBox;

inline constexpr qsizetype kMaxSharedServerText = 1000;

class SharedArchiveDlg : public QDialog {
    Q_OBJECT
public:
    // `environment`: what VEMLA_ARCHIVE_SERVER says, shown as what is used instead; "" for none.
    SharedArchiveDlg(IMessageBox& boxes, const QString& server, const QString& environment,
                     Language language, QWidget* parent = nullptr);

    QString Result() const { return m_result; }

public slots:
    void accept() override;

private:
    QString T(const BilingualText& text) const { return Pick(text, m_language); }

    IMessageBox& m_boxes;
    Language m_language;
    QLineEdit* m_server;
    QString m_result;
};

} // namespace vemla
