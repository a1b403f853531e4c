#pragma once

#include "alarms/record_pool.h"

#include <algorithm>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

// Seconds since 1970-01-01 00:00 UTC.
using TimeValue = std::int64_t;

// One alarm occurrence at one local date and one time of day.
struct AlarmRecord {
    RecordText topic;
    RecordText note;
    TimeValue date = 0;      // local midnight of the day
    TimeValue timeOfDay = 0; // hour and minute on 2000-01-01, local
    int soundOn = 0;         // 1 = the ring window plays soundFile
    RecordText soundFile;
    RecordText repeat;      // "1time", "day", "week", "month", "year" or empty

    // Records come from a pool (record_pool.h); a derived type would not fit its slots.
    static void* operator new(std::size_t size)
    {
        return size == sizeof(AlarmRecord) ? slotPoolFor<AlarmRecord>().allocate() : ::operator new(size);
    }
    static void operator delete(void* p, std::size_t size) noexcept
    {
        if (size == sizeof(AlarmRecord))
            slotPoolFor<AlarmRecord>().deallocate(p);
        else
            ::operator delete(p);
    }
};

// Owns its records; removing one destroys it. A plain list that also counts its
// changes and can say which records carry a given date, so that the due check and the
// calendar stay fast on long lists. Records are never changed in place.
//
// Layout: a std::list of owning pointers whose nodes, like the records themselves, come
// from fixed-size pools (record_pool.h): appending takes two slots, removing returns them,
// and a record keeps its address until it is removed.
class AlarmList : public std::list<std::unique_ptr<AlarmRecord>, PooledAllocator<std::unique_ptr<AlarmRecord>>> {
public:
    using Base = std::list<std::unique_ptr<AlarmRecord>, PooledAllocator<std::unique_ptr<AlarmRecord>>>;
    using Records = std::vector<const AlarmRecord*>;

    AlarmList() = default;
    AlarmList(const AlarmList&) = delete;
    AlarmList(AlarmList&& other) noexcept : Base(std::move(other))
    {
        touch();
        other.touch();
        other.dropIndex();
    }
    AlarmList& operator=(const AlarmList&) = delete;
    AlarmList& operator=(AlarmList&& other) noexcept
    {
        Base::operator=(std::move(other));
        touch();
        dropIndex();
        other.touch();
        other.dropIndex();
        return *this;
    }
    ~AlarmList() = default;

    void push_back(value_type&& record)
    {
        touch();
        const AlarmRecord* added = record.get();
        Base::push_back(std::move(record));
        indexAdd(added);
    }
    template <typename... Args>
    reference emplace_back(Args&&... args)
    {
        touch();
        reference added = Base::emplace_back(std::forward<Args>(args)...);
        indexAdd(added.get());
        return added;
    }
    // Not at the end: the index is taken again at the next question.
    void push_front(value_type&& record) { touch(); dropIndex(); Base::push_front(std::move(record)); }
    iterator insert(const_iterator pos, value_type&& record)
    {
        touch();
        dropIndex();
        return Base::insert(pos, std::move(record));
    }
    iterator erase(const_iterator pos)
    {
        touch();
        indexRemove(pos->get());
        return Base::erase(pos);
    }
    iterator erase(const_iterator first, const_iterator last)
    {
        touch();
        for (auto it = first; it != last; ++it)
            indexRemove(it->get());
        return Base::erase(first, last);
    }
    template <typename Predicate>
    size_type remove_if(Predicate predicate)
    {
        touch();
        return Base::remove_if([&](const value_type& record) {
            if (!predicate(record))
                return false;
            indexRemove(record.get());
            return true;
        });
    }
    void pop_front() { erase(cbegin()); }
    void pop_back() { erase(std::prev(cend())); }
    void clear() noexcept
    {
        touch();
        Base::clear();
        m_byDate.clear();
        m_indexedSize = 0;
    }
    void splice(const_iterator pos, AlarmList& other)
    {
        touch();
        other.touch();
        other.dropIndex();
        if (pos != cend())
            dropIndex();
        for (const auto& record : other)
            indexAdd(record.get());
        Base::splice(pos, other);
    }

    // Changes with every change of any list (unique across lists); compare it together
    // with size() to notice a change made through the base class.
    std::uint64_t generation() const noexcept { return m_generation; }

    // The records whose date is exactly date, in list order; nullptr when there are none.
    const Records* recordsOn(std::int64_t date) const
    {
        ensureIndex();
        const auto it = m_byDate.find(date);
        return it == m_byDate.end() ? nullptr : &it->second;
    }

    // Every date some record carries, once each, in no particular order.
    std::vector<std::int64_t> distinctDates() const
    {
        ensureIndex();
        std::vector<std::int64_t> dates;
        dates.reserve(m_byDate.size());
        for (const auto& entry : m_byDate)
            dates.push_back(entry.first);
        return dates;
    }

private:
    void ensureIndex() const
    {
        if (!m_indexed || m_indexedSize != size()) {
            // First question, or changed through the base class: walk the list once.
            m_byDate.clear();
            m_indexed = true;
            m_indexedSize = 0;
            for (const auto& record : *this)
                indexAdd(record.get());
        }
    }

    void touch() noexcept
    {
        static std::uint64_t s_changes = 0; // one UI thread
        m_generation = ++s_changes;
    }
    void dropIndex() noexcept
    {
        m_indexed = false;
        m_byDate.clear();
    }
    void indexAdd(const AlarmRecord* record) const
    {
        if (!m_indexed)
            return;
        m_byDate[record->date].push_back(record);
        ++m_indexedSize;
    }
    void indexRemove(const AlarmRecord* record)
    {
        if (!m_indexed)
            return;
        const auto it = m_byDate.find(record->date);
        if (it != m_byDate.end()) {
            Records& records = it->second;
            const auto at = std::find(records.begin(), records.end(), record);
            if (at != records.end()) {
                records.erase(at);
                --m_indexedSize;
            }
            if (records.empty())
                m_byDate.erase(it);
        }
    }

    std::uint64_t m_generation = 0;
    // Built at the first question, then kept in step by the changes above.
    mutable std::unordered_map<std::int64_t, Records> m_byDate;
    mutable bool m_indexed = false;
    mutable size_type m_indexedSize = 0;
};
