#include "SharedArchiveDlg.h"

#include "MessageBox.h"
#include "SharedTexts.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace vemla {
namespace {

QLabel* Note(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

// libpq's keyword, with or without spaces around '=', anywhere in the text; a URI's
// "user:secret@host" form too.
bool CarriesPassword(const QString& server) {
    static const QRegularExpression keyword(QStringLiteral("(^|\\s)password\\s*="),
                                            QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression uri(QStringLiteral("^postgres(ql)?://[^@/]*:[^@/]*@"),
                                        QRegularExpression::CaseInsensitiveOption);
    return keyword.match(server).hasMatch() || uri.match(server).hasMatch();
}

} // namespace

SharedArchiveDlg::SharedArchiveDlg(IMessageBox& boxes, const QString& server,
                                   const QString& environment, Language language, QWidget* parent)
    : QDialog(parent), m_boxes(boxes), m_language(language), m_server(new QLineEdit(this)) {
    setWindowTitle(T(sharedtext::kDlgTitle));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(T(sharedtext::kServerLabel), this));
    m_server->setText(server);
    m_server->setPlaceholderText(T(sharedtext::kServerHint));
    m_server->setMinimumWidth(420);
    layout->addWidget(m_server);
    layout->addWidget(Note(T(sharedtext::kLocalOnly), this));
    layout->addWidget(Note(T(sharedtext::kPasswordNote), this));
    if (!environment.isEmpty())
        layout->addWidget(Note(T(sharedtext::kEnvironmentWins).arg(environment), this));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &SharedArchiveDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SharedArchiveDlg::reject);
    layout->addWidget(buttons);
}

void SharedArchiveDlg::accept() {
    const QString server = m_server->text().trimmed();
    if (server.size() > kMaxSharedServerText) {
        m_boxes.Show(this, kAppBoxCaption,
                     T(sharedtext::kServerTooLong).arg(kMaxSharedServerText), BoxButtons::Ok,
                     BoxIcon::Warning);
        return;
    }
    if (CarriesPassword(server)) {
        m_boxes.Show(this, kAppBoxCaption, T(sharedtext::kPasswordRefused), BoxButtons::Ok,
                     BoxIcon::Warning);
        return;
    }
    m_result = server;
    QDialog::accept();
}

} // namespace vemla
