// quillby: the desktop companion of the nodding USB toy.
#include "app/companion_app.h"
#include "app/fonts.h"
#include "app/signal_bridge.h"
#include "app/toy_doctor_cli.h"
#include "alarms/local_time.h"
#include "mail/mail_support.h"
#include "platform/clock_change.h"
#include "mail/secret_store.h"
#include "platform/desktop_notifier.h"
#include "platform/resume_watch.h"
#include "platform/messages.h"
#include "widgets/accessibility.h"
#include "widgets/ui_language.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>

namespace {

// A run that only talks to the running companion or prints help needs no window.
bool onlyTalks(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg(argv[i]);
        for (const char* option : {"--nod", "--status", "--show", "--quit", "--mail-settings", "--help", "-h", "--help-all",
                                   "--version", "-v"}) {
            if (arg == option)
                return true;
        }
    }
    return false;
}

QtMessageHandler g_previousHandler = nullptr;

// Without a display the companion still drives the toy and rings alarms. Where a display
// is named, Qt tries it and falls back to offscreen by itself: a probe connection of our
// own would cost a round trip to the server before the first paint. True when the
// platform choice was ours (and is undone once the application exists, so programs we
// start inherit the user's environment).
bool choosePlatform(bool talks)
{
    if (std::getenv("QT_QPA_PLATFORM"))
        return false;
    const char* display = std::getenv("DISPLAY");
    const bool hasX = display && *display;
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const char* session = std::getenv("XDG_SESSION_TYPE");
    const bool waylandFirst = wayland && *wayland && (!hasX || (session && std::strcmp(session, "wayland") == 0));
    if (talks) // a run that only talks to the companion shows nothing
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    else if (waylandFirst) // a missing wayland plugin must not end the program
        setenv("QT_QPA_PLATFORM", hasX ? "wayland;xcb;offscreen" : "wayland;offscreen", 1);
    else
        setenv("QT_QPA_PLATFORM", hasX ? "xcb;offscreen" : "offscreen", 1);
    // Qt's own lines about the display it could not reach would repeat ours.
    g_previousHandler = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& text) {
        const QLatin1String category(context.category ? context.category : "");
        if (category != QLatin1String("qt.qpa.xcb") && category != QLatin1String("qt.qpa.plugin")
            && category != QLatin1String("qt.qpa.wayland"))
            g_previousHandler(type, context, text);
    });
    return true;
}

void undoPlatformChoice(bool quiet)
{
    unsetenv("QT_QPA_PLATFORM");
    qInstallMessageHandler(g_previousHandler);
    if (!quiet && !platform::hasDisplay())
        std::fprintf(stderr, "quillby: no display available; running without windows (offscreen)\n");
}

// Each paint of a window kept in X shared memory waits for the server's reply before the
// memory is drawn in again: a round trip and a wake-up of Qt's X reader thread for every
// swap of the blinking tray icon. The windows are small; plain requests cost less. Set
// only for Qt's own connection, so programs we start keep the user's environment.
bool avoidSharedMemoryPaint()
{
    if (std::getenv("QT_XCB_NO_MITSHM"))
        return false;
    setenv("QT_XCB_NO_MITSHM", "1", 1);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    // The doctor answers beside a running copy or without one, and without a display.
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--doctor")
            return RunToyDoctor(OwnExecutablePath());
    }
    const bool talks = onlyTalks(argc, argv);
    // Before any thread exists, so every one inherits it: a thread of its own takes
    // SIGTERM and SIGINT (app/signal_bridge.h), whatever the UI thread is stuck in.
    if (!talks)
        BlockTerminationSignals();
    std::optional<FontConfigurationWarmUp> fonts;
    if (!talks)
        fonts.emplace();
    // The launcher's activation token lets the running copy take the focus; it is read
    // before Qt starts, which may use it up for windows of its own.
    const QString activationToken = QString::fromLocal8Bit(qgetenv("XDG_ACTIVATION_TOKEN"));
    const bool platformChosen = choosePlatform(talks);
    const bool paintChosen = avoidSharedMemoryPaint();
    QApplication app(argc, argv);
    if (platformChosen)
        undoPlatformChoice(talks);
    if (paintChosen)
        unsetenv("QT_XCB_NO_MITSHM");
    QApplication::setApplicationName(QStringLiteral("quillby"));
    QApplication::setApplicationVersion(QStringLiteral(QUILLBY_VERSION));
    QApplication::setQuitOnLastWindowClosed(false);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Quillby keeps the nodding USB toy connected, makes it nod when you press Enter or Delete,\n"
        "rings alarms, guards your desk with the toy's sensor and lives in the tray.\n"
        "Started while a companion already runs, it raises that one's window and ends."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption dataDir(QStringLiteral("data-dir"),
                                     QStringLiteral("Keep the data files in <dir> instead of the program's folder."),
                                     QStringLiteral("dir"));
    const QCommandLineOption toy(QStringLiteral("toy"),
                                 QStringLiteral("Toy backend: hid (default), virtual:<dir> or none."),
                                 QStringLiteral("backend"), QStringLiteral("hid"));
    const QCommandLineOption hidden(QStringLiteral("hidden"),
                                    QStringLiteral("Start in the tray without showing the window."));
    const QCommandLineOption nod(QStringLiteral("nod"), QStringLiteral("Make the running companion's toy nod."));
    const QCommandLineOption status(QStringLiteral("status"),
                                    QStringLiteral("Print whether the toy is connected, which guards are armed and what the last mail check found."));
    const QCommandLineOption show(QStringLiteral("show"), QStringLiteral("Bring the running companion's window back."));
    const QCommandLineOption quit(QStringLiteral("quit"), QStringLiteral("End the running companion."));
    const QCommandLineOption mailSettings(QStringLiteral("mail-settings"),
                                          QStringLiteral("Open the running companion's mailbox settings."));
    const QCommandLineOption doctor(QStringLiteral("doctor"),
                                    QStringLiteral("Tell why the toy does or does not answer, and how to fix it."));
    parser.addOptions({dataDir, toy, hidden, nod, status, show, quit, mailSettings, doctor});
    parser.process(app);
    // Options and their help stay English (scripts read them); the windows speak the user's language.
    InstallTranslations(app);
    InstallAccessibility();

    CompanionApp::Options options;
    options.dataDir = parser.value(dataDir).toStdString();
    options.toy = parser.value(toy).toStdString();
    options.hidden = parser.isSet(hidden);
    options.activationToken = activationToken;
    int remoteCount = 0;
    for (const auto* option : {&nod, &status, &show, &quit, &mailSettings}) {
        if (parser.isSet(*option)) {
            options.remoteRequest = option->names().constFirst();
            ++remoteCount;
        }
    }
    if (remoteCount > 1) {
        std::fprintf(stderr, "quillby: give at most one of --nod, --status, --show, --quit, --mail-settings\n");
        return 2;
    }
    InstallFontSubstitutions();
    // Qt Network and QtKeychain come with the mail module, once a mailbox is in use:
    // installed among the helpers, or beside the program in a build tree.
    const QString bin = QCoreApplication::applicationDirPath();
    mail::setSupportModuleFiles({bin + QStringLiteral("/../" QUILLBY_HELPER_DIR "/quillby-mail.so"),
                                 bin + QStringLiteral("/quillby-mail.so")});
    mail::setSecretStore(&mail::supportSecretStore());
    platform::StderrMessages stderrMessages;
    if (!platform::hasDisplay())
        platform::setMessages(&stderrMessages);
    fonts.reset();
    // The notification service is first needed long after the window shows: its bus
    // connection and capability query stay off the start-up path.
    std::unique_ptr<platform::DesktopNotifier> notifier;
    std::unique_ptr<QObject> resumeWatch;
    std::unique_ptr<platform::ClockChangeWatch> clockWatch;
    if (options.remoteRequest.isEmpty()) {
        QTimer::singleShot(1000, &app, [&notifier, &resumeWatch, &clockWatch] {
            notifier = platform::makeDBusDesktopNotifier();
            platform::setDesktopNotifier(notifier.get());
            resumeWatch = platform::makeLogindResumeWatch();
            // The kernel says when the clock is set or the zone file changes: nothing
            // compares clocks or looks at the zone file on a timer.
            clockWatch = platform::makeClockChangeWatch();
            SetZoneFileWatched(clockWatch->watchesZoneFile());
        });
    }
    const int code = CompanionApp(std::move(options)).Run();
    SetZoneFileWatched(false);
    clockWatch.reset();
    resumeWatch.reset();
    platform::setDesktopNotifier(nullptr);
    platform::setMessages(nullptr);
    return code;
}
