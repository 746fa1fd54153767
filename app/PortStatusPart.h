#pragma once
// What the window shows of the port: the port list (filled as it drops down, refilled when
// devices come and go, the port used last chosen at start-up), the port button's caption and the
// lamp, the link picture, and the status line with the port's state and an upload's progress.
// Opening, reconnecting and remembering the port are the session's.

#include <QObject>

class QComboBox;
class QTimer;
class QWidget;

namespace vemla {

class StatusLine;
class MeterSession;
struct BuiltDialog;

class PortStatusPart : public QObject {
    Q_OBJECT
public:
    // The controls are the window's template's; the status line belongs to `window`, which
    // places it.
    PortStatusPart(MeterSession& session, const BuiltDialog& built, QWidget* window);

    StatusLine& Line() const { return *m_status; }
    // The session's port entries, each with its description as the tip; nothing chosen.
    void FillPortList();
    // Chooses the port used last, when it is listed; opening it stays the operator's click.
    void RestoreLastPort();

    void ShowPortButton(bool open);
    void ShowLamp(bool open);
    void ShowLink(bool linked);
    int LampIconId() const { return m_lampIconId; }
    int LinkIconId() const { return m_linkIconId; }
    // Every segment of the status line again, in the session's language.
    void RefreshStatus();

private:
    void RefillPortList();
    void ShowPortState();
    void FollowPortState();
    void ShowPicture(int controlId, int iconId);

    MeterSession& m_session;
    const BuiltDialog& m_built;
    QComboBox* m_list;
    StatusLine* m_status;
    QTimer* m_statusTimer;
    int m_linkIconId = 0;
    int m_lampIconId = 0;
};

} // namespace vemla
