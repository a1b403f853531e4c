#include "alarms/alarm_store.h"

#include "alarms/local_time.h"
#include "core/globals.h"
#include "core/text.h"
#include "platform/atomic_file.h"
#include "platform/errors.h"

#include <array>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <optional>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace {

constexpr std::size_t npos = std::string::npos;
// topic, note, year, month, day, hour, minute, sound on, sound file, repeat
constexpr std::size_t kFieldCount = 10;

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

// The fields of the record whose "#" is at p when all of them end before the record
// that follows (at end): the same fields FieldReader finds, without its restarts.
bool splitRecord(std::string_view line, std::size_t p, std::size_t end, std::array<std::string_view, kFieldCount>& fields)
{
    const char* const base = line.data();
    std::size_t start = p + 1;
    for (auto& field : fields) {
        const void* comma = start < end ? std::memchr(base + start, ',', end - start) : nullptr;
        if (!comma)
            return false;
        const auto at = static_cast<std::size_t>(static_cast<const char*>(comma) - base);
        field = line.substr(start, at - start);
        start = at + 1;
    }
    return true;
}

// A list converts the same few times of day and dates over and over; each distinct one
// (up to half the date table) is asked of MakeLocalTime once per parse. Nothing comes
// from the heap: a large request would make malloc tidy up the whole heap first.
class ConversionCache {
public:
    // Long lines get a date table in pages of their own, sized for their length.
    explicit ConversionCache(std::size_t lineLength)
    {
        m_times.fill(kUnset);
        std::size_t slots = m_small.size();
        while (slots < kMaxSlots && slots * 64 < lineLength)
            slots *= 2;
        if (slots > m_small.size()) {
            void* pages = ::mmap(nullptr, slots * sizeof(DateSlot), PROT_READ | PROT_WRITE,
                MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (pages != MAP_FAILED) {
                m_dates = static_cast<DateSlot*>(pages); // zero-filled: all empty
                m_slots = slots;
            }
        }
    }
    ~ConversionCache()
    {
        if (m_dates != m_small.data())
            ::munmap(m_dates, m_slots * sizeof(DateSlot));
    }
    ConversionCache(const ConversionCache&) = delete;
    ConversionCache& operator=(const ConversionCache&) = delete;

    TimeValue timeOfDay(int hour, int minute)
    {
        if (hour < 0 || hour >= 24 || minute < 0 || minute >= 60)
            return MakeLocalTime(2000, 1, 1, hour, minute, 0);
        TimeValue& slot = m_times[static_cast<std::size_t>(hour * 60 + minute)];
        if (slot == kUnset)
            slot = MakeLocalTime(2000, 1, 1, hour, minute, 0);
        return slot;
    }

    TimeValue date(int year, int month, int day)
    {
        // Dates of ordinary lists pack into a key, in date order; others are not remembered.
        if (year < 1900 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31)
            return MakeLocalTime(year, month, day, 0, 0, 0);
        const auto key = static_cast<std::uint32_t>((year * 16 + month) * 32 + day);
        const std::size_t mask = m_slots - 1;
        // The key itself as index: neighbouring dates share cache lines.
        std::size_t i = key & mask;
        while (m_dates[i].key != 0 && m_dates[i].key != key)
            i = (i + 1) & mask;
        if (m_dates[i].key == key)
            return m_dates[i].value;
        const TimeValue value = MakeLocalTime(year, month, day, 0, 0, 0);
        // At most half full, so a search always ends at an empty slot.
        if (m_dateCount * 2 < m_slots) {
            m_dates[i] = DateSlot { key, value };
            ++m_dateCount;
        }
        return value;
    }

private:
    static constexpr TimeValue kUnset = -1; // MakeLocalTime never gives a negative time

    struct DateSlot {
        std::uint32_t key = 0; // 0: empty
        TimeValue value = 0;
    };

    std::array<TimeValue, 24 * 60> m_times;
    static constexpr std::size_t kMaxSlots = 65536;
    std::array<DateSlot, 2048> m_small {};
    DateSlot* m_dates = m_small.data();
    std::size_t m_slots = m_small.size();
    std::size_t m_dateCount = 0;
};

// A whole file read into pages of its own. A large malloc right after a long list was
// freed would make malloc merge and trim the whole heap before the list is rebuilt.
class FileBytes {
public:
    FileBytes() = default;
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;
    ~FileBytes()
    {
        if (m_data)
            ::munmap(m_data, m_capacity);
    }

    // False when the file cannot be opened or read, as platform::readWholeFile.
    bool read(const std::string& path)
    {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return false;
        struct stat info {};
        const bool ok = ::fstat(fd, &info) == 0 && reserve(static_cast<std::size_t>(info.st_size) + 1) && readAll(fd);
        ::close(fd);
        return ok;
    }

    std::string_view view() const { return { static_cast<const char*>(m_data), m_size }; }

private:
    bool reserve(std::size_t wanted)
    {
        const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
        const std::size_t capacity = (wanted + page - 1) / page * page;
        void* data = m_data ? ::mremap(m_data, m_capacity, capacity, MREMAP_MAYMOVE)
                            : ::mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (data == MAP_FAILED)
            return false;
        m_data = data;
        m_capacity = capacity;
        return true;
    }

    bool readAll(int fd)
    {
        for (;;) {
            if (m_size == m_capacity && !reserve(m_capacity * 2))
                return false;
            const ssize_t n = ::read(fd, static_cast<char*>(m_data) + m_size, m_capacity - m_size);
            if (n == 0)
                return true;
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return false;
            }
            m_size += static_cast<std::size_t>(n);
        }
    }

    void* m_data = nullptr;
    std::size_t m_capacity = 0;
    std::size_t m_size = 0;
};

bool hasTextAfterFirstLine(std::string_view bytes, std::size_t lineLength)
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
    ConversionCache times(line.size());
    std::array<std::string_view, kFieldCount> fields;
    std::size_t p = line.find('#');
    while (p != npos) {
        // A "#" inside a field starts the next record there.
        const std::size_t next = line.find('#', p + 1);
        if (!splitRecord(line, p, next == npos ? line.size() : next, fields)) {
            FieldReader reader(line, p);
            for (auto& field : fields)
                field = reader.next();
        }
        std::unique_ptr<AlarmRecord> record(new AlarmRecord); // every field is set below
        record->topic = fields[0];
        record->note = fields[1];
        const int year = AtoI(fields[2]);
        const int month = AtoI(fields[3]);
        const int day = AtoI(fields[4]);
        const int hour = AtoI(fields[5]);
        const int minute = AtoI(fields[6]);
        record->soundOn = AtoI(fields[7]);
        record->soundFile = fields[8];
        record->repeat = fields[9];
        try {
            record->date = times.date(year, month, day);
            record->timeOfDay = times.timeOfDay(hour, minute);
            out.push_back(std::move(record));
        } catch (const platform::InvalidArgumentError&) {
            // A date that cannot be represented spoils only its own record.
            ++skipped;
        }
        p = next;
    }
    return skipped;
}

void LoadAlarmList()
{
    s_pendingBackup.reset();
    const std::string path = alarmFilePath();
    // Read-only access is enough: a read-only file still loads.
    FileBytes file;
    if (!file.read(path))
        return;
    const std::string_view bytes = file.view();
    const std::size_t newline = bytes.find('\n');
    const std::size_t lineLength = newline == npos ? bytes.size() : newline;
    const int skipped = ParseAlarmList(bytes.substr(0, lineLength), g_alarmList);
    // The next save writes only what was understood; keep the rest recoverable.
    if (skipped > 0 || hasTextAfterFirstLine(bytes, lineLength))
        s_pendingBackup = PendingBackup { path, std::string(bytes) };
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
