#pragma once

#include "alarms/alarm_due.h"
#include "alarms/alarm_record.h"
#include "alarms/calendar_dialog.h"
#include "app/desktop_announce.h"
#include "app/event_plan.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

class CBellDlg;
class CMissedDlg;
class CNotMoveDlg;
class MailNoticeWindow;

// The windows that open by themselves: the ring windows, the missed-alarms list, the
// guard's alert, the mail notice and the messages nobody asked for. The tick and the bus
// raise the events; this decides how the desktop shows each (event_plan.h). None of them
// is modal and nothing here waits for one: every call returns at once.
class EventWindows final : public QObject {
    Q_OBJECT

public:
    explicit EventWindows(QObject* parent = nullptr);
    ~EventWindows() override;
    Q_DISABLE_COPY_MOVE(EventWindows)

    // A ring window of its own for a due record, beside those already ringing.
    void ringAlarm(const AlarmRecord& record, const CalendarDate& calendarStart);
    // The alarms whose minute passed unchecked, in one list beside the ringing clocks; a
    // later batch joins the open list.
    void showMissedAlarms(const std::vector<MissedAlarmEntry>& missed);
    void openAlert();
    void closeAlert();
    void announceNewMail();
    // Something the program says on its own (a refused file, the toy, the mail): one box
    // at a time, a text not twice while it waits; afterwards runs once its box is closed.
    void tell(const QString& text, std::function<void()> afterwards = {});
    // Where a handler nobody's click started reports its failure.
    std::function<void(const QString&)> reporter();

    // The user asked to see the program (tray, --show, a second start, a notification's
    // "Show"): whatever waits for that appears now.
    void showWaiting();
    // Ring windows still open, shown or waiting.
    int ringCount() const;
    bool anyWaiting() const;

    CNotMoveDlg* alertWindow() const { return m_alert; }
    MailNoticeWindow* mailNotice();

Q_SIGNALS:
    void alarmRinging(const QString& topic);

private:
    struct Ring;
    Ring* ringOf(const CBellDlg* window) const;
    void showRing(Ring& ring);
    void snooze(Ring& ring);
    void endRing(const CBellDlg* window);
    void showMissedList();
    void nextMessage();
    // A notification's "Show": what waits appears, the newest ring with the focus.
    void showAsked();
    void offerShow(DesktopAnnouncement& note, const QString& body);
    // Sends an event's notification where its plan says so; true when it wants its window.
    bool announceAndWantWindow(EventKind kind, DesktopAnnouncement& note);

    std::vector<std::unique_ptr<Ring>> m_rings;
    QPointer<CMissedDlg> m_missedList;
    bool m_missedWaiting = false;
    DesktopAnnouncement m_missedNote;
    CNotMoveDlg* m_alert = nullptr;
    DesktopAnnouncement m_alertNote;
    MailNoticeWindow* m_mailNotice = nullptr;
    DesktopAnnouncement m_mailNote;
    struct Told {
        QString text;
        std::function<void()> afterwards;
    };
    std::deque<Told> m_told;
    bool m_boxOpen = false;
    bool m_messagesReleased = false; // the user asked: the waiting ones appear
    DesktopAnnouncement m_messageNote;
};
