#pragma once

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// What a POP3 server replies and the commands sent to it, without a connection.
namespace pop3 {

inline constexpr std::size_t kCommandLineBytes = 512; // with CR LF and a terminating zero
inline constexpr std::size_t kMaxValueBytes = kCommandLineBytes - 8; // "USER " + value + CR LF + zero
inline constexpr std::size_t kMaxReplyBytes = 1000; // a whole reply line with its CR LF
inline constexpr std::size_t kMaxRetrBytes = 9000;

// A reply is a failure only when it begins with "-ERR", in any letter case.
bool IsErrorReply(std::string_view reply);
// STAT: at the first blank (space or tab) the count, at the next the size; a reply
// with fewer blanks leaves the rest unchanged.
void ParseStat(std::string_view reply, int& count, int& size);
// The count a STAT reply gives when it is a whole, non-negative decimal number that fits
// an int (the server sets it; nothing else may be announced or written); else nullopt.
std::optional<int> StatCount(std::string_view reply);
// One line of a CAPA listing names STLS (its first word, in any letter case).
bool IsStlsCapability(std::string_view line);
// LIST's listing (the lines after the status line): the number after each blank, cut to
// 16 bits, up to the line that starts with ".".
void ParseList(std::string_view listing, std::vector<std::uint16_t>& sizes);
// "USER "/"PASS " + value + CR LF, or nullopt when it would not fit the command line or
// the value holds a line break or a zero byte (it would inject a second command).
std::optional<QByteArray> FormatCommand(std::string_view verb, std::string_view value);

} // namespace pop3
