#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <utility>

// Seconds since 1970-01-01 00:00 UTC.
using TimeValue = std::int64_t;

// One alarm occurrence at one local date and one time of day.
struct AlarmRecord {
    std::string topic;
    std::string note;
    TimeValue date = 0;      // local midnight of the day
    TimeValue timeOfDay = 0; // hour and minute on 2000-01-01, local
    int soundOn = 0;         // 1 = the ring window plays soundFile
    std::string soundFile;
    std::string repeat;      // "1time", "day", "week", "month", "year" or empty
};

// Owns its records; removing one destroys it. A plain list that also counts its
// changes, so that the due check and the calendar can keep what they found in a long
// list until it changes. Records are never changed in place.
class AlarmList : public std::list<std::unique_ptr<AlarmRecord>> {
    using Base = std::list<std::unique_ptr<AlarmRecord>>;

public:
    AlarmList() = default;
    AlarmList(const AlarmList&) = delete;
    AlarmList(AlarmList&& other) noexcept : Base(std::move(other))
    {
        touch();
        other.touch();
    }
    AlarmList& operator=(const AlarmList&) = delete;
    AlarmList& operator=(AlarmList&& other) noexcept
    {
        Base::operator=(std::move(other));
        touch();
        other.touch();
        return *this;
    }
    ~AlarmList() = default;

    void push_back(value_type&& record) { touch(); Base::push_back(std::move(record)); }
    void push_front(value_type&& record) { touch(); Base::push_front(std::move(record)); }
    template <typename... Args>
    reference emplace_back(Args&&... args) { touch(); return Base::emplace_back(std::forward<Args>(args)...); }
    iterator insert(const_iterator pos, value_type&& record) { touch(); return Base::insert(pos, std::move(record)); }
    iterator erase(const_iterator pos) { touch(); return Base::erase(pos); }
    iterator erase(const_iterator first, const_iterator last) { touch(); return Base::erase(first, last); }
    template <typename Predicate>
    size_type remove_if(Predicate predicate) { touch(); return Base::remove_if(predicate); }
    void pop_front() { touch(); Base::pop_front(); }
    void pop_back() { touch(); Base::pop_back(); }
    void clear() noexcept { touch(); Base::clear(); }
    void splice(const_iterator pos, AlarmList& other) { touch(); other.touch(); Base::splice(pos, other); }

    // Changes with every change of any list (unique across lists); compare it together
    // with size() to notice a change made through the base class.
    std::uint64_t generation() const noexcept { return m_generation; }

private:
    void touch() noexcept
    {
        static std::uint64_t s_changes = 0; // one UI thread
        m_generation = ++s_changes;
    }

    std::uint64_t m_generation = 0;
};
