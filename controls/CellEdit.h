#pragma once

#include <QLineEdit>

namespace vemla {

// The in-place editor of one table cell. Enter and losing the focus finish it storing what was
// typed; Escape finishes it keeping the cell's old text.
class CCellEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CCellEdit(QWidget* parent);

signals:
    void Finished(bool store);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void Finish(bool store);
    bool m_finishing = false;
};

} // namespace vemla
