#include "widgets/quiet_open.h"

#include "widgets/quiet_open_policy.h"

#include "platform/clock.h"
#include "platform/idle_source.h"

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QTimer>
#include <QWindow>
#include <set>
#include <vector>
#include <utility>

namespace quiet_open {

namespace {

int g_override = -1;
constexpr int kPollMs = 200;

std::optional<std::uint32_t> sessionIdleMs()
{
    platform::IdleSource& idle = platform::idle();
    if (idle.backendName().empty())
        return std::nullopt;
    return platform::clock().tickCount() - idle.lastInputTick();
}

void withoutActivation(QWidget* window)
{
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    // Qt hands the attribute to the platform window only when it creates it (on X11 as
    // the user time 0 that tells the window manager not to focus it).
    if (QWindow* handle = window->windowHandle())
        handle->setProperty("_q_showWithoutActivating", true);
}

// Rides on the window as a child: its timers and filter end with it.
class Opener final : public QObject {
public:
    explicit Opener(QWidget* window) : QObject(window), m_window(window)
    {
        setObjectName(QStringLiteral("quietOpener"));
        m_poll.setInterval(kPollMs);
        connect(&m_poll, &QTimer::timeout, this, &Opener::poll);
        m_focuses = PlatformFocusesNewWindows();
        if (m_focuses)
            qApp->installEventFilter(this);
    }

    // Once the window may map: shows it when asked to, then runs onReady.
    void request(bool show, std::function<void()> onReady)
    {
        m_show = show;
        m_onReady = std::move(onReady);
        m_askedAt = platform::clock().tickCount();
        m_waiting = true;
        poll();
        if (m_waiting)
            m_poll.start();
    }

    void cancel()
    {
        m_waiting = false;
        m_poll.stop();
        m_onReady = nullptr;
    }

    bool waiting() const { return m_waiting; }

    void poll()
    {
        if (!m_waiting)
            return;
        const std::uint32_t waited = platform::clock().tickCount() - m_askedAt;
        if (!MayMapNow(m_focuses, waited, m_focuses ? sessionIdleMs() : std::nullopt))
            return;
        std::function<void()> ready = std::move(m_onReady);
        cancel();
        withoutActivation(m_window);
        if (m_show)
            m_window->show();
        if (ready)
            ready();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::Show:
            if (watched == m_window)
                m_shownAt = platform::clock().tickCount();
            break;
        case QEvent::ShortcutOverride:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            if (ours(watched))
                return swallow(static_cast<QKeyEvent*>(event));
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool ours(QObject* watched) const
    {
        const auto* widget = qobject_cast<QWidget*>(watched);
        return widget && widget->window() == m_window;
    }

    // Keys of the first second are typing meant for another program; so is the
    // auto-repeat of a key held down across that second.
    bool swallow(QKeyEvent* key)
    {
        const std::uint32_t shownFor = platform::clock().tickCount() - m_shownAt;
        const bool deaf = !m_window->isVisible() || !KeyCounts(m_focuses, shownFor);
        const bool held = m_heldKeys.count(key->key()) != 0;
        if (!deaf && !held)
            return false;
        if (key->type() == QEvent::KeyPress && deaf)
            m_heldKeys.insert(key->key());
        else if (key->type() == QEvent::KeyRelease && !key->isAutoRepeat())
            m_heldKeys.erase(key->key());
        key->accept(); // a swallowed shortcut override also keeps the shortcut from firing
        return true;
    }

    QWidget* m_window;
    QTimer m_poll;
    bool m_focuses = false;
    bool m_waiting = false;
    std::uint32_t m_askedAt = 0;
    std::uint32_t m_shownAt = 0;
    bool m_show = true;
    std::set<int> m_heldKeys;
    std::function<void()> m_onReady;
};

Opener* openerOf(const QWidget* window)
{
    return window->findChild<Opener*>(QStringLiteral("quietOpener"), Qt::FindDirectChildrenOnly);
}

Opener* attach(QWidget* window)
{
    if (Opener* opener = openerOf(window))
        return opener;
    return new Opener(window);
}

} // namespace

bool PlatformFocusesNewWindows()
{
    if (g_override >= 0)
        return g_override == 1;
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

bool ModalWindowsTakeTheFocus()
{
    if (g_override >= 0)
        return g_override == 0;
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

void setPlatformOverride(int focuses)
{
    g_override = focuses;
}

void Show(QWidget* window, std::function<void()> onShown)
{
    attach(window)->request(true, std::move(onShown));
}

int Exec(QDialog* dialog)
{
    Opener* opener = attach(dialog);
    bool ready = false;
    bool closed = false;
    QEventLoop loop;
    const auto finished = QObject::connect(dialog, &QDialog::finished, &loop, [&] {
        closed = true;
        loop.quit();
    });
    opener->request(false, [&] {
        ready = true;
        loop.quit();
    });
    if (!ready && !closed)
        loop.exec();
    QObject::disconnect(finished);
    if (!ready) {
        opener->cancel();
        return dialog->result();
    }
    if (!ModalWindowsTakeTheFocus())
        return dialog->exec();
    // Qt's X11 plugin asks the window manager to activate every modal window it maps:
    // the dialog runs modeless here, its caller waiting all the same, and our other
    // windows are disabled meanwhile as a modal run would block them.
    dialog->setWindowModality(Qt::NonModal);
    std::vector<QPointer<QWidget>> blocked;
    for (QWidget* other : QApplication::topLevelWidgets()) {
        if (other != dialog && other->isVisible() && other->isEnabled()) {
            other->setEnabled(false);
            blocked.emplace_back(other);
        }
    }
    struct Unblock {
        std::vector<QPointer<QWidget>>& windows;
        ~Unblock()
        {
            for (const QPointer<QWidget>& window : windows) {
                if (window)
                    window->setEnabled(true);
            }
        }
    } unblock{blocked};
    QEventLoop run;
    QObject::connect(dialog, &QDialog::finished, &run, &QEventLoop::quit);
    dialog->show();
    run.exec();
    if (dialog->isVisible()) // the program is ending
        dialog->hide();
    return dialog->result();
}

void Cancel(QWidget* window)
{
    if (Opener* opener = openerOf(window))
        opener->cancel();
}

bool Pending(const QWidget* window)
{
    const Opener* opener = openerOf(window);
    return opener && opener->waiting();
}

void PollNow(QWidget* window)
{
    if (Opener* opener = openerOf(window))
        opener->poll();
}

} // namespace quiet_open
