#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace imap {

inline constexpr std::size_t kMaxLineBytes = 8192;       // one line with its CR LF
inline constexpr std::size_t kMaxLiteralBytes = 65536;   // one {n}
inline constexpr std::size_t kMaxResponseBytes = 262144; // lines and literals of one response
inline constexpr std::size_t kMaxValueBytes = 504;       // a user name or password

// One server response. Literal contents are skipped: the text keeps their "{n}" and the
// line goes on after them.
struct Response {
    enum class Kind { Untagged, Tagged, Continuation };
    Kind kind = Kind::Untagged;
    std::string tag; // Tagged only
    std::string text; // after "* ", "<tag> " or "+"
};

// Splits what the server sends into responses, byte by byte, without ever holding more
// than one line: a line, a literal or a response over its bound, a bare CR LF, a tag
// that is no atom, is an error that sticks.
class ResponseReader {
public:
    // Reads all of data; complete responses wait in the queue. false once broken.
    bool feed(std::string_view data);
    std::optional<Response> next();
    bool hasNext() const { return !m_ready.empty(); }
    bool broken() const { return !m_error.empty(); }
    const std::string& error() const { return m_error; }
    // Bytes of a response still incomplete (0 between responses).
    bool midResponse() const { return !m_line.empty() || !m_text.empty() || m_literalLeft > 0; }

private:
    void endLine();
    void fail(const char* why);

    std::deque<Response> m_ready;
    std::string m_line;
    std::string m_text;
    std::size_t m_literalLeft = 0;
    std::size_t m_responseBytes = 0;
    std::string m_error;
};

// "OK [CODE args] text" -> word "OK" (upper case), code "CODE args", text.
struct Status {
    std::string word;
    std::string code;
    std::string text;
};
Status ParseStatus(std::string_view text);

// "23 EXISTS" -> 23 and "EXISTS" (upper case); nullopt when the text does not start with
// a number that fits an int and a word.
struct Numbered {
    int number = 0;
    std::string word;
};
std::optional<Numbered> ParseNumbered(std::string_view text);

// What a CAPABILITY list (or a [CAPABILITY ...] code's arguments) offers us.
struct Capabilities {
    bool startTls = false;
    bool idle = false;
    bool loginDisabled = false;
    bool authPlain = false;
};
Capabilities ParseCapabilities(std::string_view list);
// The arguments of a "CAPABILITY ..." response code, or nullopt for another code.
std::optional<std::string_view> CapabilityCode(std::string_view code);

// "<tag> LOGIN <user> <password>\r\n" in the pieces that go out one continuation request
// apart: a value that cannot be quoted (8-bit, CR, LF) goes as a literal {n}. nullopt for
// a value with a zero byte or over kMaxValueBytes.
std::optional<std::vector<std::string>> FormatLogin(std::string_view tag, std::string_view user,
                                                    std::string_view password);
// SASL PLAIN's initial response: base64 of NUL user NUL password.
std::string PlainResponse(std::string_view user, std::string_view password);

// A server text fit for a tooltip: printable ASCII, at most 160 characters.
std::string Printable(std::string_view text);

} // namespace imap
