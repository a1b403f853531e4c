// The program's windows as a user sees them on a real X server with a window manager:
// opened with real pointer clicks and read back from the screen itself.
//
// The screen is read through the root window with plain GetImage. `xwd -root` is no witness
// here: where windows use a colormap other than the screen's default (every Qt window has its
// own), it reads each group of same-colormap windows through one member and returns black
// wherever that member is covered, so a dialog over the main window looks like a black box.
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
// Last: Xlib defines macros (None, Bool, Status) that would clash with the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

bool waitFor(const std::function<bool()>& condition, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QThread::msleep(50);
    }
    return true;
}

QImage grabScreen(Display* display)
{
    const Window root = DefaultRootWindow(display);
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, root, &attributes);
    XImage* shot = XGetImage(display, root, 0, 0, static_cast<unsigned>(attributes.width),
                             static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (!shot)
        return {};
    QImage image(attributes.width, attributes.height, QImage::Format_RGB32);
    for (int y = 0; y < attributes.height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < attributes.width; ++x)
            line[x] = 0xff000000u | static_cast<QRgb>(XGetPixel(shot, x, y) & 0xffffffu);
    }
    XDestroyImage(shot);
    return image;
}

double blackShare(const QImage& area)
{
    qint64 black = 0;
    for (int y = 0; y < area.height(); ++y) {
        for (int x = 0; x < area.width(); ++x)
            black += qGray(area.pixel(x, y)) < 16 ? 1 : 0;
    }
    return area.isNull() ? 1.0 : static_cast<double>(black) / (area.width() * area.height());
}

// Mean difference per channel, 0..255.
double difference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size() || a.isNull())
        return 0;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    }
    return sum / (3.0 * a.width() * a.height());
}

class ScreenPaint : public ::testing::Test {
protected:
    void SetUp() override
    {
        xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        openbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
        xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
        if (xvfb.isEmpty() || openbox.isEmpty() || xdotool.isEmpty())
            GTEST_SKIP() << "needs Xvfb, openbox and xdotool";
        ASSERT_TRUE(runtime.isValid() && data.isValid());
        server.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-noreset"),
                            QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-screen"),
                            QStringLiteral("0"), QStringLiteral("1024x768x24")});
        ASSERT_TRUE(waitFor([&] { return server.canReadLine() || (server.waitForReadyRead(100) && server.canReadLine()); },
                            10000));
        const QString name = QLatin1Char(':') + QString::fromLatin1(server.readLine()).trimmed();
        display.reset(XOpenDisplay(name.toLatin1().constData()));
        ASSERT_TRUE(display);
        env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), name);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        // Where Qt tries a display it talks to D-Bus, whose library keeps a buffer for good.
        env.insert(QStringLiteral("LSAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
        windowManager.setProcessEnvironment(env);
        windowManager.start(openbox, {});
        const Atom check = XInternAtom(display.get(), "_NET_SUPPORTING_WM_CHECK", False);
        ASSERT_TRUE(waitFor([&] { return hasProperty(DefaultRootWindow(display.get()), check); }, 10000))
            << "openbox did not start";
        companion.setProcessEnvironment(env);
        companion.start(QStringLiteral(QUILLBY_BINARY),
                        {QStringLiteral("--data-dir"), data.path(), QStringLiteral("--toy=none")});
        ASSERT_TRUE(companion.waitForStarted(10000));
    }

    void TearDown() override
    {
        display.reset();
        for (QProcess* process : {&companion, &windowManager, &server}) {
            if (process->state() != QProcess::NotRunning) {
                process->terminate();
                if (!process->waitForFinished(5000)) {
                    process->kill();
                    process->waitForFinished(5000);
                }
            }
        }
    }

    bool hasProperty(Window window, Atom property)
    {
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* value = nullptr;
        const bool found = XGetWindowProperty(display.get(), window, property, 0, 1, False, AnyPropertyType, &type,
                                              &format, &count, &after, &value)
                == Success
            && type != None;
        if (value)
            XFree(value);
        return found;
    }

    QString xdo(const QStringList& args)
    {
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(xdotool, args);
        if (!process.waitForFinished(10000)) {
            process.kill();
            process.waitForFinished();
            return {};
        }
        return QString::fromLatin1(process.readAllStandardOutput()).trimmed();
    }

    // The companion's mapped windows, by id.
    QStringList shownWindows()
    {
        return xdo({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                    QString::number(companion.processId())})
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    // Runs the action (again, up to `tries` times, for buttons that want a second press)
    // until a window of ours that was not there before shows; its id, or empty.
    QString windowOpenedBy(const std::function<void()>& action, int tries = 1)
    {
        const QStringList before = shownWindows();
        QString opened;
        for (int i = 0; i < tries && opened.isEmpty(); ++i) {
            action();
            waitFor([&] {
                for (const QString& id : shownWindows()) {
                    if (!before.contains(id))
                        opened = id;
                }
                return !opened.isEmpty();
            }, i + 1 < tries ? 1000 : 10000);
        }
        return opened;
    }

    QRect geometryOf(const QString& id)
    {
        XWindowAttributes attributes{};
        const auto window = static_cast<Window>(id.toULong());
        if (!XGetWindowAttributes(display.get(), window, &attributes))
            return {};
        int x = 0;
        int y = 0;
        Window child = None;
        XTranslateCoordinates(display.get(), window, DefaultRootWindow(display.get()), 0, 0, &x, &y, &child);
        return {x, y, attributes.width, attributes.height};
    }

    void click(const QString& window, QPoint at, int button)
    {
        xdo({QStringLiteral("mousemove"), QStringLiteral("--window"), window, QString::number(at.x()),
             QString::number(at.y()), QStringLiteral("click"), QString::number(button)});
    }

    // A window counts as painted once its area on screen is neither ~all black nor what
    // was there before it opened. The bound is generous for a loaded machine: the fault
    // it catches stays black until the window is moved.
    void expectPainted(const char* what, const QString& id, const QImage& before)
    {
        ASSERT_FALSE(id.isEmpty()) << what << " did not open";
        const QRect area = geometryOf(id);
        ASSERT_FALSE(area.isEmpty()) << what;
        QImage seen;
        const bool painted = waitFor([&] {
            seen = grabScreen(display.get()).copy(area);
            return blackShare(seen) < 0.5 && difference(seen, before.copy(area)) > 8;
        }, 5000);
        EXPECT_TRUE(painted) << what << " at " << area.x() << ',' << area.y() << ' ' << area.width() << 'x'
                             << area.height() << ": black share " << blackShare(seen) << ", change "
                             << difference(seen, before.copy(area));
    }

    QString xvfb;
    QString openbox;
    QString xdotool;
    QTemporaryDir runtime;
    QTemporaryDir data;
    QProcessEnvironment env;
    QProcess server;
    QProcess windowManager;
    QProcess companion;
    std::unique_ptr<Display, int (*)(Display*)> display{nullptr, XCloseDisplay};
};

// A popup and dialogs opened from dialogs, each lying within a window of ours beneath it.
TEST_F(ScreenPaint, WindowsOpenedOverTheMainWindowAppearPainted)
{
    QString mainWindow;
    ASSERT_TRUE(waitFor([&] {
        mainWindow = xdo({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                          QStringLiteral("^FENWICK$")});
        return !mainWindow.isEmpty();
    }, 20000)) << "the main window did not show";
    mainWindow = mainWindow.section(QLatin1Char('\n'), 0, 0);

    QImage before = grabScreen(display.get());
    const QString menu = windowOpenedBy([&] { click(mainWindow, {30, 20}, 3); });
    expectPainted("the main window's menu", menu, before);
    xdo({QStringLiteral("key"), QStringLiteral("Escape")});
    ASSERT_TRUE(waitFor([&] { return !shownWindows().contains(menu); }, 10000));

    // The siren opens the guard mode menu on a second press.
    before = grabScreen(display.get());
    const QString modes = windowOpenedBy([&] { click(mainWindow, {87, 178}, 1); }, 2);
    expectPainted("the guard mode menu", modes, before);

    before = grabScreen(display.get());
    const QString leave = windowOpenedBy([&] { click(modes, {213, 140}, 1); });
    expectPainted("the leave-mode window", leave, before);
}

} // namespace
