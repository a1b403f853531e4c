#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <string>

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

// Owns its records; removing one destroys it.
using AlarmList = std::list<std::unique_ptr<AlarmRecord>>;
