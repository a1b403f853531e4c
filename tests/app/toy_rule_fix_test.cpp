#include "app/fonts.h"
#include "app/main_dialog.h"
#include "app/toy_rule_fix.h"
#include "app/tray_icon.h"
#include "core/globals.h"
#include "fakes/fakes.h"
#include "fakes/hidraw_library.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Stands in for pkexec: prints what it is told to on standard output and error and exits
// with a code.
QString fakePkexec(const QTemporaryDir& dir, int exitCode, const char* said, const char* out)
{
    const QString path = dir.filePath(QStringLiteral("pkexec"));
    QFile script(path);
    script.open(QIODevice::WriteOnly);
    script.write(QStringLiteral("#!/bin/sh\nprintf '%3'\nprintf '%1' >&2\nexit %2\n")
                     .arg(QLatin1String(said))
                     .arg(exitCode)
                     .arg(QLatin1String(out))
                     .toUtf8());
    script.close();
    script.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    return path;
}

TEST(ToyRuleFix, TellsWhatTheHelperDid)
{
    struct Case {
        const char* name;
        int exitCode;
        const char* said;
        bool installed;
        const char* message;
        const char* out = "";
    };
    const char* const written = "installed /etc/udev/rules.d/70-quillby-toy.rules\\n";
    const std::vector<Case> cases = {
        { "installed", 0, "", true,
            "The toy's udev rule is installed: a plugged-in toy is found in a moment.", written },
        { "password dialog dismissed", 126, "Error executing command as another user: Request dismissed", false,
            "The toy's udev rule was not installed: the administrator's password was not given." },
        { "dismissed, said nothing", 126, "", false,
            "The toy's udev rule was not installed: the administrator's password was not given." },
        { "no polkit agent", 127,
            "Error creating textual authentication agent: Error opening current controlling terminal for the "
            "process (`/dev/tty\\047): No such device or address",
            false,
            "The toy's udev rule was not installed: no polkit authentication agent runs in this session, so "
            "nobody could be asked for the administrator's password.\n\nRun instead in a terminal:\n\n"
            "sudo /usr/lib/quillby/quillby-toy-rule" },
        { "not authorised", 127, "Error executing command as another user: Not authorized\\n\\nThis incident "
            "has been reported.", false,
            "The toy's udev rule was not installed: polkit does not allow this user to install it.\n\nRun "
            "instead in a terminal:\n\nsudo /usr/lib/quillby/quillby-toy-rule" },
        { "the helper refused", 1, "quillby-toy-rule: /etc/udev/rules.d is writable by others", false,
            "Installing the toy's udev rule failed:\nquillby-toy-rule: /etc/udev/rules.d is writable by "
            "others" },
        { "written, but udev did not reload", 1,
            "quillby-toy-rule: the rule is installed, but \"/usr/bin/udevadm control --reload\" failed (status 1)",
            true,
            "The toy's udev rule is installed, but udev did not apply it yet:\nquillby-toy-rule: the rule is "
            "installed, but \"/usr/bin/udevadm control --reload\" failed (status 1)\n\nUnplug the toy and "
            "plug it in again (or log out and in again) to use it.",
            written },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fakes::FakeMessages messages;
        QTemporaryDir dir;
        QWidget owner;
        ToyRuleFix fix(&owner);
        fix.setCommand(
            fakePkexec(dir, c.exitCode, c.said, c.out), { QStringLiteral("/usr/lib/quillby/quillby-toy-rule") });
        QSignalSpy finished(&fix, &ToyRuleFix::finished);
        fix.start(QStringLiteral("sudo …"));
        EXPECT_TRUE(fix.running());
        fix.start(QStringLiteral("sudo …")); // a second click while it runs starts nothing
        ASSERT_TRUE(finished.wait(30000));
        EXPECT_EQ(finished.count(), 1);
        EXPECT_EQ(finished.at(0).at(0).toBool(), c.installed);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text.toStdString(), c.message);
    }
}

TEST(ToyRuleFix, WithoutPkexecOrTheHelperItNamesTheCommand)
{
    fakes::FakeMessages messages;
    QWidget owner;
    ToyRuleFix fix(&owner);
    fix.setCommand({}, {});
    QSignalSpy finished(&fix, &ToyRuleFix::finished);
    fix.start(QStringLiteral("echo rule | sudo tee /etc/udev/rules.d/70-quillby-toy.rules"));
    EXPECT_FALSE(fix.running());
    EXPECT_EQ(finished.count(), 0);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(messages.shown[0].text.endsWith(
        QStringLiteral("echo rule | sudo tee /etc/udev/rules.d/70-quillby-toy.rules")));
}

TEST(ToyRuleFix, TheWindowAndTrayTooltipsCarryTheVerdictUntilTheToyAnswers)
{
    ResetGlobals();
    InstallFontSubstitutions();
    CTrayIcon::setAvailableOverride(1);
    fakes::FakeClock clock { 1'700'000'000, 50'000 };
    fakes::FakeSound sound;
    fakes::FakeIdle idle;
    fakes::FakeMessages messages;
    QTemporaryDir dataDir;
    fakes::HidrawLibrary library;
    g_toy.setLibrary(&library);
    {
        MainDialog dialog(dataDir.path().toStdString() + "/");
        ToyDiagnosis verdict;
        verdict.shortVerdict = "only root may open it: the udev rule is not installed";
        int asked = 0;
        dialog.toyStatus().setDoctor([&] {
            ++asked;
            return verdict;
        });
        dialog.SetUp();
        dialog.HideToTray();
        for (int i = 0; i < 5; ++i) {
            clock.advanceMs(800);
            dialog.OnTimer(MainDialog::kMainTimer);
        }
        EXPECT_EQ(asked, 1) << "the doctor runs once, not on every tick";
        const QString line
            = QStringLiteral("Toy not connected: only root may open it: the udev rule is not installed");
        EXPECT_EQ(dialog.toolTip(), line);
        EXPECT_EQ((*dialog.findChild<CTrayIcon*>()).shownToolTip(), QStringLiteral("FENWICK\n") + line);
        EXPECT_TRUE(dialog.RemoteRequest(QStringLiteral("status"))
                        .startsWith(QStringLiteral(
                            "toy: not connected (only root may open it: the udev rule is not installed);")));
        EXPECT_EQ(asked, 1) << "a status request takes the tick's diagnosis";

        // The rule went in and udev replayed the device: one more look, and the line goes.
        verdict.usable = true;
        library.changes = 2;
        clock.advanceMs(800);
        dialog.OnTimer(MainDialog::kMainTimer);
        EXPECT_EQ(asked, 2); // the ticks' looks only: the status request took the kept one
        EXPECT_EQ(dialog.toolTip(), QString());
        EXPECT_EQ((*dialog.findChild<CTrayIcon*>()).shownToolTip(), QStringLiteral("FENWICK"));
    }
    g_toy.setLibrary(nullptr);
    CTrayIcon::setAvailableOverride(-1);
    ResetGlobals();
}

} // namespace
