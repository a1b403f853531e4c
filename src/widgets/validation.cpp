#include "widgets/validation.h"

#include "platform/messages.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <charconv>

namespace validation {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

void reject(QLineEdit* edit, const QString& text)
{
    platform::messages().show(edit->window(), platform::applicationCaption(), text,
                              platform::Messages::Icon::Exclamation);
    edit->setFocus();
    edit->selectAll();
}

} // namespace

std::optional<int> ParseInteger(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-')
            return std::nullopt;
    }
    if (text.empty() || text.front() == '+')
        return std::nullopt;
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

bool ReadInteger(QLineEdit* edit, int& value)
{
    const auto parsed = ParseInteger(edit->text().toStdString());
    if (!parsed) {
        reject(edit, QCoreApplication::translate("Validation", "Please enter an integer."));
        return false;
    }
    value = *parsed;
    return true;
}

bool ReadIntegerInRange(QLineEdit* edit, int min, int max, int& value)
{
    int parsed = 0;
    if (!ReadInteger(edit, parsed))
        return false;
    if (parsed < min || parsed > max) {
        reject(edit, QCoreApplication::translate("Validation", "Please enter an integer between %1 and %2.").arg(min).arg(max));
        return false;
    }
    value = parsed;
    return true;
}

bool CheckMaxChars(QLineEdit* edit, int maxChars)
{
    if (edit->text().size() <= maxChars)
        return true;
    reject(edit, QCoreApplication::translate("Validation", "Please enter no more than %1 characters.").arg(maxChars));
    return false;
}

} // namespace validation
