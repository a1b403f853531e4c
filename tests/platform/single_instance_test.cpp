#include "env_guard.h"
#include "platform/single_instance.h"

#include <QCoreApplication>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

using platform::SingleInstance;

// Each test gets its own runtime folder, so its socket and lock are its own.
class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    // Sends from another thread while this one serves requests.
    std::optional<QString> sendServed(const QString& request)
    {
        auto reply = std::async(std::launch::async, [request] { return SingleInstance::send(request); });
        while (reply.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return reply.get();
    }

    bool startHolder(QProcess& holder)
    {
        holder.start(QStringLiteral(QUILLBY_LOCK_HOLDER));
        return holder.waitForStarted(5000) && holder.waitForReadyRead(5000)
            && holder.readLine().trimmed() == "claimed";
    }

    QTemporaryDir m_dir;
    EnvGuard m_runtime { "XDG_RUNTIME_DIR", m_dir.path().toLocal8Bit().constData() };
};

TEST_F(SingleInstanceTest, NamesCarryAutoCloseAndTheUserInsideTheRuntimeFolder)
{
    EnvGuard user("USER", "pat/../x");
    const QString socket = SingleInstance::socketName();
    EXPECT_TRUE(socket.startsWith(m_dir.path() + QStringLiteral("/AutoClose-"))) << socket.toStdString();
    EXPECT_TRUE(socket.contains(QStringLiteral("pat"))) << socket.toStdString();
    EXPECT_EQ(socket.count(QLatin1Char('/')), m_dir.path().count(QLatin1Char('/')) + 1)
        << "the user name cannot leave the folder";
    EXPECT_EQ(SingleInstance::lockFilePath().left(socket.size()), socket);
    EXPECT_NE(SingleInstance::lockFilePath(), socket);
}

TEST_F(SingleInstanceTest, OnlyTheFirstClaimWinsUntilItEnds)
{
    auto first = std::make_unique<SingleInstance>();
    SingleInstance second;
    EXPECT_TRUE(first->claim());
    EXPECT_FALSE(second.claim());
    first.reset();
    EXPECT_TRUE(second.claim()) << "the lock goes with the first copy";
}

TEST_F(SingleInstanceTest, RequestsReachTheHandlerAndItsReplyComesBack)
{
    SingleInstance first;
    ASSERT_TRUE(first.claim());
    QStringList seen;
    first.setHandler([&seen](const QString& request) {
        seen << request;
        return QStringLiteral("raised ") + request;
    });
    EXPECT_EQ(sendServed(QStringLiteral("show")), QStringLiteral("raised show"));
    EXPECT_EQ(sendServed(QStringLiteral("zwei\nZeilen 你好")), QStringLiteral("raised zwei Zeilen 你好"))
        << "one line each way, UTF-8";
    EXPECT_EQ(seen, QStringList({ QStringLiteral("show"), QStringLiteral("zwei Zeilen 你好") }));
}

TEST_F(SingleInstanceTest, WithoutAHandlerTheReplyIsAnEmptyLine)
{
    SingleInstance first;
    ASSERT_TRUE(first.claim());
    const auto reply = sendServed(QStringLiteral("show"));
    ASSERT_TRUE(reply.has_value());
    EXPECT_TRUE(reply->isEmpty());
}

TEST_F(SingleInstanceTest, AFailingHandlerAnswersEmptyAndKeepsServing)
{
    SingleInstance first;
    ASSERT_TRUE(first.claim());
    first.setHandler([](const QString& request) -> QString {
        if (request == QStringLiteral("bad"))
            throw std::runtime_error("handler failed");
        return QStringLiteral("ok");
    });
    EXPECT_EQ(sendServed(QStringLiteral("bad")), QString());
    EXPECT_EQ(sendServed(QStringLiteral("good")), QStringLiteral("ok"));
}

TEST_F(SingleInstanceTest, AClientThatNeverFinishesItsLineDoesNotBlockOthers)
{
    SingleInstance first;
    ASSERT_TRUE(first.claim());
    first.setHandler([](const QString& request) { return request; });
    QLocalSocket stalled;
    stalled.connectToServer(SingleInstance::socketName());
    ASSERT_TRUE(stalled.waitForConnected(1000));
    stalled.write("no newline yet");
    stalled.flush();
    EXPECT_EQ(sendServed(QStringLiteral("next")), QStringLiteral("next"));
}

TEST_F(SingleInstanceTest, SendWithNobodyRunningGivesNothing)
{
    EXPECT_FALSE(SingleInstance::send(QStringLiteral("show")).has_value());
}

TEST_F(SingleInstanceTest, ASecondProcessIsTurnedAwayAndTalksToTheFirst)
{
    QProcess holder;
    ASSERT_TRUE(startHolder(holder));
    SingleInstance second;
    EXPECT_FALSE(second.claim());
    EXPECT_EQ(SingleInstance::send(QStringLiteral("hello")), QStringLiteral("pong:hello"));
    holder.kill();
    holder.waitForFinished(5000);
}

TEST_F(SingleInstanceTest, ACrashedFirstCopyLeavesNothingThatBlocks)
{
    QProcess holder;
    ASSERT_TRUE(startHolder(holder));
    holder.kill();
    ASSERT_TRUE(holder.waitForFinished(5000));
    ASSERT_TRUE(QFile::exists(SingleInstance::lockFilePath())) << "a killed copy leaves its lock";
    ASSERT_TRUE(QFile::exists(SingleInstance::socketName())) << "and its socket file";
    EXPECT_FALSE(SingleInstance::send(QStringLiteral("show")).has_value());

    SingleInstance next;
    ASSERT_TRUE(next.claim());
    next.setHandler([](const QString&) { return QStringLiteral("here"); });
    EXPECT_EQ(sendServed(QStringLiteral("show")), QStringLiteral("here"));
}

} // namespace
