#include "widgets/validation.h"

#include "fakes/fakes.h"

#include <QLineEdit>
#include <gtest/gtest.h>
#include <optional>

TEST(Validation, ParsesIntegersAsTheDataExchangeDoes)
{
    const struct { const char* text; std::optional<int> value; } cases[] = {
        {"0", 0}, {"59", 59}, {" 7 ", 7}, {"\t-12", -12}, {"+3", 3},
        {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1},
        {"", std::nullopt}, {"  ", std::nullopt}, {"12a", std::nullopt}, {"1 2", std::nullopt},
        {"+-1", std::nullopt}, {"++1", std::nullopt}, {"1.5", std::nullopt},
        {"2147483648", std::nullopt}, {"0x10", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(validation::ParseInteger(c.text), c.value) << '"' << c.text << '"';
}

TEST(Validation, EachFailedCheckSaysWhyAndKeepsTheValue)
{
    fakes::FakeMessages messages;
    QLineEdit edit;
    const struct { const char* text; int min; int max; bool ok; const char* message; } cases[] = {
        {"30", 0, 59, true, nullptr},
        {"abc", 0, 59, false, "Please enter an integer."},
        {"60", 0, 59, false, "Please enter an integer between 0 and 59."},
        {"0", 1, 9999, false, "Please enter an integer between 1 and 9999."},
    };
    for (const auto& c : cases) {
        messages.shown.clear();
        edit.setText(QString::fromLatin1(c.text));
        int value = -1;
        EXPECT_EQ(validation::ReadIntegerInRange(&edit, c.min, c.max, value), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(value, QString::fromLatin1(c.text).toInt());
            EXPECT_TRUE(messages.shown.empty());
        } else {
            EXPECT_EQ(value, -1) << "a failed check leaves the value alone";
            ASSERT_EQ(messages.shown.size(), 1u);
            EXPECT_EQ(messages.shown[0].text, QString::fromLatin1(c.message));
            EXPECT_EQ(edit.selectedText(), edit.text());
        }
    }

    edit.setText(QStringLiteral("abcdef"));
    messages.shown.clear();
    EXPECT_TRUE(validation::CheckMaxChars(&edit, 6));
    EXPECT_FALSE(validation::CheckMaxChars(&edit, 5));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("Please enter no more than 5 characters."));
}
