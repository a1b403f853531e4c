// The program as a user starts it: a real process with its own data folder, a virtual
// toy and SDL's disk audio driver. Waits are bounded polls for start-up, never timer periods.
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <QStandardPaths>
#include <csignal>
#include <functional>
#include <memory>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/gui_helpers.h"

namespace {

bool waitFor(const std::function<bool()>& condition, int timeoutMs = 15000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QThread::msleep(20);
    }
    return true;
}

class CompanionProcess : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(runtime.isValid() && data.isValid() && toy.isValid());
        env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("disk"));
        env.insert(QStringLiteral("SDL_DISKAUDIOFILE"), runtime.path() + QStringLiteral("/audio.raw"));
        env.remove(QStringLiteral("QUILLBY_IDLE_INIT_FAIL"));
    }
    void TearDown() override { stopCompanion(); }
    void stopCompanion()
    {
        if (companion.state() != QProcess::NotRunning) {
            companion.kill();
            companion.waitForFinished(5000);
        }
    }

    QStringList companionArgs(const QString& folder = {}) const
    {
        return {QStringLiteral("--data-dir"), folder.isEmpty() ? data.path() : folder,
                QStringLiteral("--toy=virtual:") + toy.path()};
    }
    void plugToy()
    {
        QFile attached(toy.path() + QStringLiteral("/attached"));
        ASSERT_TRUE(attached.open(QIODevice::WriteOnly));
    }
    int reportCount()
    {
        QFile reports(toy.path() + QStringLiteral("/reports"));
        return reports.open(QIODevice::ReadOnly) ? static_cast<int>(reports.readAll().count('\n')) : 0;
    }
    // Ends the companion the given way; true when it ended within a second, with code 0.
    bool endsWithinASecond(const QString& how)
    {
        if (how == QLatin1String("--quit"))
            EXPECT_EQ(run({how}).exitCode, 0);
        else
            ::kill(static_cast<pid_t>(companion.processId()), how == QLatin1String("SIGINT") ? SIGINT : SIGTERM);
        return companion.waitForFinished(1000) && companion.exitStatus() == QProcess::NormalExit
            && companion.exitCode() == 0;
    }
    void startCompanion(const QString& folder = {})
    {
        companion.setProcessEnvironment(env);
        companion.start(QStringLiteral(QUILLBY_BINARY), companionArgs(folder));
        ASSERT_TRUE(companion.waitForStarted(10000));
        // Ready once it answers the remote control.
        ASSERT_TRUE(waitFor([&] { return run({QStringLiteral("--status")}).exitCode == 0; }));
    }
    // Starts it on the folder and quits it once it answers; what it said on standard error.
    QString startAndQuit(const QString& folder)
    {
        startCompanion(folder);
        if (HasFatalFailure())
            return {};
        EXPECT_EQ(run({QStringLiteral("--quit")}).exitCode, 0);
        EXPECT_TRUE(companion.waitForFinished(5000));
        return QString::fromLocal8Bit(companion.readAllStandardError());
    }
    struct Result {
        int exitCode = -1;
        QString out;
        QString err;
    };
    Result run(const QStringList& args)
    {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(QUILLBY_BINARY), args);
        if (!p.waitForFinished(15000)) {
            p.kill();
            p.waitForFinished();
            return {};
        }
        return {p.exitCode(), QString::fromLocal8Bit(p.readAllStandardOutput()),
                QString::fromLocal8Bit(p.readAllStandardError())};
    }

    // Where Qt tries a display it talks to D-Bus, whose library keeps a buffer for good.
    void allowDbusBuffer()
    {
        QFile suppressions(runtime.path() + QStringLiteral("/lsan.supp"));
        ASSERT_TRUE(suppressions.open(QIODevice::WriteOnly));
        suppressions.write("leak:libdbus-1.so\n");
        suppressions.close();
        env.insert(QStringLiteral("LSAN_OPTIONS"), QStringLiteral("suppressions=") + suppressions.fileName());
    }

    QTemporaryDir runtime;
    QTemporaryDir data;
    QTemporaryDir toy;
    QProcessEnvironment env;
    QProcess companion;
};

TEST_F(CompanionProcess, HelpAndVersionDescribeTheProgram)
{
    const Result help = run({QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains(QStringLiteral("--data-dir")));
    EXPECT_TRUE(help.out.contains(QStringLiteral("--toy")));
    EXPECT_TRUE(help.out.contains(QStringLiteral("--doctor")));
    const Result version = run({QStringLiteral("--version")});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.contains(QStringLiteral("1.0")));
}

TEST_F(CompanionProcess, RemoteControlWithoutACompanionSaysSoAndFails)
{
    const Result status = run({QStringLiteral("--status")});
    EXPECT_EQ(status.exitCode, 1);
    EXPECT_TRUE(status.err.contains(QStringLiteral("no running companion")));
}

// The doctor answers alone and beside a running companion, without a display, and leaves
// the companion its single instance.
TEST_F(CompanionProcess, DoctorReportsWithOrWithoutACompanion)
{
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    for (const bool beside : {false, true}) {
        SCOPED_TRACE(beside ? "beside a companion" : "alone");
        if (beside)
            startCompanion();
        const Result doctor = run({QStringLiteral("--doctor")});
        ASSERT_TRUE(doctor.exitCode == 0 || doctor.exitCode == 1) << doctor.exitCode;
        const QStringList lines = doctor.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        ASSERT_GE(lines.size(), 2);
        EXPECT_TRUE(lines.first().startsWith(QStringLiteral("USB: ")));
        EXPECT_EQ(doctor.err, QString());
        const bool fixGiven = lines.last().startsWith(QStringLiteral("Run: "));
        const QString verdict = lines.at(lines.size() - (fixGiven ? 2 : 1));
        // Usable exactly when the verdict says so; a machine without the toy says that.
        EXPECT_EQ(doctor.exitCode == 0, verdict == QLatin1String("The toy is connected and usable.")
                                            || verdict.contains(QStringLiteral("toys are plugged in")));
        if (!QFile::exists(QStringLiteral("/sys/bus/usb/devices"))) {
            EXPECT_EQ(verdict, QStringLiteral("No toy is plugged in."));
        }
        if (beside) {
            EXPECT_EQ(run({QStringLiteral("--status")}).exitCode, 0) << "the companion still runs and answers";
        }
    }
}

TEST_F(CompanionProcess, StartsInAnEmptyFolderPlaysTheStartSoundAndEndsOnSigterm)
{
    startCompanion();
    EXPECT_TRUE(QFile::exists(data.path() + QStringLiteral("/sound.txt")));
    EXPECT_TRUE(QDir(data.path() + QStringLiteral("/SOUNDLIB")).exists());
    QStringList entries = QDir(data.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);
    entries.sort();
    EXPECT_EQ(entries, (QStringList{QStringLiteral("SOUNDLIB"), QStringLiteral("sound.txt")}));
    for (const auto& [name, mode] : {std::pair{"/sound.txt", 0600}, {"/SOUNDLIB", 0700}, {"/SOUNDLIB/Cat Songs/classic.wav", 0600}}) {
        struct stat st { };
        ::stat(QFile::encodeName(data.path() + QLatin1String(name)).constData(), &st);
        EXPECT_EQ(st.st_mode & 0777, static_cast<mode_t>(mode)) << name;
    }

    // The start sound reached the audio device: the disk driver wrote non-silent samples.
    const QString audio = runtime.path() + QStringLiteral("/audio.raw");
    EXPECT_TRUE(waitFor([&] {
        QFile f(audio);
        if (!f.open(QIODevice::ReadOnly))
            return false;
        const QByteArray bytes = f.readAll();
        return std::any_of(bytes.begin(), bytes.end(), [](char c) { return c != 0; });
    }));

    // A second copy ends at once with code 0 and leaves the first running.
    const Result second = run(companionArgs());
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_EQ(companion.state(), QProcess::Running);

    EXPECT_EQ(run({QStringLiteral("--status")}).out.trimmed().left(4), QStringLiteral("toy:"));

    ::kill(static_cast<pid_t>(companion.processId()), SIGTERM);
    ASSERT_TRUE(companion.waitForFinished(10000));
    EXPECT_EQ(companion.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(companion.exitCode(), 0);
}

// Qt Network, QtKeychain and what they pull in come with the mail module, and that only
// once a mailbox is set.
TEST_F(CompanionProcess, TheMailLibrariesAreLoadedOnlyWithAMailbox)
{
    const auto mapped = [this] {
        QFile maps(QStringLiteral("/proc/%1/maps").arg(companion.processId()));
        return maps.open(QIODevice::ReadOnly) ? maps.readAll() : QByteArray();
    };
    const char* const libraries[] = {"libQt6Network.so", "libqt6keychain.so", "libkrb5.so", "quillby-mail.so"};
    startCompanion();
    const QByteArray without = mapped();
    ASSERT_FALSE(without.isEmpty());
    for (const char* library : libraries)
        EXPECT_FALSE(without.contains(library)) << library << " without a mailbox";
    ASSERT_TRUE(endsWithinASecond(QStringLiteral("--quit")));

    QFile mailbox(data.path() + QStringLiteral("/MailBoxConfig.jxq"));
    ASSERT_TRUE(mailbox.open(QIODevice::WriteOnly));
    mailbox.write("pat//127.0.0.1:1/5/-1//usr/bin/true/");
    mailbox.close();
    startCompanion();
    EXPECT_TRUE(waitFor([&] { return mapped().contains("quillby-mail.so"); })) << "the password is read through it";
    const QByteArray with = mapped();
    for (const char* library : libraries)
        EXPECT_TRUE(with.contains(library)) << library << " with a mailbox";
}

TEST_F(CompanionProcess, QuitFromASecondCopySwitchesTheToyOff)
{
    QFile attached(toy.path() + QStringLiteral("/attached"));
    ASSERT_TRUE(attached.open(QIODevice::WriteOnly));
    attached.close();
    startCompanion();
    // Connected within the first tick or two.
    ASSERT_TRUE(waitFor([&] {
        return run({QStringLiteral("--status")}).out.startsWith(QStringLiteral("toy: connected"));
    }));
    const Result quit = run({QStringLiteral("--quit")});
    EXPECT_EQ(quit.exitCode, 0);
    ASSERT_TRUE(companion.waitForFinished(10000));
    EXPECT_EQ(companion.exitCode(), 0);
    QFile reports(toy.path() + QStringLiteral("/reports"));
    ASSERT_TRUE(reports.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = reports.readAll().split('\n');
    ASSERT_GE(lines.size(), 5);
    // Without a nod only bit 0 was set: the three exit writes all carry mask 0 and byte 3.
    EXPECT_EQ(lines.last(), QByteArray());
    for (int i = 2; i <= 4; ++i)
        EXPECT_EQ(lines[lines.size() - i], QByteArray("0003000000000000")) << i;
    EXPECT_EQ(lines.first(), QByteArray("0143000000000000"));
}

TEST_F(CompanionProcess, WithoutADisplayItSaysSoAndStillRuns)
{
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    allowDbusBuffer();
    // No display named, an X display and a Wayland one named that nobody serves.
    const struct {
        QString x11, wayland;
    } cases[] = { { QString(), QString() }, { QStringLiteral(":59999"), QString() },
        { QString(), QStringLiteral("quillby-nobody-59999") } };
    for (const auto& c : cases) {
        SCOPED_TRACE(qPrintable(c.x11 + c.wayland));
        for (const auto& [name, value] : { std::pair { QStringLiteral("DISPLAY"), c.x11 },
                 std::pair { QStringLiteral("WAYLAND_DISPLAY"), c.wayland } }) {
            if (value.isEmpty())
                env.remove(name);
            else
                env.insert(name, value);
        }
        startCompanion();
        // The remote control itself needs no window and says nothing about it.
        const Result status = run({QStringLiteral("--status")});
        EXPECT_EQ(status.exitCode, 0);
        EXPECT_FALSE(status.err.contains(QStringLiteral("no display")));
        EXPECT_EQ(run({QStringLiteral("--quit")}).exitCode, 0);
        ASSERT_TRUE(companion.waitForFinished(10000));
        EXPECT_EQ(companion.exitCode(), 0);
        // One line of ours, none of Qt's about the display it could not reach.
        const QString err = QString::fromLocal8Bit(companion.readAllStandardError());
        EXPECT_EQ(err.count(QStringLiteral("no display available; running without windows (offscreen)")), 1) << qPrintable(err);
        EXPECT_FALSE(err.contains(QStringLiteral("qt.qpa"))) << qPrintable(err);
    }
}

// A data file that cannot be written at set-up is reported, and the companion goes on:
// the toy gets its reports and every way of ending still ends it.
TEST_F(CompanionProcess, FileFaultsAtSetUpAreReportedAndTheCompanionKeepsRunning)
{
    struct Case {
        const char* name;
        std::function<QString()> prepare; // returns the data folder
        QString error;
        QString endBy;
    };
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    QString mountPoint;
    const std::unique_ptr<QString, void (*)(QString*)> unmount(&mountPoint, [](QString* path) {
        if (!path->isEmpty())
            QProcess::execute(QStringLiteral("umount"), {*path});
    });
    const Case cases[] = {
        {"read-only empty folder",
         [&] {
             const QString folder = scratch.path() + QStringLiteral("/readonly");
             QDir().mkpath(folder);
             QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
             return folder;
         },
         QStringLiteral("Access to %1/sound.txt was denied."), QStringLiteral("--quit")},
        {"data folder that is a file",
         [&] {
             QFile file(scratch.path() + QStringLiteral("/plain"));
             EXPECT_TRUE(file.open(QIODevice::WriteOnly));
             return file.fileName();
         },
         QStringLiteral("An unknown error occurred while accessing %1/sound.txt."), QStringLiteral("SIGINT")},
        {"full disk",
         [&] {
             // A small tmpfs, filled up; where mounting is not allowed, a file size limit of
             // the companion fails its writes instead.
             mountPoint = scratch.path() + QStringLiteral("/full");
             QDir().mkpath(mountPoint);
             if (QProcess::execute(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"),
                                                             QStringLiteral("-o"), QStringLiteral("size=64k,mode=0700"),
                                                             QStringLiteral("tmpfs"), mountPoint})
                 == 0) {
                 QFile filler(mountPoint + QStringLiteral("/filler"));
                 EXPECT_TRUE(filler.open(QIODevice::WriteOnly));
                 while (filler.write(QByteArray(4096, 'x')) == 4096 && filler.flush()) {
                 }
                 return mountPoint;
             }
             mountPoint.clear();
             companion.setChildProcessModifier([] {
                 ::signal(SIGXFSZ, SIG_IGN);
                 const rlimit limit{256, 256};
                 ::setrlimit(RLIMIT_FSIZE, &limit);
             });
             env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
             return scratch.path() + QStringLiteral("/limited");
         },
         QString(), QStringLiteral("SIGTERM")},
    };
    plugToy();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(toy.path() + QStringLiteral("/reports"));
        const QString folder = c.prepare();
        QString error = c.error.isEmpty() ? (mountPoint.isEmpty()
                                                 ? QStringLiteral("An unknown error occurred while accessing %1/sound.txt.")
                                                 : QStringLiteral("Disk full while accessing %1/sound.txt."))
                                          : c.error;
        error = error.arg(folder);
        companion.setProcessEnvironment(env);
        companion.start(QStringLiteral(QUILLBY_BINARY),
                        {QStringLiteral("--data-dir"), folder, QStringLiteral("--toy=virtual:") + toy.path()});
        ASSERT_TRUE(companion.waitForStarted(10000));
        EXPECT_TRUE(waitFor([&] { return reportCount() >= 2; })) << "the toy got no report";
        EXPECT_TRUE(endsWithinASecond(c.endBy)) << qPrintable(c.endBy);
        stopCompanion();
        EXPECT_TRUE(QString::fromLocal8Bit(companion.readAllStandardError()).contains(error)) << qPrintable(error);
    }
}

// With a display the set-up's message box stays up while the timers run, and ending the
// companion closes it.
TEST_F(CompanionProcess, SetUpMessageBoxHoldsNothingBackAndEndingClosesIt)
{
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    if (xvfb.isEmpty() || xdotool.isEmpty())
        GTEST_SKIP() << "needs Xvfb and xdotool";
    // Without -noreset the server resets each time its last client leaves (the previous
    // companion, each xdotool) and refuses connections meanwhile.
    QProcess server;
    server.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-noreset"),
                        QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-screen"),
                        QStringLiteral("0"), QStringLiteral("800x600x24")});
    ASSERT_TRUE(waitFor([&] { return server.canReadLine() || (server.waitForReadyRead(100) && server.canReadLine()); },
                        10000));
    const QString display = QLatin1Char(':') + QString::fromLatin1(server.readLine()).trimmed();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.insert(QStringLiteral("DISPLAY"), display);
    allowDbusBuffer();
    QFile::setPermissions(data.path(), QFile::ReadOwner | QFile::ExeOwner);
    plugToy();
    for (const QString& endBy : {QStringLiteral("--quit"), QStringLiteral("SIGTERM"), QStringLiteral("SIGINT")}) {
        SCOPED_TRACE(qPrintable(endBy));
        QFile::remove(toy.path() + QStringLiteral("/reports"));
        companion.setProcessEnvironment(env);
        companion.start(QStringLiteral(QUILLBY_BINARY), companionArgs());
        ASSERT_TRUE(companion.waitForStarted(10000));
        QProcess search;
        search.setProcessEnvironment(env);
        const bool shown = waitFor([&] {
            search.start(xdotool, {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                                   QStringLiteral("^quillby$")});
            return search.waitForFinished(5000) && search.exitCode() == 0;
        });
        EXPECT_TRUE(waitFor([&] { return reportCount() >= 2; })) << "the toy got no report";
        EXPECT_TRUE(endsWithinASecond(endBy));
        stopCompanion();
        EXPECT_TRUE(shown) << "no message box; the companion said: "
                           << qPrintable(QString::fromLocal8Bit(companion.readAllStandardError()));
    }
    QFile::setPermissions(data.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    server.terminate();
    server.waitForFinished(5000);
}

// Without XDG_RUNTIME_DIR another local user can guess where the lock would be and put
// one there, naming a live process of theirs; the companion starts all the same.
TEST_F(CompanionProcess, StartsDespiteALockPlantedByAnotherUser)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    QProcess theirs;
    theirs.setChildProcessModifier([] { [[maybe_unused]] const int dropped = ::setuid(65534); });
    theirs.start(QStringLiteral("sleep"), {QStringLiteral("60")});
    ASSERT_TRUE(theirs.waitForStarted(5000));
    const QByteArray lock = QByteArray::number(theirs.processId()) + "\nsleep\n\n";
    const auto plant = [&](const QString& path) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(lock);
        file.close();
        ASSERT_EQ(::chown(QFile::encodeName(path).constData(), 65534, 65534), 0);
    };
    // The names a guess would try: the lock in the shared folder itself, and a folder
    // named after our uid taken first, with a lock in it.
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    env.insert(QStringLiteral("TMPDIR"), tmp.path());
    env.insert(QStringLiteral("XDG_CACHE_HOME"), tmp.path() + QStringLiteral("/cache"));
    env.insert(QStringLiteral("USER"), QStringLiteral("owner"));
    ::chmod(QFile::encodeName(tmp.path()).constData(), 01777);
    plant(tmp.path() + QStringLiteral("/AutoClose-owner.lock"));
    const QString taken = tmp.path() + QStringLiteral("/quillby-0");
    QDir().mkpath(taken);
    plant(taken + QStringLiteral("/AutoClose-owner.lock"));
    ::chmod(QFile::encodeName(taken).constData(), 0777);
    ASSERT_EQ(::chown(QFile::encodeName(taken).constData(), 65534, 65534), 0);

    startCompanion();
    EXPECT_EQ(run({QStringLiteral("--quit")}).exitCode, 0);
    EXPECT_TRUE(companion.waitForFinished(5000));
    theirs.kill();
    theirs.waitForFinished(5000);
}

// A save killed before its rename leaves "<file>.tmp<pid>-<n>"; the next start removes
// ours whose writer is gone and nothing else.
TEST_F(CompanionProcess, LeftoversOfKilledSavesAreRemovedAtStart)
{
    QProcess gone;
    gone.start(QStringLiteral("true"));
    ASSERT_TRUE(gone.waitForStarted(5000));
    const QString dead = QString::number(gone.processId());
    ASSERT_TRUE(gone.waitForFinished(5000));
    const QString alive = QString::number(QCoreApplication::applicationPid());
    QDir(data.path()).mkpath(QStringLiteral("SOUNDLIB/Cat Sounds/Normal"));
    const QStringList removed = {QStringLiteral("AlarmList.txt.tmp%1-3").arg(dead),
                                 QStringLiteral("sound.txt.tmp%1-0").arg(dead),
                                 QStringLiteral("SOUNDLIB/Cat Sounds/Normal/Start.wav.tmp%1-2").arg(dead)};
    const QStringList kept = {QStringLiteral("AlarmList.txt"), QStringLiteral("DogProfile.txt.tmp%1-1").arg(alive),
                              QStringLiteral("notes.txt.tmp%1-1").arg(dead),
                              QStringLiteral("AlarmList.txt.tmp%1-x").arg(dead)};
    for (const QString& name : removed + kept) {
        QFile file(data.path() + QLatin1Char('/') + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#half a rec");
    }
    startCompanion();
    for (const QString& name : removed)
        EXPECT_FALSE(QFile::exists(data.path() + QLatin1Char('/') + name)) << qPrintable(name);
    for (const QString& name : kept)
        EXPECT_TRUE(QFile::exists(data.path() + QLatin1Char('/') + name)) << qPrintable(name);
    EXPECT_EQ(run({QStringLiteral("--quit")}).exitCode, 0);
    EXPECT_TRUE(companion.waitForFinished(5000));
}

} // namespace

// Planted links, a FIFO and a file of damaged records are left alone or read in their
// own time: none holds up the start (the FIFO once blocked in open() holding the lock)
// or the end, and nothing is written through a link.
TEST_F(CompanionProcess, HostileDataFilesNeverHoldTheStartAndPlantedLinksAreNotFollowed)
{
    QTemporaryDir elsewhere;
    const QString victim = elsewhere.path() + QStringLiteral("/bashrc");
    const auto put = [](const QString& path, const QByteArray& bytes) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    };
    const QString list = data.path() + QStringLiteral("/AlarmList.txt");
    std::unique_ptr<QProcess> attacker;
    const std::pair<QString, std::function<void()>> cases[] = {
        {QStringLiteral("AlarmList.txt was left untouched: it is not a regular file."),
         [&] { ::mkfifo(QFile::encodeName(list).constData(), 0600); }},
        {QStringLiteral("AlarmList.txt was left untouched: it is a symbolic link in a folder other users can write."),
         [&] {
             put(victim, "#secret,,2020,01,02,03,04,1,,,");
             QFile::link(victim, list);
             QFile::link(elsewhere.path() + QStringLiteral("/created"), data.path() + QStringLiteral("/sound.txt"));
             ::chmod(QFile::encodeName(data.path()).constData(), 0770);
         }},
        // Each record once read its topic up to the one far comma and its date from the start.
        {QString(), [&] { put(list, "2020,1,2,3,4,1,s,r," + QByteArray(60000, '#').replace("##", "#x") + ","); }},
        // Eight million records cut short once took 1.5 GB and saved as three times the file.
        {QStringLiteral("were left out (damaged, or more than the list can hold)"),
         [&] { put(list, QByteArray("#,,2030,").repeated(8000000) + "#a,,2030,01,02,03,04,1,,,"); }},
        // A folder anyone can write is refused as a whole, while another user (where we may
        // act as one) keeps swapping links to the victim in and out under the saves' names.
        {data.path() + QStringLiteral(" was left untouched: other users can write it, so no data file in it is read or "
                                      "saved (run chmod go-w ")
             + data.path() + QStringLiteral(" to make it the user's alone)."),
         [&] {
             put(victim, "#secret,,2020,01,02,03,04,1,,,");
             ::chmod(QFile::encodeName(data.path()).constData(), 0777);
             attacker = std::make_unique<QProcess>();
             if (::geteuid() == 0)
                 attacker->setChildProcessModifier([] { [[maybe_unused]] const int dropped = ::setuid(65534); });
             attacker->start(QStringLiteral("sh"),
                             {QStringLiteral("-c"),
                              QStringLiteral("cd \"$1\" && while :; do for f in sound.txt AlarmList.txt DogProfile.txt; do "
                                             "ln -sfn \"$2\" $f; rm -f $f; done; done"),
                              QStringLiteral("attacker"), data.path(), victim});
             attacker->waitForStarted(5000);
         }},
        // Too large to load: no save of this run may replace it.
        {QStringLiteral("Alarms are not saved during this run, so that ") + list,
         [&] {
             put(list, "x");
             QFile(list).resize(64 * 1024 * 1024 + 1);
         }},
    };
    for (const auto& [said, plant] : cases) {
        SCOPED_TRACE(said.toStdString());
        QDir(data.path()).removeRecursively();
        QDir().mkpath(data.path());
        plant();
        QElapsedTimer started;
        started.start();
        companion.setProcessEnvironment(env);
        companion.start(QStringLiteral(QUILLBY_BINARY), companionArgs());
        ASSERT_TRUE(companion.waitForStarted(10000));
        // A held start never answers; reading the 64 MB file takes seconds under the sanitizers.
        EXPECT_TRUE(waitFor([&] { return run({QStringLiteral("--status")}).exitCode == 0; }, 20000));
        std::printf("answered after %lld ms\n", static_cast<long long>(started.elapsed()));
        QFile status(QStringLiteral("/proc/%1/status").arg(companion.processId()));
        const QByteArray statusText = status.open(QIODevice::ReadOnly) ? status.readAll() : QByteArray();
        const long peakKb = statusText.mid(statusText.indexOf("VmHWM:") + 6).trimmed().split(' ').first().toLong();
        EXPECT_LT(peakKb, 300 * 1024) << "peak resident KiB";
        ::kill(static_cast<pid_t>(companion.processId()), SIGTERM);
        EXPECT_TRUE(companion.waitForFinished(5000)) << "SIGTERM did not end it";
        stopCompanion();
        if (attacker) {
            attacker->kill();
            attacker->waitForFinished(5000);
            attacker.reset();
            // Nothing of ours was made in their folder either.
            EXPECT_EQ(QDir(data.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden)
                          .filter(QRegularExpression(QStringLiteral("^(?!sound.txt$|AlarmList.txt$|DogProfile.txt$)"))),
                      QStringList());
        }
        const QString err = QString::fromLocal8Bit(companion.readAllStandardError());
        EXPECT_TRUE(err.contains(said)) << qPrintable(err);
        EXPECT_FALSE(QFile::exists(list + QStringLiteral(".bak")));
    }
    QFile secret(victim);
    EXPECT_TRUE(secret.open(QIODevice::ReadOnly) && secret.readAll() == "#secret,,2020,01,02,03,04,1,,,");
    EXPECT_FALSE(QFile::exists(elsewhere.path() + QStringLiteral("/created"))) << "written through a planted link";
}

// A sound file is read as data files are and handed to the player as bytes: a FIFO as
// the start sound no longer holds the start (SDL's own open blocked in it) or the end.
TEST_F(CompanionProcess, AFifoAsASoundNeverHoldsTheStartOrTheEnd)
{
    const QString start = data.path() + QStringLiteral("/SOUNDLIB/Cat Sounds/Normal/Start.wav");
    QDir().mkpath(QFileInfo(start).path());
    ASSERT_EQ(::mkfifo(QFile::encodeName(start).constData(), 0600), 0);
    startCompanion();
    ::kill(static_cast<pid_t>(companion.processId()), SIGTERM);
    EXPECT_TRUE(companion.waitForFinished(5000)) << "SIGTERM did not end it";
    EXPECT_EQ(companion.exitCode(), 0);
    const QString err = QString::fromLocal8Bit(companion.readAllStandardError());
    const QString said = start + QStringLiteral(" was left untouched: it is not a regular file.");
    EXPECT_EQ(err.count(said), 1) << qPrintable(err);
}

// The first start on a full disk writes none of the default sounds; the next start with
// room writes them all.
TEST_F(CompanionProcess, DefaultSoundsAFullFirstStartKeptBackComeWithTheNextStart)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to mount a small tmpfs";
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    const QString disk = scratch.path() + QStringLiteral("/disk");
    QDir().mkpath(disk);
    ASSERT_EQ(QProcess::execute(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"),
                                                         QStringLiteral("-o"), QStringLiteral("size=2m"),
                                                         QStringLiteral("tmpfs"), disk}),
              0);
    const std::unique_ptr<const QString, void (*)(const QString*)> unmount(
        &disk, [](const QString* path) { QProcess::execute(QStringLiteral("umount"), {*path}); });
    QFile filler(disk + QStringLiteral("/filler"));
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
    while (filler.write(QByteArray(4096, 'x')) == 4096 && filler.flush()) {
    }
    filler.close();
    const QString folder = disk + QStringLiteral("/data");
    const auto wavCount = [&] {
        int count = 0;
        for (QDirIterator it(folder + QStringLiteral("/SOUNDLIB"), {QStringLiteral("*.wav")}, QDir::Files,
                             QDirIterator::Subdirectories);
             it.hasNext(); it.next())
            ++count;
        return count;
    };
    for (const bool full : {true, false}) {
        SCOPED_TRACE(full ? "full" : "with room");
        if (!full)
            ASSERT_TRUE(filler.remove());
        else
            ASSERT_TRUE(QDir().mkpath(folder)); // a folder costs no blocks
        startAndQuit(folder);
        EXPECT_EQ(wavCount(), full ? 0 : 10);
    }
}

// Another user's files in a shared folder, and a data folder that is another user's
// link, are neither read nor written, and each is said once.
TEST_F(CompanionProcess, AnotherUsersFilesAndLinksAreLeftAloneAndSaid)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    QTemporaryDir shared;
    ASSERT_TRUE(shared.isValid());
    ::chmod(QFile::encodeName(shared.path()).constData(), 01777);
    const auto theirs = [](const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        file.close();
        ASSERT_EQ(::lchown(QFile::encodeName(path).constData(), 65534, 65534), 0);
    };
    const QString list = shared.path() + QStringLiteral("/AlarmList.txt");
    const QString profile = shared.path() + QStringLiteral("/DogProfile.txt");
    const QString link = shared.path() + QStringLiteral("/qd");
    const QString home = data.path(); // where their link points: our own folder
    const struct {
        const char* name;
        QString folder;
        std::function<void()> plant;
        QStringList said;
    } cases[] = {
        {"their files in a sticky folder", shared.path(),
         [&] {
             theirs(list, "#theirs,,2030,01,02,03,04,1,/x.wav,1time,");
             theirs(profile, "#Mallory#0#0#1/1/2000####");
         },
         {list + QStringLiteral(" was left untouched: it belongs to another user."),
          profile + QStringLiteral(" was left untouched: it belongs to another user.")}},
        {"their link as the data folder", link,
         [&] {
             QFile::link(home, link);
             EXPECT_EQ(::lchown(QFile::encodeName(link).constData(), 65534, 65534), 0);
         },
         {link + QStringLiteral(" was left untouched: it is a symbolic link made by another user.")}},
        {"their link as the sound library", data.path(),
         [&] {
             QDir(home).removeRecursively();
             QDir().mkpath(home);
             QDir().mkpath(shared.path() + QStringLiteral("/lib"));
             QFile::link(shared.path() + QStringLiteral("/lib"), home + QStringLiteral("/SOUNDLIB"));
             EXPECT_EQ(::lchown(QFile::encodeName(home + QStringLiteral("/SOUNDLIB")).constData(), 65534, 65534), 0);
         },
         {home + QStringLiteral("/SOUNDLIB was left untouched: it is a symbolic link made by another user")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.plant();
        const QString err = startAndQuit(c.folder);
        for (const QString& said : c.said)
            EXPECT_EQ(err.count(said), 1) << qPrintable(said) << "\n" << qPrintable(err);
        if (c.folder == link) { // nothing was made through their link
            EXPECT_TRUE(QDir(home).isEmpty(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden));
        }
    }
    // Nothing of theirs was replaced or written into.
    QFile kept(list);
    EXPECT_TRUE(kept.open(QIODevice::ReadOnly) && kept.readAll().startsWith("#theirs,"));
    EXPECT_TRUE(QDir(shared.path() + QStringLiteral("/lib")).isEmpty());
}
