#include "alarms/alarm_store.h"

#include "alarms/local_time.h"
#include "alarms/separator_scan.h"
#include "core/globals.h"
#include "core/text.h"
#include "platform/atomic_file.h"
#include "platform/errors.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace {

constexpr std::size_t npos = std::string::npos;
// topic, note, year, month, day, hour, minute, sound on, sound file, repeat
constexpr std::size_t kFieldCount = 10;
// Records cut short kept by one load; the others are left out (the file is kept as .bak).
constexpr int kMaxCutShortRecords = 10000;

std::string alarmFilePath()
{
    return g_dataFolder + "AlarmList.txt";
}


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

// The file's numbers are short runs of digits; anything else goes AtoI's way.
inline int fieldNumber(std::string_view field)
{
    if (field.empty() || field.size() > 9)
        return AtoI(field);
    int value = 0;
    for (const char c : field) {
        const unsigned digit = static_cast<unsigned char>(c) - unsigned { '0' };
        if (digit > 9)
            return AtoI(field);
        value = value * 10 + static_cast<int>(digit);
    }
    return value;
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

// A whole file read into one heap block, left uninitialised until read.
class FileBytes {
public:
    FileBytes() = default;
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;
    ~FileBytes() { std::free(m_data); }

    std::size_t size() const { return m_size; }
    // False when the file cannot be opened or read, as platform::readWholeFile.
    bool read(const std::string& path)
    {
        const int fd = platform::openDataFile(path);
        if (fd < 0)
            return false;
        struct stat info {};
        bool ok = ::fstat(fd, &info) == 0 && reserve(static_cast<std::size_t>(info.st_size) + 1);
        if (ok && platform::onSlowFileSystem(fd)) {
            // A server that does not answer must not hold the start: a bounded read.
            std::string bytes;
            ok = platform::readBounded(fd, path, bytes, platform::kMaxDataFileSize) && reserve(bytes.size() + 1);
            if (ok)
                std::memcpy(m_data, bytes.data(), m_size = bytes.size());
        } else if (ok) {
            ok = readAll(fd);
        }
        ::close(fd);
        return ok;
    }

    std::string_view view() const { return { static_cast<const char*>(m_data), m_size }; }

private:
    bool reserve(std::size_t capacity)
    {
        void* data = std::realloc(m_data, capacity);
        if (!data)
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

// The file as it was when a load had to leave records out; saved beside it as
// "AlarmList.txt.bak" before the first save overwrites it. Holds the load's own buffer.
struct PendingBackup {
    std::string path;
    std::unique_ptr<FileBytes> bytes;
};
std::optional<PendingBackup> s_pendingBackup;

// A file that exists but was not loaded (refused, unreadable) is not overwritten by a
// save of the list that lacks its records: saves are refused for the rest of the run.
std::string s_notLoaded;

std::string backupNote(const std::string& path)
{
    const std::string backup = path + ".bak";
    return platform::fileExists(backup) ? "; an earlier copy is " + backup : "";
}

// Records on later lines are read, but the save writes them as the one line of the
// format: the file as it was is kept.
bool hasTextAfterFirstLine(std::string_view bytes)
{
    const std::size_t lineLength = bytes.find('\n');
    if (lineLength == npos)
        return false;
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

namespace {

// The records of text, on its first line and on any later ones (a file whose records
// were put on lines of their own, with LF, CRLF or CR between them). A record's fields
// end at the next record's "#" or at a line break: one whose commas run out before it
// keeps the fields it has and leaves the rest empty, so reading stays linear in the text
// and no record takes in another's text. incomplete counts such records.
// How many bytes the record takes when saved: the date and time of day always print as
// "YYYY,MM,DD" and "HH,MM" (MakeLocalTime keeps years to four digits).
std::size_t savedLength(const std::array<std::string_view, kFieldCount>& fields, int soundOn)
{
    const std::size_t digits = std::to_string(soundOn).size();
    return 1 + fields[0].size() + 1 + fields[1].size() + 1 + 10 + 1 + 5 + 1 + digits + 1 + fields[8].size()
        + 1 + fields[9].size() + 1;
}

// Records are kept in file order while the list's saved form stays within budget: a
// save then never writes a file the next load would refuse, and what a load holds in
// memory stays in proportion to that. leftOut counts the records left out: past the
// budget, or cut short beyond kMaxCutShortRecords.
int parseRecords(std::string_view line, AlarmList& out, int& incomplete, std::size_t budget, int& leftOut)
{
    int skipped = 0;
    incomplete = 0;
    leftOut = 0;
    std::size_t saved = 0;
    ConversionCache times(line.size());
    std::array<std::string_view, kFieldCount> fields;
    separator_scan::Scanner separators(line);
    // The first "#" from the separator at, on: where the next record starts.
    const auto recordFrom = [&](std::size_t at) {
        while (at != npos && line[at] != '#')
            at = separators.next();
        return at;
    };
    std::size_t p = recordFrom(separators.next());
    while (p != npos) {
        // The next ten separators are the record's commas unless a "#" comes first.
        std::size_t start = p + 1;
        std::size_t at = p;
        std::size_t found = 0;
        for (; found < kFieldCount; ++found) {
            at = separators.next();
            if (at == npos || line[at] == '#' || line[at] == '\n')
                break;
            fields[found] = line.substr(start, at - start);
            start = at + 1;
        }
        if (found < kFieldCount) {
            // A field without its comma is empty, as is every later one.
            for (std::size_t i = found; i < kFieldCount; ++i)
                fields[i] = {};
            ++incomplete;
        }
        const std::size_t next = recordFrom(at);
        const int soundOn = fieldNumber(fields[7]);
        const std::size_t length = savedLength(fields, soundOn);
        // A file cut off leaves a record or two cut short; millions come only from a
        // broken or planted file, and would each cost far more memory than their bytes.
        const bool tooManyCutShort = found < kFieldCount && incomplete > kMaxCutShortRecords;
        if (tooManyCutShort || length > budget - saved) {
            ++leftOut;
            p = next;
            continue;
        }
        try {
            const TimeValue date = times.date(fieldNumber(fields[2]), fieldNumber(fields[3]), fieldNumber(fields[4]));
            const TimeValue timeOfDay = times.timeOfDay(fieldNumber(fields[5]), fieldNumber(fields[6]));
            out.push_back(std::unique_ptr<AlarmRecord>(new AlarmRecord {
                RecordText(fields[0]), RecordText(fields[1]), date, timeOfDay, soundOn,
                RecordText(fields[8]), RecordText(fields[9]) }));
            saved += length;
        } catch (const platform::InvalidArgumentError&) {
            // A date that cannot be represented spoils only its own record.
            ++skipped;
        }
        p = next;
    }
    return skipped;
}

} // namespace

int ParseAlarmList(std::string_view text, AlarmList& out)
{
    int incomplete = 0;
    int leftOut = 0;
    const int skipped = parseRecords(text, out, incomplete, kMaxSavedListSize, leftOut);
    return skipped + leftOut;
}

void LoadAlarmList()
{
    s_pendingBackup.reset();
    s_notLoaded.clear();
    const std::string path = alarmFilePath();
    // Read-only access is enough: a read-only file still loads.
    auto file = std::make_unique<FileBytes>();
    if (!file->read(path)) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0) {
            s_notLoaded = path;
            platform::noteFileMessage(path + "\n", "Alarms are not saved during this run, so that " + path
                    + " stays as it is" + backupNote(path) + ".");
        }
        return;
    }
    const std::string_view bytes = file->view();
    int incomplete = 0;
    int leftOut = 0;
    const int skipped = parseRecords(bytes, g_alarmList, incomplete, kMaxSavedListSize, leftOut);
    // The next save writes only what was understood; keep the rest recoverable.
    if (skipped > 0 || incomplete > 0 || leftOut > 0 || hasTextAfterFirstLine(bytes)) {
        if (skipped > 0 || leftOut > 0) {
            std::string what = std::to_string(skipped + leftOut) + " alarm record(s) of " + path;
            what += leftOut > 0 ? " were left out (damaged, or more than the list can hold)"
                                : " were damaged and left out";
            platform::noteFileMessage(path + "\n",
                what + "; the file as it is will be kept as " + path + ".bak at the next save.");
        }
        s_pendingBackup = PendingBackup { path, std::move(file) };
    }
}

void SaveAlarmList()
{
    const std::string path = alarmFilePath();
    if (s_notLoaded == path) {
        throw platform::FileError(platform::FileError::Cause::AccessDenied, path,
            path + " could not be read at start, so alarms are not saved during this run" + backupNote(path)
                + ".");
    }
    const std::string text = SerializeAlarmList(g_alarmList);
    if (s_pendingBackup && s_pendingBackup->path == path) {
        // Throws before the list file is touched, so nothing is lost either way.
        platform::writeFileAtomically(
            path + ".bak", s_pendingBackup->bytes->view(), platform::FileMode::OwnerOnly);
        s_pendingBackup.reset();
    }
    platform::writeFileAtomically(path, text);
}