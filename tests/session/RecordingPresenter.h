#pragma once
// A presenter for tests: records every box and answers questions without showing anything.

#include "SessionPresenter.h"

#include <QStringList>

#include <deque>
#include <functional>
#include <vector>

namespace vemla::test {

class RecordingPresenter final : public ISessionPresenter {
public:
    struct Box {
        Kind kind;
        QString text;
        bool operator==(const Box&) const = default;
    };

    void Show(Kind kind, const QString& text, const QString& /*caption*/) override {
        Record({kind, text});
    }
    bool Confirm(const QString& text) override {
        Record({Kind::Reply, text});
        if (answers.empty())
            return true;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
    QStringList Texts() const {
        QStringList t;
        for (const Box& b : shown)
            t << b.text;
        return t;
    }

    std::vector<Box> shown;
    std::deque<bool> answers;                  // for questions, in order; OK once empty
    std::function<void(const Box&)> whileOpen; // runs while the box is "open"

private:
    void Record(Box box) {
        shown.push_back(std::move(box));
        if (whileOpen)
            whileOpen(shown.back());
    }
};

} // namespace vemla::test
