#include "app/companion_app.h"

#include "alarms/local_time.h"
#include "app/autostart.h"
#include "app/companion_bus.h"
#include "app/data_folder.h"
#include "core/globals.h"
#include "app/main_dialog.h"
#include "app/signal_bridge.h"
#include "app/toy_doctor_cli.h"
#include "device/toy_doctor.h"
#include "app/window_return.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/idle_source.h"
#include "platform/messages.h"
#include "platform/single_instance.h"
#include "platform/sound_output.h"
#include "platform/toy_library.h"
#include "sound/sound_table.h"

#include <QCoreApplication>
#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QStandardPaths>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <ctime>
#include <functional>
#include <utility>
#include <vector>

namespace {

// Calls back once, just after the watched window's first paint, or after a second when
// it is not painted at all (started hidden in the tray).
class FirstPaintWatch final : public QObject {
public:
    FirstPaintWatch(QWidget* window, std::function<void()> callback)
        : m_window(window)
        , m_callback(std::move(callback))
    {
        window->installEventFilter(this);
        QTimer::singleShot(1000, this, [this] { fire(); });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_window && event->type() == QEvent::Paint)
            QTimer::singleShot(0, this, [this] { fire(); });
        return false;
    }

private:
    void fire()
    {
        if (!m_callback)
            return;
        m_window->removeEventFilter(this);
        std::exchange(m_callback, {})();
    }

    QWidget* m_window;
    std::function<void()> m_callback;
};

StartDate g_startDate;

// A save killed between writing its temporary file and renaming it leaves the temporary
// behind; the real file was never touched.
void removeSaveLeftovers(const std::string& dataFolder)
{
    std::vector<std::string> files;
    for (const char* name :
         {"sound.txt", "AlarmList.txt", "AlarmList.txt.bak", "DogProfile.txt", "MailBoxConfig.jxq", "MailTls.txt"})
        files.push_back(dataFolder + name);
    for (const char* sound : DefaultSoundFiles())
        files.push_back(dataFolder + "SOUNDLIB/" + sound);
    files.push_back(dataFolder + "SOUNDLIB/" + kDefaultsWrittenFile);
    platform::removeStaleTemporaries(files);
}

// Set-up's reports wait until the timers run: a box nobody answers must not keep the toy
// without its reports. Questions still ask at once; set-up asks none.
class DeferredMessages final : public platform::Messages {
public:
    DeferredMessages() : m_target(platform::messages()) { platform::setMessages(this); }
    ~DeferredMessages() override
    {
        platform::setMessages(&m_target);
        for (Pending& message : m_pending) {
            // Said on their own, after set-up: nothing waits for their answer.
            QTimer::singleShot(0, qApp, [&target = m_target, message] {
                target.post(message.caption, message.text, message.icon);
            });
        }
    }
    Q_DISABLE_COPY_MOVE(DeferredMessages)

    int show(QWidget* parent, const QString& caption, const QString& text, Icon icon, Buttons buttons) override
    {
        if (buttons != Buttons::Ok)
            return m_target.show(parent, caption, text, icon, buttons);
        m_pending.push_back({parent, caption, text, icon});
        return Ok;
    }

private:
    struct Pending {
        QPointer<QWidget> parent;
        QString caption;
        QString text;
        Icon icon;
    };
    platform::Messages& m_target;
    std::vector<Pending> m_pending;
};

} // namespace

CompanionApp::CompanionApp(Options options) : m_options(std::move(options)) {}

CompanionApp::~CompanionApp()
{
    g_toy.setLibrary(nullptr);
    platform::setIdle(nullptr);
    platform::setSound(nullptr);
}

const StartDate& CompanionApp::startDate()
{
    return g_startDate;
}

StartDate CompanionApp::MakeStartDate(std::int64_t now)
{
    StartDate date;
    const std::time_t t = static_cast<std::time_t>(now);
    std::tm local{};
    if (!localtime_r(&t, &local))
        return date;
    date.day = local.tm_mday;
    date.year = local.tm_year + 1900;
    date.month = local.tm_mon + 1;
    date.monthName = FormatLocalTime(now, "%B");
    return date;
}

int CompanionApp::runRemote()
{
    QString request = m_options.remoteRequest;
    if (request == QLatin1String("show"))
        request = ReturnRequestLine(request, m_options.activationToken);
    const auto reply = platform::SingleInstance::send(request);
    if (!reply) {
        std::fprintf(stderr, "quillby: no running companion to send \"%s\" to\n",
                     m_options.remoteRequest.toLocal8Bit().constData());
        return 1;
    }
    std::printf("%s\n", reply->toLocal8Bit().constData());
    return 0;
}

int CompanionApp::Run()
{
    if (!m_options.remoteRequest.isEmpty())
        return runRemote();

    platform::IdleSource* idle = m_options.idle;
    if (!idle) {
        m_idle = platform::makeSystemIdleSource(QGuiApplication::platformName().toStdString());
        idle = m_idle.get();
    }
    platform::setIdle(idle);

    platform::SingleInstance instance;
    if (!instance.claim()) {
        // Another copy runs: ask it to raise its window, then end without a message.
        platform::SingleInstance::send(ReturnRequestLine(QStringLiteral("raise"), m_options.activationToken));
        return exitInstance(0);
    }
    if (!initInstance())
        return exitInstance(1);

    std::string toyError;
    m_toy = platform::makeToyLibrary(m_options.toy, &toyError);
    if (!m_toy) {
        std::fprintf(stderr, "quillby: %s\n", toyError.c_str());
        return exitInstance(2);
    }
    g_toy.setLibrary(m_toy.get());
    const std::string executable = QCoreApplication::applicationFilePath().toStdString();
    g_programFolder = HelperFolderFromExecutable(executable);
    auto sound = std::make_unique<platform::HeldSoundOutput>(platform::makeSdlSoundOutput(g_programFolder + "quillby-sound"));
    platform::HeldSoundOutput* heldSound = sound.get();
    m_sound = std::move(sound);
    platform::setSound(m_sound.get());

    const std::string fallback
        = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation).toStdString();
    const DataFolderChoice folder = ChooseDataFolder(executable, m_options.dataDir, fallback);
    SetAutostartOptions(m_options.dataDir, m_options.toy);
    SetToyRuleHelperCommand(ToyRuleHelperCommand(executable));
    // Only the one running copy saves, so a copy left by an in-place save was cut off.
    platform::restoreInterruptedSaves();
    removeSaveLeftovers(folder.folder);

    int code = 0;
    {
        MainDialog dialog(folder.folder);
        // Ending leaves every event loop, a message box's or a modal dialog's included: the
        // nested runs unwind, their windows close, and Run goes on to the exit step.
        bool ended = false;
        QObject::connect(&dialog, &MainDialog::runEnded, qApp, [&ended] {
            ended = true;
            QCoreApplication::exit(0);
        });
        SignalBridge bridge;
        QObject::connect(&bridge, &SignalBridge::terminationRequested, &dialog, [&dialog](int) {
            if (!dialog.quitFlag())
                dialog.Quit();
        });
        instance.setHandler([&dialog](const QString& request) { return dialog.RemoteRequest(request); });
        if (platform::hasDisplay()) {
            DeferredMessages deferred;
            dialog.SetUp();
        } else {
            dialog.SetUp();
        }
        // Sound (and the audio system's start), the title bar's icon and the session bus
        // wait for the window's first paint. Without a session bus nothing is said.
        std::unique_ptr<CompanionBus> bus;
        FirstPaintWatch firstPaint(&dialog, [heldSound, &dialog, &bus] {
            heldSound->release();
            dialog.SetUpWindowIcon();
            bus = CompanionBus::start(dialog);
        });
        // A request to end may already have come during set-up; exec() would forget it.
        if (!ended) {
            if (m_options.hidden)
                dialog.HideToTray();
            else
                dialog.show();
            code = QApplication::exec();
        }
        instance.setHandler({});
    }
    return exitInstance(code);
}

bool CompanionApp::initInstance()
{
    if (!platform::idle().init()) {
        platform::messages().show(nullptr, platform::applicationCaption(),
                                  QCoreApplication::translate("CompanionApp", "动态库初始化错误 -- 终止程序"),
                                  platform::Messages::Icon::Exclamation);
        return false;
    }
    g_startDate = MakeStartDate(platform::clock().time());
    return true;
}

int CompanionApp::exitInstance(int code)
{
    // Safe without init: a second copy never initialised the idle source.
    platform::idle().term();
    return code;
}
