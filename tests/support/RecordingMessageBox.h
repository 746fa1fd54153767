#pragma once
// A message box for tests: records every box and answers it without showing anything.

#include "MessageBox.h"

#include <QStringList>

#include <deque>
#include <functional>
#include <vector>

namespace vemla::test {

struct ShownBox {
    QString caption;
    QString text;
};

class RecordingMessageBox final : public IMessageBox {
public:
    BoxAnswer Show(QWidget*, const QString& caption, const QString& text, BoxButtons,
                   BoxIcon) override {
        shown.push_back({caption, text});
        if (whileOpen)
            whileOpen(shown.back());
        if (answers.empty())
            return BoxAnswer::Ok;
        const BoxAnswer a = answers.front();
        answers.pop_front();
        return a;
    }

    QStringList Texts() const {
        QStringList t;
        for (const auto& b : shown)
            t << b.text;
        return t;
    }

    std::vector<ShownBox> shown;
    std::deque<BoxAnswer> answers;                  // answered in order; Ok once empty
    std::function<void(const ShownBox&)> whileOpen; // runs while the box is "open"
};

} // namespace vemla::test
