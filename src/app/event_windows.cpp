#include "app/event_windows.h"

#include "alarms/alarm_snooze.h"
#include "alarms/bell_dialog.h"
#include "alarms/local_time.h"
#include "alarms/missed_dialog.h"
#include "app/alert_window.h"
#include "app/mail_notice_window.h"
#include "core/globals.h"
#include "platform/clock.h"
#include "platform/guarded.h"
#include "platform/messages.h"
#include "widgets/color_list_ctrl.h"
#include "widgets/quiet_open.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

namespace {

constexpr std::size_t kMissedInNotification = 5;
constexpr int kFrameAllowance = 12;
constexpr int kTitleAllowance = 40;

using Urgency = platform::DesktopNotifier::Urgency;
using Action = platform::DesktopNotifier::Action;

EventPlan planFor(EventKind kind)
{
    return PlanEvent(CurrentSessionKind(), kind);
}

Urgency urgencyOf(const EventPlan& plan)
{
    return plan.critical ? Urgency::Critical : Urgency::Normal;
}

QRect workArea()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

QString fromLocal(std::string_view text)
{
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

Action showAction()
{
    return { QStringLiteral("show"), EventWindows::tr("Show") };
}

} // namespace

struct EventWindows::Ring {
    QPointer<CBellDlg> window;
    AlarmRecord record;
    bool shown = false;
    std::unique_ptr<DesktopAnnouncement> note;
};

EventWindows::EventWindows(QObject* parent)
    : QObject(parent)
    , m_missedNote(tr("Missed alarms"))
    , m_alertNote(QString::fromLatin1(CNotMoveDlg::kText))
    , m_mailNote(QString::fromLatin1(MailNoticeWindow::kText))
    , m_messageNote(platform::applicationCaption())
{
}

EventWindows::~EventWindows()
{
    // Top-level windows of their own, not children.
    for (const auto& ring : m_rings)
        delete ring->window;
    delete m_missedList;
    delete m_alert;
    delete m_mailNotice;
}

EventWindows::Ring* EventWindows::ringOf(const CBellDlg* window) const
{
    for (const auto& ring : m_rings) {
        if (window && ring->window == window)
            return ring.get();
    }
    return nullptr;
}

void EventWindows::ringAlarm(const AlarmRecord& record, const CalendarDate& calendarStart)
{
    const EventPlan plan = planFor(EventKind::Ring);
    const QString topic = fromLocal(record.topic);
    Q_EMIT alarmRinging(topic);

    auto owned = std::make_unique<Ring>();
    Ring& ring = *owned;
    ring.record = record;
    auto* bell = new CBellDlg(nullptr, record.soundOn == 1 ? 1 : 0, calendarStart);
    ring.window = bell;
    bell->setAttribute(Qt::WA_DeleteOnClose);
    bell->SetText(record.topic);
    bell->SetSoundFile(record.soundFile);
    m_rings.push_back(std::move(owned));
    connect(bell, &CBellDlg::snoozeRequested, this, [this, bell] {
        if (Ring* r = ringOf(bell))
            snooze(*r);
    });
    connect(bell, &QDialog::finished, this, [this, bell] { endRing(bell); });
    // It rings whether or not it is seen yet.
    bell->StartRinging();
    if (plan.nod)
        g_nodRequest = 1;

    // The notification answers from wherever the user is; where it is all the user sees,
    // it needs no buttons to be worth sending.
    platform::DesktopNotifier& notifier = platform::desktopNotifier();
    if (plan.notify && (notifier.supportsActions() || !plan.mapAtOnce)) {
        std::vector<Action> actions { { QStringLiteral("snooze"), tr("Snooze 10 min") },
                                      { QStringLiteral("dismiss"), tr("Dismiss") } };
        if (plan.offerShow)
            actions.push_back(showAction());
        ring.note = std::make_unique<DesktopAnnouncement>(topic.isEmpty() ? tr("Alarm") : topic);
        const QPointer<CBellDlg> target(bell);
        const QPointer<EventWindows> self(this);
        ring.note->announce(fromLocal(FormatLocalTime(platform::clock().time(), "%H:%M")), urgencyOf(plan), actions,
                            [self, target](const QString& key) {
                                if (!self || !target)
                                    return;
                                if (key == QLatin1String("show")) {
                                    self->showAsked();
                                } else if (key == QLatin1String("snooze")) {
                                    if (Ring* r = self->ringOf(target))
                                        self->snooze(*r);
                                } else if (key == QLatin1String("dismiss")) {
                                    target->reject();
                                }
                            });
    }
    if (plan.mapAtOnce)
        showRing(ring);
}

void EventWindows::showRing(Ring& ring)
{
    if (ring.shown || !ring.window)
        return;
    CBellDlg* bell = ring.window;
    int open = 0;
    for (const auto& other : m_rings)
        open += other->shown && other->window && other->window->isVisible() ? 1 : 0;
    // The first beside the window the user is typing in (never over the field being typed
    // into), else in the middle of the screen; each later one a step down and right of it,
    // in list order.
    const QRect screen = workArea();
    QRect first(QPoint(), bell->size());
    if (!screen.isEmpty())
        first.moveCenter(screen.center());
    if (const QWidget* typing = QApplication::activeWindow(); typing && !qobject_cast<const CBellDlg*>(typing))
        first = PlaceBeside(typing->frameGeometry(), bell->size() + QSize(kFrameAllowance, kTitleAllowance), screen);
    bell->move(CascadeRing(first, open, screen).topLeft());
    ring.shown = true;
    quiet_open::ShowWithoutActivating(bell);
}

void EventWindows::snooze(Ring& ring)
{
    const AlarmRecord record = ring.record;
    platform::runGuardedWith(reporter(), [&] { SnoozeAlarm(record, platform::clock().time()); });
    if (ring.window)
        ring.window->reject();
}

void EventWindows::endRing(const CBellDlg* window)
{
    const auto it = std::find_if(m_rings.begin(), m_rings.end(),
                                 [window](const std::unique_ptr<Ring>& ring) { return ring->window == window; });
    if (it == m_rings.end())
        return;
    std::unique_ptr<Ring> ended = std::move(*it);
    m_rings.erase(it);
    if (ended->window)
        ended->window->deleteLater();
    // Its notification goes with it: ended destroys the announcement.
}

int EventWindows::ringCount() const
{
    return static_cast<int>(std::count_if(m_rings.begin(), m_rings.end(),
                                          [](const std::unique_ptr<Ring>& ring) { return !ring->window.isNull(); }));
}

bool EventWindows::anyWaiting() const
{
    for (const auto& ring : m_rings) {
        if (ring->window && !ring->shown)
            return true;
    }
    return m_missedWaiting || !m_told.empty();
}

void EventWindows::showMissedAlarms(const std::vector<MissedAlarmEntry>& missed)
{
    const EventPlan plan = planFor(EventKind::Missed);
    if (m_missedList) {
        m_missedList->AddMissed(missed);
    } else {
        m_missedList = new CMissedDlg(missed);
        m_missedList->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_missedList, &QDialog::finished, this, [this] {
            m_missedWaiting = false;
            m_missedNote.withdraw();
        });
    }
    if (plan.notify) {
        const ColorListCtrl* list = m_missedList->list();
        QStringList lines;
        const int rows = list->rowCount();
        for (int row = 0; row < rows && lines.size() < static_cast<qsizetype>(kMissedInNotification); ++row)
            lines << list->CellText(row, 1) + QLatin1Char(' ') + list->CellText(row, 2) + QLatin1Char(' ')
                    + list->CellText(row, 0);
        if (static_cast<std::size_t>(rows) > kMissedInNotification)
            lines << QStringLiteral("…");
        offerShow(m_missedNote, lines.join(QLatin1Char('\n')));
    }
    if (plan.mapAtOnce)
        showMissedList();
    else
        m_missedWaiting = true;
}

void EventWindows::showMissedList()
{
    m_missedWaiting = false;
    if (!m_missedList || m_missedList->isVisible())
        return;
    // Beside the ringing clocks, so that neither hides the other.
    QRect clocks;
    for (const auto& ring : m_rings) {
        if (ring->window && ring->window->isVisible())
            clocks |= ring->window->frameGeometry();
    }
    const QRect screen = workArea();
    if (clocks.isNull()) {
        clocks = QRect(QPoint(), QSize(1, 1));
        clocks.moveCenter(screen.center());
    }
    // The window manager's frame is known only once it is shown: room for a usual one.
    const QSize framed = m_missedList->size() + QSize(kFrameAllowance, kTitleAllowance);
    m_missedList->move(PlaceBeside(clocks, framed, screen).topLeft());
    quiet_open::ShowWithoutActivating(m_missedList);
}

void EventWindows::offerShow(DesktopAnnouncement& note, const QString& body)
{
    const QPointer<EventWindows> self(this);
    note.announce(body, Urgency::Critical, { showAction() }, [self](const QString& key) {
        if (self && key == QLatin1String("show"))
            self->showAsked();
    });
}

bool EventWindows::announceAndWantWindow(EventKind kind, DesktopAnnouncement& note)
{
    const EventPlan plan = planFor(kind);
    if (plan.notify)
        note.announce(QString(), urgencyOf(plan));
    return plan.window;
}

void EventWindows::openAlert()
{
    if (!announceAndWantWindow(EventKind::Alert, m_alertNote))
        return;
    delete m_alert;
    m_alert = new CNotMoveDlg;
    m_alert->Open();
}

void EventWindows::closeAlert()
{
    delete m_alert;
    m_alert = nullptr;
}

MailNoticeWindow* EventWindows::mailNotice()
{
    // Built on the first announcement: most runs never show it, and its picture would
    // otherwise be drawn before the main window's first paint.
    if (!m_mailNotice) {
        m_mailNotice = new MailNoticeWindow;
        m_mailNotice->hide();
    }
    return m_mailNotice;
}

void EventWindows::announceNewMail()
{
    if (!announceAndWantWindow(EventKind::MailNotice, m_mailNote))
        return;
    MailNoticeWindow* notice = mailNotice();
    notice->CloseNotice(false);
    notice->ShowNotice();
}

void EventWindows::tell(const QString& text, std::function<void()> afterwards)
{
    for (const Told& waiting : m_told) {
        if (waiting.text == text)
            return;
    }
    m_told.push_back({ text, std::move(afterwards) });
    const EventPlan plan = planFor(EventKind::Message);
    if (plan.notify)
        offerShow(m_messageNote, text);
    if (plan.mapAtOnce)
        m_messagesReleased = true;
    nextMessage();
}

void EventWindows::nextMessage()
{
    if (m_boxOpen || m_told.empty() || !m_messagesReleased)
        return;
    m_boxOpen = true;
    const QPointer<EventWindows> self(this);
    platform::messages().post(platform::applicationCaption(), m_told.front().text,
                              platform::Messages::Icon::Exclamation, [self] {
                                  if (!self)
                                      return;
                                  Told done = std::move(self->m_told.front());
                                  self->m_told.pop_front();
                                  self->m_boxOpen = false;
                                  if (self->m_told.empty()) {
                                      self->m_messagesReleased = false;
                                      self->m_messageNote.withdraw();
                                  }
                                  if (done.afterwards)
                                      done.afterwards();
                                  if (self)
                                      self->nextMessage();
                              });
}

std::function<void(const QString&)> EventWindows::reporter()
{
    const QPointer<EventWindows> self(this);
    return [self](const QString& text) {
        if (self)
            self->tell(text);
    };
}

void EventWindows::showAsked()
{
    // The service's token lets the compositor give the window the focus the user asked for.
    const QString token = platform::desktopNotifier().actionActivationToken();
    if (IsActivationToken(token))
        qputenv("XDG_ACTIVATION_TOKEN", token.toLatin1());
    showWaiting();
    for (auto it = m_rings.rbegin(); it != m_rings.rend(); ++it) {
        if ((*it)->window && (*it)->window->isVisible()) {
            (*it)->window->activateWindow();
            break;
        }
    }
}

void EventWindows::showWaiting()
{
    for (const auto& ring : m_rings)
        showRing(*ring);
    if (m_missedWaiting)
        showMissedList();
    m_messagesReleased = true;
    nextMessage();
}
