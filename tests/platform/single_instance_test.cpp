#include "env_guard.h"
#include "platform/single_instance.h"

#include <QCoreApplication>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using platform::SingleInstance;

// Each test gets its own runtime folder, so its socket and lock are its own.
class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    // Sends from another thread while this one serves requests.
    std::optional<QString> sendServed(const QString& request, int timeoutMs = 3000)
    {
        auto reply = std::async(
            std::launch::async, [request, timeoutMs] { return SingleInstance::send(request, timeoutMs); });
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
    ASSERT_TRUE(QFile::exists(SingleInstance::socketName()));
    first.reset();
    EXPECT_FALSE(QFile::exists(SingleInstance::socketName())) << "a clean end takes its socket along";
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
    EXPECT_FALSE(sendServed(QString(platform::kMaxRequestLine + 1, QLatin1Char('x')), 300).has_value())
        << "an overlong line is dropped unanswered";
    EXPECT_EQ(seen, QStringList({ QStringLiteral("show"), QStringLiteral("zwei Zeilen 你好") }));
}

TEST_F(SingleInstanceTest, AReplyLargerThanTheSocketHoldsArrivesWhole)
{
    SingleInstance first;
    ASSERT_TRUE(first.claim());
    const QString big(300000, QLatin1Char('x'));
    first.setHandler([&big](const QString&) { return big; });
    QLocalSocket client;
    client.connectToServer(SingleInstance::socketName());
    ASSERT_TRUE(client.waitForConnected(1000));
    client.write("status\n");
    client.flush();
    QByteArray received;
    for (int i = 0; i < 500 && client.state() == QLocalSocket::ConnectedState; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        client.waitForReadyRead(5);
        received += client.readAll();
    }
    received += client.readAll();
    EXPECT_EQ(received.size(), big.size() + 1);
    EXPECT_TRUE(received.endsWith("x\n"));
}

TEST_F(SingleInstanceTest, AMissingOrFailingHandlerAnswersAnEmptyLineAndServingGoesOn)
{
    SingleInstance first;
    ASSERT_TRUE(first.claim());
    const auto reply = sendServed(QStringLiteral("show"));
    ASSERT_TRUE(reply.has_value());
    EXPECT_TRUE(reply->isEmpty()) << "no handler";

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

// Tests run as root: a file handed to another uid stands for one planted by another user.
TEST_F(SingleInstanceTest, ALockOrSocketOfAnotherUserIsNotTrusted)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to hand a file to another user";
    // A lock naming a live process, as the other user's own copy would leave it.
    QFile planted(SingleInstance::lockFilePath());
    ASSERT_TRUE(planted.open(QIODevice::WriteOnly));
    planted.write(QByteArray::number(QCoreApplication::applicationPid()) + "\n" QUILLBY_TEST_EXE_NAME "\n\n");
    planted.close();
    SingleInstance probe;
    EXPECT_FALSE(probe.claim()) << "as our own, the planted lock would hold";
    ASSERT_EQ(::chown(QFile::encodeName(planted.fileName()).constData(), 65534, 65534), 0);

    // And a socket of that user answers nothing in the first copy's place.
    QLocalServer impostor;
    ASSERT_TRUE(impostor.listen(SingleInstance::socketName()));
    QObject::connect(&impostor, &QLocalServer::newConnection, &impostor, [&impostor] {
        impostor.nextPendingConnection()->write("toy: connected\n");
    });
    ASSERT_TRUE(sendServed(QStringLiteral("status")).has_value());
    ASSERT_EQ(::chown(QFile::encodeName(SingleInstance::socketName()).constData(), 65534, 65534), 0);
    EXPECT_FALSE(sendServed(QStringLiteral("status")).has_value());
    impostor.close();

    SingleInstance first;
    EXPECT_TRUE(first.claim());
    struct stat st { };
    ASSERT_EQ(::stat(QFile::encodeName(SingleInstance::lockFilePath()).constData(), &st), 0);
    EXPECT_EQ(st.st_uid, 0u);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << "the lock is the owner's alone";
}

TEST_F(SingleInstanceTest, ClientsBeyondTheCapAreTurnedAway)
{
    SingleInstance first;
    ASSERT_TRUE(first.claim());
    first.setLineTimeout(60000); // the silent clients below stay for the whole test
    first.setHandler([](const QString& request) { return request; });
    std::vector<std::unique_ptr<QLocalSocket>> idle;
    for (int i = 0; i < SingleInstance::kMaxClients + 5; ++i) {
        idle.push_back(std::make_unique<QLocalSocket>());
        idle.back()->connectToServer(SingleInstance::socketName());
        ASSERT_TRUE(idle.back()->waitForConnected(1000));
    }
    const auto connectedCount = [&] {
        return std::count_if(idle.begin(), idle.end(),
                             [](const auto& s) { return s->state() == QLocalSocket::ConnectedState; });
    };
    for (int i = 0; i < 100 && connectedCount() > SingleInstance::kMaxClients; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        for (auto& s : idle) {
            if (s->state() == QLocalSocket::ConnectedState)
                s->waitForDisconnected(0);
        }
    }
    EXPECT_EQ(connectedCount(), SingleInstance::kMaxClients);
    EXPECT_FALSE(sendServed(QStringLiteral("next"), 400).has_value()) << "full: refused too";
    idle.clear();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(sendServed(QStringLiteral("next")), QStringLiteral("next")) << "room again once they leave";
}

TEST_F(SingleInstanceTest, SilentClientsAreDroppedSoARequestStillGetsThrough)
{
    SingleInstance first;
    ASSERT_TRUE(first.claim());
    first.setLineTimeout(200);
    first.setHandler([](const QString& request) { return QStringLiteral("re:") + request; });
    std::vector<std::unique_ptr<QLocalSocket>> silent;
    for (int i = 0; i < SingleInstance::kMaxClients; ++i) {
        silent.push_back(std::make_unique<QLocalSocket>());
        silent.back()->connectToServer(SingleInstance::socketName());
        ASSERT_TRUE(silent.back()->waitForConnected(1000));
        silent.back()->write("no end of line");
        silent.back()->flush();
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    // Sent while every slot is held; answered once the silent ones are dropped.
    EXPECT_EQ(sendServed(QStringLiteral("status")), QStringLiteral("re:status"));

    // A whole line stops the clock: an answer slower than it is still delivered.
    first.setHandler([](const QString& request) {
        QThread::msleep(400);
        return request;
    });
    EXPECT_EQ(sendServed(QStringLiteral("slow")), QStringLiteral("slow"));
}

} // namespace
