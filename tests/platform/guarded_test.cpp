#include "fakes/fakes.h"
#include "platform/errors.h"
#include "platform/guarded.h"

#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>

namespace {

using platform::Messages;

class Guarded : public ::testing::Test {
protected:
    // Runs a handler that does one step, throws, and would do another step after.
    template <typename Throw> bool runThrowing(Throw doThrow)
    {
        return platform::runGuarded(nullptr, [&] {
            ++m_stepsBefore;
            doThrow();
            ++m_stepsAfter;
        });
    }

    void expectOneExclamation(const QString& text)
    {
        ASSERT_EQ(m_messages.shown.size(), 1u);
        EXPECT_EQ(m_messages.shown[0].text, text);
        EXPECT_EQ(m_messages.shown[0].caption, platform::applicationCaption());
        EXPECT_EQ(m_messages.shown[0].icon, Messages::Icon::Exclamation);
        EXPECT_EQ(m_messages.shown[0].buttons, Messages::Buttons::Ok);
        EXPECT_EQ(m_stepsBefore, 1);
        EXPECT_EQ(m_stepsAfter, 0) << "the rest of the handler is abandoned";
    }

    fakes::FakeMessages m_messages;
    int m_stepsBefore = 0;
    int m_stepsAfter = 0;
};

TEST_F(Guarded, AHandlerThatFinishesShowsNothing)
{
    EXPECT_TRUE(runThrowing([] {}));
    EXPECT_TRUE(m_messages.shown.empty());
    EXPECT_EQ(m_stepsAfter, 1);
}

// File errors show their own text; invalid arguments, standard index errors among them,
// the framework's.
TEST_F(Guarded, KnownErrorsShowTheirTextAndAbandonTheHandler)
{
    using Cause = platform::FileError::Cause;
    const QString invalid = QStringLiteral("An invalid argument was encountered.");
    const struct {
        std::function<void()> doThrow;
        QString text;
    } cases[] = {
        { [] { throw platform::FileError(Cause::AccessDenied, "/data/sound.txt"); },
            QStringLiteral("Access to /data/sound.txt was denied.") },
        { [] { throw platform::FileError(Cause::DiskFull, "/data/Alarmé.txt"); },
            QString::fromUtf8(platform::FileError(Cause::DiskFull, "/data/Alarmé.txt").what()) },
        { [] { throw platform::InvalidArgumentError(); }, invalid },
        { [] { (void)std::string("abc").substr(7); }, invalid },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        m_messages.shown.clear();
        m_stepsBefore = 0;
        EXPECT_FALSE(runThrowing(c.doThrow));
        expectOneExclamation(c.text);
    }
}

TEST_F(Guarded, AnythingElseIsCaughtWithAGeneralText)
{
    EXPECT_FALSE(runThrowing([] { throw std::runtime_error("internal detail"); }));
    ASSERT_EQ(m_messages.shown.size(), 1u);
    const QString general = m_messages.shown[0].text;
    EXPECT_FALSE(general.isEmpty());
    EXPECT_FALSE(general.contains(QStringLiteral("internal detail")));

    m_messages.shown.clear();
    m_stepsBefore = 0;
    EXPECT_FALSE(runThrowing([] { throw 42; }));
    expectOneExclamation(general);
}

} // namespace
