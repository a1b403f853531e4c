#include "alarms/alarm_store.h"

#include "alarms/local_time.h"
#include "core/globals.h"
#include "platform/atomic_file.h"
#include "platform/errors.h"

#include <climits>
#include <optional>
#include <unordered_map>

namespace {

constexpr std::size_t npos = std::string::npos;

std::string alarmFilePath()
{
    return g_dataFolder + "AlarmList.txt";
}

// The file as it was when a load had to leave records out; saved beside it as
// "AlarmList.txt.bak" before the first save overwrites it.
struct PendingBackup {
    std::string path;
    std::string bytes;
};
std::optional<PendingBackup> s_pendingBackup;

// atoi as the file was always read: leading blanks, a sign, the leading digits; no
// digits gives 0. Overflow saturates instead of being undefined.
int parseInt(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative)
        return static_cast<int>(value > static_cast<long long>(INT_MAX) ? INT_MIN : -value);
    return static_cast<int>(value > INT_MAX ? INT_MAX : value);
}

// Reads the fields of one record the way the file has always been read: each field
// runs from one past the previous comma to the next comma. A missing comma leaves the
// field empty and the next search starts again at the beginning of the line.
class FieldReader {
public:
    FieldReader(std::string_view line, std::size_t recordStart)
        : m_line(line)
        , m_start(recordStart + 1)
        , m_searchFrom(recordStart)
    {
    }

    std::string_view next()
    {
        const std::size_t comma = m_line.find(',', m_searchFrom);
        std::string_view field;
        if (comma != npos) {
            field = m_line.substr(m_start, comma - m_start);
            m_start = comma + 1;
            m_searchFrom = comma + 1;
        } else {
            m_start = 0;
            m_searchFrom = 0;
        }
        return field;
    }

private:
    std::string_view m_line;
    std::size_t m_start;
    std::size_t m_searchFrom;
};

// Lists repeat the same days and times of day over and over; formatting costs a time
// zone lookup each, so one pass remembers them.
class LocalTimeCache {
public:
    const std::string& format(TimeValue t, const char* format, bool dateFormat)
    {
        auto& cache = dateFormat ? m_dates : m_times;
        auto it = cache.find(t);
        if (it == cache.end())
            it = cache.emplace(t, FormatLocalTime(t, format)).first;
        return it->second;
    }

private:
    std::unordered_map<TimeValue, std::string> m_dates;
    std::unordered_map<TimeValue, std::string> m_times;
};

bool hasTextAfterFirstLine(const std::string& bytes, std::size_t lineLength)
{
    for (std::size_t i = lineLength + 1; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c != '\n' && c != '\r' && c != ' ' && c != '\t')
            return true;
    }
    return false;
}

} // namespace

std::string SerializeAlarmList(const AlarmList& list)
{
    LocalTimeCache times;
    std::string text;
    text.reserve(list.size() * 64);
    for (const auto& record : list) {
        text += '#';
        text += record->topic;
        text += ',';
        text += record->note;
        text += ',';
        text += times.format(record->date, "%Y,%m,%d", true);
        text += ',';
        text += times.format(record->timeOfDay, "%H,%M", false);
        text += ',';
        text += std::to_string(record->soundOn);
        text += ',';
        text += record->soundFile;
        text += ',';
        text += record->repeat;
        text += ',';
    }
    return text;
}

int ParseAlarmList(std::string_view line, AlarmList& out)
{
    int skipped = 0;
    std::size_t p = line.find('#');
    while (p != npos) {
        FieldReader fields(line, p);
        auto record = std::make_unique<AlarmRecord>();
        record->topic = fields.next();
        record->note = fields.next();
        const int year = parseInt(fields.next());
        const int month = parseInt(fields.next());
        const int day = parseInt(fields.next());
        const int hour = parseInt(fields.next());
        const int minute = parseInt(fields.next());
        record->soundOn = parseInt(fields.next());
        record->soundFile = fields.next();
        record->repeat = fields.next();
        try {
            record->date = MakeLocalTime(year, month, day, 0, 0, 0);
            record->timeOfDay = MakeLocalTime(2000, 1, 1, hour, minute, 0);
            out.push_back(std::move(record));
        } catch (const platform::InvalidArgumentError&) {
            // A date that cannot be represented spoils only its own record.
            ++skipped;
        }
        // A "#" inside a field starts the next record there.
        p = line.find('#', p + 1);
    }
    return skipped;
}

void LoadAlarmList()
{
    s_pendingBackup.reset();
    const std::string path = alarmFilePath();
    // Read-only access is enough: a read-only file still loads.
    std::string bytes;
    if (!platform::readWholeFile(path, bytes))
        return;
    const std::size_t newline = bytes.find('\n');
    const std::size_t lineLength = newline == npos ? bytes.size() : newline;
    const int skipped = ParseAlarmList(std::string_view(bytes).substr(0, lineLength), g_alarmList);
    // The next save writes only what was understood; keep the rest recoverable.
    if (skipped > 0 || hasTextAfterFirstLine(bytes, lineLength))
        s_pendingBackup = PendingBackup { path, std::move(bytes) };
}

void SaveAlarmList()
{
    const std::string path = alarmFilePath();
    const std::string text = SerializeAlarmList(g_alarmList);
    if (s_pendingBackup && s_pendingBackup->path == path) {
        // Throws before the list file is touched, so nothing is lost either way.
        platform::writeFileAtomically(path + ".bak", s_pendingBackup->bytes);
        s_pendingBackup.reset();
    }
    platform::writeFileAtomically(path, text);
}
