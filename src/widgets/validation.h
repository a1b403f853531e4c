#pragma once

#include <optional>
#include <string_view>

class QLineEdit;

// The dialogs' data exchange checks. A failed check shows its message through the
// message box seam, puts the focus back into the edit with its text selected, and
// returns false so the caller keeps the dialog open.
namespace validation {

// An integer as the data exchange reads one: optional blanks, an optional sign, digits,
// optional blanks; nothing else, and nothing outside int's range.
std::optional<int> ParseInteger(std::string_view text);

// "Please enter an integer." when the text is not one.
bool ReadInteger(QLineEdit* edit, int& value);
// As ReadInteger, then "Please enter an integer between %1 and %2." when out of range.
bool ReadIntegerInRange(QLineEdit* edit, int min, int max, int& value);
// "Please enter no more than %1 characters." when the text is longer.
bool CheckMaxChars(QLineEdit* edit, int maxChars);

} // namespace validation
