#include "fakes/fakes.h"
#include "platform/errors.h"
#include "platform/guarded.h"

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

TEST_F(Guarded, FileErrorsShowTheirOwnText)
{
    using Cause = platform::FileError::Cause;
    EXPECT_FALSE(runThrowing([] { throw platform::FileError(Cause::AccessDenied, "/data/sound.txt"); }));
    expectOneExclamation(QStringLiteral("Access to /data/sound.txt was denied."));

    m_messages.shown.clear();
    m_stepsBefore = 0;
    EXPECT_FALSE(runThrowing([] { throw platform::FileError(Cause::DiskFull, "/data/Alarmé.txt"); }));
    expectOneExclamation(QString::fromUtf8(platform::FileError(Cause::DiskFull, "/data/Alarmé.txt").what()));
}

TEST_F(Guarded, InvalidArgumentsShowTheFrameworkText)
{
    EXPECT_FALSE(runThrowing([] { throw platform::InvalidArgumentError(); }));
    expectOneExclamation(QStringLiteral("An invalid argument was encountered."));
}

TEST_F(Guarded, StandardIndexErrorsCountAsInvalidArguments)
{
    EXPECT_FALSE(runThrowing([] { (void)std::string("abc").substr(7); }));
    expectOneExclamation(QStringLiteral("An invalid argument was encountered."));
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
