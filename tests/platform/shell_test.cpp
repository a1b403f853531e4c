#include "fakes/fakes.h"
#include "platform/shell.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace {

// Polls for a file the launched program writes; bounded so a broken launch fails.
bool waitForFile(const QString& path)
{
    for (int i = 0; i < 500; ++i) {
        if (QFile::exists(path))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

void writeScript(const QString& path, const QByteArray& body, bool executable)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n" + body);
    file.close();
    QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner;
    if (executable)
        permissions |= QFile::ExeOwner;
    file.setPermissions(permissions);
}

TEST(SystemShell, StartsTheProgramDetachedWithoutWaitingForIt)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.filePath(QStringLiteral("data folder"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString go = folder + QStringLiteral("/go");
    const QString done = folder + QStringLiteral("/done");
    // The program finishes only once the test lets it: launch() must return before.
    writeScript(folder + QStringLiteral("/MfcSaver.scr"),
        "i=0\nwhile [ ! -e go ] && [ $i -lt 500 ]; do sleep 0.01; i=$((i+1)); done\ntouch done\n", true);

    platform::SystemShell().launch((folder + QStringLiteral("/MfcSaver.scr")).toStdString());
    EXPECT_FALSE(QFile::exists(done));
    QFile(go).open(QIODevice::WriteOnly);
    EXPECT_TRUE(waitForFile(done)) << "started in its own folder";
}

TEST(SystemShell, MissingOrNonExecutableFilesLaunchNothing)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString marker = dir.filePath(QStringLiteral("ran"));
    const QString plain = dir.filePath(QStringLiteral("plain.scr"));
    writeScript(plain, "touch " + QFile::encodeName(marker) + "\n", false);

    platform::SystemShell shell;
    shell.launch("");
    shell.launch(dir.filePath(QStringLiteral("missing.scr")).toStdString());
    shell.launch(dir.path().toStdString());
    shell.launch(plain.toStdString());

    // A program launched afterwards has run to its end; the plain file never ran.
    const QString after = dir.filePath(QStringLiteral("after"));
    const QString runner = dir.filePath(QStringLiteral("runner.scr"));
    writeScript(runner, "touch " + QFile::encodeName(after) + "\n", true);
    shell.launch(runner.toStdString());
    ASSERT_TRUE(waitForFile(after));
    EXPECT_FALSE(QFile::exists(marker));
}

TEST(ShellAccessor, UsesTheInstalledShellAndFallsBackToTheSystem)
{
    {
        fakes::FakeShell fake;
        platform::shell().launch("/x/MfcSaver.scr");
        ASSERT_EQ(fake.launched.size(), 1u);
        EXPECT_EQ(fake.launched[0], "/x/MfcSaver.scr");
    }
    EXPECT_NE(dynamic_cast<platform::SystemShell*>(&platform::shell()), nullptr);
}

} // namespace
