#include "mail/imap_reader.h"

#include <algorithm>
#include <climits>

namespace imap {

namespace {

constexpr std::size_t kMaxQueued = 4096;
constexpr const char* kTooLong = "Server reply too long";
constexpr const char* kNotUnderstood = "Server reply not understood";

char upper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string upperCase(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), upper);
    return out;
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return upper(x) == upper(y);
           });
}

bool isTagChar(char c)
{
    const auto u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u >= 0x7F)
        return false;
    return std::string_view("(){%*\"\\+").find(c) == std::string_view::npos;
}

// The size of a literal announced at the end of a line ("... {12}"), or nullopt.
std::optional<std::size_t> literalAtEnd(std::string_view line)
{
    if (line.empty() || line.back() != '}')
        return std::nullopt;
    const std::size_t open = line.rfind('{');
    if (open == std::string_view::npos)
        return std::nullopt;
    const std::string_view digits = line.substr(open + 1, line.size() - open - 2);
    if (digits.empty())
        return std::nullopt;
    std::size_t value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        // Anything past the bound is as bad as the bound plus one.
        value = std::min(value * 10 + static_cast<std::size_t>(c - '0'), kMaxLiteralBytes + 1);
    }
    return value;
}

} // namespace

bool ResponseReader::feed(std::string_view data)
{
    std::size_t i = 0;
    while (i < data.size() && !broken()) {
        if (m_literalLeft > 0) {
            const std::size_t take = std::min(m_literalLeft, data.size() - i);
            m_literalLeft -= take;
            i += take;
            continue;
        }
        const std::size_t newline = data.find('\n', i);
        const std::size_t end = newline == std::string_view::npos ? data.size() : newline + 1;
        if (m_line.size() + (end - i) > kMaxLineBytes) {
            fail(kTooLong);
            break;
        }
        m_line.append(data.substr(i, end - i));
        i = end;
        if (newline != std::string_view::npos)
            endLine();
    }
    return !broken();
}

void ResponseReader::endLine()
{
    m_responseBytes += m_line.size();
    std::string_view line(m_line);
    line.remove_suffix(1); // the LF
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    if (m_responseBytes > kMaxResponseBytes)
        return fail(kTooLong);
    if (const std::optional<std::size_t> literal = literalAtEnd(line)) {
        if (*literal > kMaxLiteralBytes || m_responseBytes + *literal > kMaxResponseBytes)
            return fail(kTooLong);
        m_responseBytes += *literal;
        m_literalLeft = *literal;
        m_text.append(line);
        m_line.clear();
        return;
    }
    m_text.append(line);
    m_line.clear();

    Response response;
    const std::string_view text(m_text);
    if (text.size() >= 2 && text[0] == '*' && text[1] == ' ') {
        response.kind = Response::Kind::Untagged;
        response.text = text.substr(2);
    } else if (!text.empty() && text[0] == '+') {
        response.kind = Response::Kind::Continuation;
        response.text = text.substr(text.size() > 1 && text[1] == ' ' ? 2 : 1);
    } else {
        const std::size_t space = text.find(' ');
        if (space == 0 || space == std::string_view::npos
            || !std::all_of(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(space), isTagChar))
            return fail(kNotUnderstood);
        response.kind = Response::Kind::Tagged;
        response.tag = text.substr(0, space);
        response.text = text.substr(space + 1);
    }
    m_text.clear();
    m_responseBytes = 0;
    if (m_ready.size() >= kMaxQueued)
        return fail(kTooLong);
    m_ready.push_back(std::move(response));
}

void ResponseReader::fail(const char* why)
{
    m_error = why;
    m_line.clear();
    m_text.clear();
    m_ready.clear();
    m_literalLeft = 0;
}

std::optional<Response> ResponseReader::next()
{
    if (m_ready.empty())
        return std::nullopt;
    Response response = std::move(m_ready.front());
    m_ready.pop_front();
    return response;
}

Status ParseStatus(std::string_view text)
{
    Status status;
    const std::size_t space = text.find(' ');
    status.word = upperCase(text.substr(0, space));
    if (space == std::string_view::npos)
        return status;
    std::string_view rest = text.substr(space + 1);
    if (!rest.empty() && rest.front() == '[') {
        const std::size_t close = rest.find(']');
        if (close != std::string_view::npos) {
            status.code = rest.substr(1, close - 1);
            rest.remove_prefix(close + 1);
            if (!rest.empty() && rest.front() == ' ')
                rest.remove_prefix(1);
        }
    }
    status.text = rest;
    return status;
}

std::optional<Numbered> ParseNumbered(std::string_view text)
{
    std::size_t i = 0;
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX)
            return std::nullopt;
    }
    if (i == 0 || i + 1 >= text.size() || text[i] != ' ')
        return std::nullopt;
    const std::string_view rest = text.substr(i + 1);
    const std::string_view word = rest.substr(0, rest.find(' '));
    if (word.empty())
        return std::nullopt;
    return Numbered{static_cast<int>(value), upperCase(word)};
}

Capabilities ParseCapabilities(std::string_view list)
{
    Capabilities capabilities;
    while (!list.empty()) {
        const std::size_t space = list.find(' ');
        const std::string_view atom = list.substr(0, space);
        if (equalsNoCase(atom, "STARTTLS"))
            capabilities.startTls = true;
        else if (equalsNoCase(atom, "IDLE"))
            capabilities.idle = true;
        else if (equalsNoCase(atom, "LOGINDISABLED"))
            capabilities.loginDisabled = true;
        else if (equalsNoCase(atom, "AUTH=PLAIN"))
            capabilities.authPlain = true;
        if (space == std::string_view::npos)
            break;
        list.remove_prefix(space + 1);
    }
    return capabilities;
}

std::optional<std::string_view> CapabilityCode(std::string_view code)
{
    static constexpr std::string_view kWord = "CAPABILITY";
    if (code.size() < kWord.size() || !equalsNoCase(code.substr(0, kWord.size()), kWord))
        return std::nullopt;
    if (code.size() == kWord.size())
        return std::string_view();
    if (code[kWord.size()] != ' ')
        return std::nullopt;
    return code.substr(kWord.size() + 1);
}

std::optional<std::vector<std::string>> FormatLogin(std::string_view tag, std::string_view user,
                                                    std::string_view password)
{
    std::vector<std::string> pieces;
    std::string piece = std::string(tag) + " LOGIN";
    for (const std::string_view value : {user, password}) {
        if (value.size() > kMaxValueBytes || value.find('\0') != std::string_view::npos)
            return std::nullopt;
        piece += ' ';
        const bool quotable = std::all_of(value.begin(), value.end(), [](char c) {
            return static_cast<unsigned char>(c) < 0x80 && c != '\r' && c != '\n';
        });
        if (quotable) {
            piece += '"';
            for (const char c : value) {
                if (c == '"' || c == '\\')
                    piece += '\\';
                piece += c;
            }
            piece += '"';
        } else {
            // The server asks for the bytes with a continuation request.
            piece += '{' + std::to_string(value.size()) + "}\r\n";
            pieces.push_back(std::move(piece));
            piece.assign(value);
        }
    }
    piece += "\r\n";
    pieces.push_back(std::move(piece));
    return pieces;
}

std::string PlainResponse(std::string_view user, std::string_view password)
{
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string raw;
    raw += '\0';
    raw += user;
    raw += '\0';
    raw += password;
    std::string out;
    for (std::size_t i = 0; i < raw.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, raw.size() - i);
        std::uint32_t bits = 0;
        for (std::size_t k = 0; k < 3; ++k)
            bits = (bits << 8) | (k < n ? static_cast<unsigned char>(raw[i + k]) : 0u);
        for (std::size_t k = 0; k < 4; ++k)
            out += k <= n ? kAlphabet[(bits >> (18 - 6 * k)) & 0x3F] : '=';
    }
    return out;
}

std::string Printable(std::string_view text)
{
    static constexpr std::size_t kMax = 160;
    std::string out;
    for (const char c : text.substr(0, kMax)) {
        const auto u = static_cast<unsigned char>(c);
        out += (u >= 0x20 && u < 0x7F) ? c : '?';
    }
    if (text.size() > kMax)
        out += "...";
    return out;
}

} // namespace imap
