#include "app/event_windows.h"
#include "app/main_dialog.h"
#include "app/mail_notice_window.h"
#include "app/tray_icon.h"
#include "core/globals.h"
#include "fakes/fakes.h"
#include "mail/mailbox_dialog.h"
#include "mail/mailbox_file.h"
#include "mail_watch_access.h"
#include "platform/resume_watch.h"
#include "support/dialog_helpers.h"
#include "support/gui_helpers.h"
#include "support/pop3_stub.h"

#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

template <class T = QLineEdit>
T* control(QWidget* dialog, int id)
{
    return dialog->findChild<T*>(QStringLiteral("ctl%1").arg(id));
}

TEST(MailBoxDialog, TypedSettingsAreCheckedAndTaken)
{
    fakes::FakeMessages messages;
    fakes::FakeFilePicker picker;
    CMailBoxDlg dialog({}, CMailBoxDlg::kDesktopMailProgram);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    saveRender(&dialog, QStringLiteral("mailbox_configure"));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("MailBox Configure"));
    EXPECT_EQ(QApplication::focusWidget(), control(&dialog, 1017));
    EXPECT_TRUE(control<QRadioButton>(&dialog, 1067)->isChecked());
    EXPECT_FALSE(control(&dialog, 1030)->isEnabled());
    EXPECT_FALSE(control<QPushButton>(&dialog, 1005)->isEnabled());
    EXPECT_EQ(control(&dialog, 1018)->echoMode(), QLineEdit::Password);

    // Tab goes user name, password, server, duration.
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("bob"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("pa/ss"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), control(&dialog, 1019));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), control(&dialog, 1020));
    control(&dialog, 1020)->setText(QStringLiteral("0"));

    // Enter is OK; each problem keeps the dialog open and names the field.
    const struct { int field; const char* value; const char* message; } problems[] = {
        {1019, "", "Please enter the POP server."},
        {1019, "imaps://mail.example.org/INBOX",
         "The POP server must be written as one of: host or host:110 (POP3), host:995 (POP3 over TLS), host:993 "
         "(IMAP over TLS), host:143 (IMAP), host:port on another port (found by itself), or pop3://, pop3s://, "
         "imap://, imaps:// followed by host:port; an IPv6 address goes in brackets, as in [2001:db8::1]:993."},
        {1019, "imaps://mail.example.org", "Please enter an integer between 1 and 9999."},
        {1020, "15", nullptr},
    };
    for (const auto& p : problems) {
        control(&dialog, p.field)->setText(QString::fromLatin1(p.value));
        messages.shown.clear();
        QTest::keyClick(control(&dialog, 1017), Qt::Key_Return);
        if (!p.message) {
            EXPECT_TRUE(messages.shown.empty());
            break;
        }
        ASSERT_EQ(messages.shown.size(), 1u) << p.value;
        EXPECT_EQ(messages.shown[0].text, QString::fromUtf8(p.message));
        EXPECT_TRUE(dialog.isVisible());
    }
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.settings().user, "bob");
    EXPECT_EQ(dialog.settings().password, "pa/ss");
    EXPECT_EQ(dialog.settings().server, "imaps://mail.example.org");
    EXPECT_EQ(dialog.settings().intervalSeconds, 900);
    EXPECT_EQ(dialog.mailClientPath(), CMailBoxDlg::kDesktopMailProgram);

    // After a refused certificate: its fingerprint shown, trusting it an explicit tick.
    const QString fingerprint = QStringLiteral("61:A1:5F:A8:D1:67:0D:55:E0:B3:F6:58:F1:6D:E1:CF:8D:09:CE:D8:A1:37:4B:9B:94:EF:3A:83:42:E9:83:59");
    for (const bool tick : {false, true}) {
        CMailBoxDlg offered({"bob", "pw", "mail.example.org:10993", 600, -1}, CMailBoxDlg::kDesktopMailProgram);
        EXPECT_EQ(offered.findChild<QLabel*>(QStringLiteral("certificateFingerprint")), nullptr);
        offered.offerCertificate(fingerprint);
        auto* label = offered.findChild<QLabel*>(QStringLiteral("certificateFingerprint"));
        ASSERT_NE(label, nullptr);
        EXPECT_TRUE(label->text().contains(fingerprint));
        auto* trust = offered.findChild<QCheckBox*>(QStringLiteral("trustCertificate"));
        ASSERT_NE(trust, nullptr);
        EXPECT_FALSE(trust->isChecked());
        trust->setChecked(tick);
        offered.show();
        if (tick)
            saveRender(&offered, QStringLiteral("mailbox_configure_certificate"));
        QTest::keyClick(control(&offered, 1017), Qt::Key_Return);
        EXPECT_EQ(offered.result(), QDialog::Accepted);
        EXPECT_EQ(offered.trustCertificate(), tick);
    }
}

// One mapping for the mailbox settings and the profile card; the stored numbers stay.
TEST(MailBoxDialog, MailProgramChoicesNameWhatIsStarted)
{
    const struct { const char* path; int choice; int radio; const char* caption; } cases[] = {
        {"/usr/bin/xdg-email", 0, 1067, "Default mail program"},
        {"/usr/bin/thunderbird", 1, 1068, "Thunderbird"},
        {"/usr/bin/evolution", 2, 1069, "Other"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(MailProgramChoice(c.path), c.choice);
        CMailBoxDlg dialog({}, c.path);
        auto* radio = control<QRadioButton>(&dialog, c.radio);
        EXPECT_TRUE(radio->isChecked());
        EXPECT_EQ(radio->text(), QString::fromLatin1(c.caption));
        // The caption fits its button.
        EXPECT_LE(radio->sizeHint().width(), radio->width());
    }
}

TEST(MailBoxDialog, OtherProgramComesFromThePathField)
{
    fakes::FakeMessages messages;
    fakes::FakeFilePicker picker;
    picker.answers.push_back(QStringLiteral("/opt/mail/bin/client"));
    CMailBoxDlg dialog({"u", "p", "s", 120, 4}, "/somewhere/else");
    EXPECT_TRUE(control<QRadioButton>(&dialog, 1069)->isChecked());
    EXPECT_EQ(control(&dialog, 1030)->text(), QStringLiteral("/somewhere/else"));
    EXPECT_EQ(control(&dialog, 1020)->text(), QStringLiteral("2"));
    control<QPushButton>(&dialog, 1005)->click();
    control<QPushButton>(&dialog, 1)->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.mailClientPath(), "/opt/mail/bin/client");

    control<QRadioButton>(&dialog, 1068)->setChecked(true);
    EXPECT_FALSE(control(&dialog, 1030)->isEnabled());
}

TEST(MailMainDialog, MenuAndRemoteOpenTheSettingsAnAnnouncementShowsEverything)
{
    ResetGlobals();
    fakes::FakeMessages messages;
    CTrayIcon::setAvailableOverride(1);
    QTemporaryDir data;
    {
        MainDialog dialog(data.path().toStdString() + "/");
        dialog.SetUp();
        dialog.show();
        EXPECT_TRUE(dialog.RemoteRequest(QStringLiteral("status")).endsWith(QLatin1String("; mail: off")));

        // The remote request answers at once; the dialog opens on the next turn.
        bool opened = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &dialog, [&] {
            auto* settings = dialog.findChild<CMailBoxDlg*>();
            if (settings && QApplication::activeModalWidget() == settings) {
                opened = true;
                settings->reject();
            }
        });
        poll.start(10);
        EXPECT_EQ(dialog.RemoteRequest(QStringLiteral("mail-settings")), QStringLiteral("ok"));
        EXPECT_TRUE(QTest::qWaitFor([&] { return opened; }));
        poll.stop();

        // The context menu offers the settings.
        QStringList items;
        QTimer::singleShot(0, &dialog, [&] {
            if (QWidget* popup = QApplication::activePopupWidget()) {
                for (QAction* action : popup->actions())
                    items << action->text();
                popup->close();
            }
        });
        QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(10, 10), dialog.mapToGlobal(QPoint(10, 10)));
        QApplication::sendEvent(&dialog, &menuEvent);
        EXPECT_TRUE(items.contains(QStringLiteral("MailBox Configure…")));

        // A mailbox that answers with the count of the moment.
        test::Pop3Stub mailbox;
        MailWatch& watch = dialog.mailWatch();
        watch.setFirstCheckMs(0);
        QSignalSpy checked(&watch, &MailWatch::checkFinished);
        watch.Configure({"bob", "pw", mailbox.server(), 600, -1});
        ASSERT_TRUE(checked.wait(5000));
        EXPECT_FALSE(dialog.events().mailNotice()->isVisible());
        EXPECT_EQ(dialog.RemoteRequest(QStringLiteral("status")).section(QStringLiteral("; "), -1),
                  QStringLiteral("mail: 2 messages (POP3, not encrypted)"));

        mailbox.count = 3;
        dialog.OnTimer(MailWatch::kCheckTimer);
        ASSERT_TRUE(checked.wait(5000));
        MailNoticeWindow* notice = dialog.events().mailNotice();
        EXPECT_TRUE(notice->isVisible());
        EXPECT_TRUE(notice->sliding());
        EXPECT_EQ((*dialog.findChild<CTrayIcon*>()).toolTip(), QStringLiteral("QUILLBY"));
        EXPECT_EQ((*dialog.findChild<CTrayIcon*>()).iconResourceId(), 224);
        EXPECT_TRUE(dialog.timerActive(MainDialog::kBlinkTimer));
        EXPECT_EQ(g_newMail, 1);
        while (notice->sliding())
            notice->slideTick();
        saveRender(notice, QStringLiteral("mail_notice_announced"));

        dialog.RestoreFromTray();
        EXPECT_FALSE(dialog.timerActive(MainDialog::kBlinkTimer));
        dialog.close(); // the close request stops timers 0 and 1
        EXPECT_FALSE(dialog.timerActive(MailWatch::kFollowTimer));
        EXPECT_TRUE(dialog.timerActive(MailWatch::kCheckTimer));
    }
    CTrayIcon::setAvailableOverride(-1);
    ResetGlobals();
}

TEST(MailMainDialog, TheLastFailureIsInBothTooltipsAndEachNewKindIsToldWithoutABlockingBox)
{
    ResetGlobals();
    fakes::FakeMessages messages;
    CTrayIcon::setAvailableOverride(1);
    QTemporaryDir data;
    {
        MainDialog dialog(data.path().toStdString() + "/");
        dialog.SetUp();
        dialog.show();
        test::Pop3Stub mailbox;
        MailWatch& watch = dialog.mailWatch();
        watch.setFirstCheckMs(3600 * 1000);
        QSignalSpy checked(&watch, &MailWatch::checkFinished);
        watch.Configure({"bob", "pw", mailbox.server(), 600, -1});
        const auto failuresTold = [&messages] {
            QStringList told; // not the word that the password is kept for this run only
            for (const auto& shown : messages.shown) {
                if (shown.text.startsWith(QLatin1String("Mail check failed")))
                    told << shown.text;
            }
            return told;
        };
        const auto check = [&] {
            dialog.OnTimer(MailWatch::kCheckTimer);
            return checked.wait(5000);
        };

        // The window is shown: a box that waits for nobody.
        mailbox.userReply = "-ERR who\r\n";
        ASSERT_TRUE(check());
        EXPECT_EQ(dialog.toolTip(), QStringLiteral("Mail check failed: Bad User Name"));
        EXPECT_EQ((*dialog.findChild<CTrayIcon*>()).shownToolTip(), QStringLiteral("Mail check failed: Bad User Name"));
        EXPECT_EQ(failuresTold(), QStringList { QStringLiteral("Mail check failed: Bad User Name") });
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        EXPECT_TRUE(dialog.timerActive(MainDialog::kMainTimer));
        ASSERT_TRUE(check()); // the same kind again: not told again
        EXPECT_EQ(failuresTold().size(), 1);

        // In the tray: the tray's balloon, and its tooltip keeps the failure.
        dialog.HideToTray();
        EXPECT_EQ((*dialog.findChild<CTrayIcon*>()).shownToolTip(), QStringLiteral("FENWICK\nMail check failed: Bad User Name"));
        const std::size_t messagesBefore = messages.shown.size();
        mailbox.userReply = "+OK\r\n";
        mailbox.passReply = "-ERR no\r\n";
        ASSERT_TRUE(check());
        EXPECT_EQ((*dialog.findChild<CTrayIcon*>()).lastMessage(), QStringLiteral("Bad Password Name"));
        EXPECT_EQ((*dialog.findChild<CTrayIcon*>()).shownToolTip(), QStringLiteral("FENWICK\nMail check failed: Bad Password Name"));
        EXPECT_EQ(messages.shown.size(), messagesBefore);

        // The next success replaces the failure in both; this mailbox is read in clear
        // (it knows no CAPA), and both say so.
        mailbox.passReply = "+OK\r\n";
        ASSERT_TRUE(check());
        EXPECT_EQ(dialog.toolTip(), QStringLiteral("Mail: 2 messages (POP3, not encrypted)"));
        EXPECT_EQ((*dialog.findChild<CTrayIcon*>()).shownToolTip(), QStringLiteral("FENWICK\nMail: 2 messages (POP3, not encrypted)"));
    }
    CTrayIcon::setAvailableOverride(-1);
    ResetGlobals();
}

// Waking from a suspend brings the next mail check forward, as the network's return does.
TEST(MailMainDialog, AResumeBringsTheMailCheckForward)
{
    ResetGlobals();
    fakes::FakeMessages messages; // no secret store here: the password is kept for this run only
    QTemporaryDir data;
    {
        MainDialog dialog(data.path().toStdString() + "/");
        dialog.SetUp();
        test::Pop3Stub mailbox;
        MailWatch& watch = dialog.mailWatch();
        watch.setFirstCheckMs(3600 * 1000);
        watch.setSoonMs(0);
        QSignalSpy checked(&watch, &MailWatch::checkFinished);
        watch.Configure({"bob", "pw", mailbox.server(), 600, -1});
        platform::resumeNotifier().notifyResumed();
        EXPECT_TRUE(checked.wait(5000));
    }
    ResetGlobals();
}

TEST(MailMainDialog, APasswordTheStoreCannotGiveIsAskedForPlainly)
{
    ResetGlobals();
    fakes::FakeMessages messages;
    QTemporaryDir data;
    const std::string folder = data.path().toStdString() + "/";
    {
        // A mailbox of an earlier run, and no secret store to give its password.
        g_dataFolder = folder;
        WriteMailboxFile({"bob", "", "127.0.0.1:1", 600, 3});
        MainDialog dialog(folder);
        bool sawPasswordFocus = false;
        int looks = 0;
        QTimer poll;
        // The focus may follow the window's activation by a turn of the event loop.
        QObject::connect(&poll, &QTimer::timeout, &dialog, [&] {
            auto* settings = dialog.findChild<CMailBoxDlg*>();
            if (settings && QApplication::activeModalWidget() == settings) {
                sawPasswordFocus = QApplication::focusWidget() == control(settings, 1018);
                if (sawPasswordFocus || ++looks > 50)
                    settings->reject();
            }
        });
        poll.start(10);
        dialog.SetUp();
        dialog.show();
        const auto shown = [&] {
            for (int i = 0; i < 500 && !dialog.findChild<CMailBoxDlg*>() && messages.shown.empty(); ++i)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            for (int i = 0; i < 100 && !sawPasswordFocus; ++i)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        };
        shown();
        poll.stop();
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text,
                  QStringLiteral("The mailbox password could not be read from the desktop's secret store "
                                 "(no secret store is running). Please enter it again."));
        EXPECT_FALSE(messages.shown[0].text.contains(QLatin1String("First run")));
        EXPECT_TRUE(sawPasswordFocus);
    }
    ResetGlobals();
}

} // namespace

// The network's return matters only to a mailbox: without one nothing follows it (its
// backends bring GLib's GIO and a system bus connection); settings taken in the dialog start it.
TEST(MailMainDialog, TheNetworkIsFollowedOnlyOnceAMailboxIsKnown)
{
    ResetGlobals();
    fakes::FakeMessages messages;
    QTemporaryDir data;
    MainDialog dialog(data.path().toStdString() + "/");
    dialog.SetUp();
    EXPECT_FALSE(MailWatchTestAccess::followingNetwork(dialog.mailWatch()));

    onNextModal([](QWidget* settings) {
        settings->findChild<QLineEdit*>(QStringLiteral("ctl1017"))->setText(QStringLiteral("bob"));
        settings->findChild<QLineEdit*>(QStringLiteral("ctl1018"))->setText(QStringLiteral("pw"));
        settings->findChild<QLineEdit*>(QStringLiteral("ctl1019"))->setText(QStringLiteral("127.0.0.1:9"));
        for (auto* button : settings->findChildren<QPushButton*>()) {
            if (button->text() == QStringLiteral("OK"))
                button->click();
        }
    });
    dialog.OpenMailSettings();
    EXPECT_TRUE(dialog.mailWatch().HasStoredMailbox());
    EXPECT_TRUE(MailWatchTestAccess::followingNetwork(dialog.mailWatch()));
}
