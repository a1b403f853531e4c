// The alarm list's pooled layout: records keep their address and contents while they are
// listed, whatever else is added, removed, moved or reloaded.
#include "alarms/alarm_record.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::unique_ptr<AlarmRecord> makeRecord(int i)
{
    auto r = std::make_unique<AlarmRecord>();
    r->topic = "topic " + std::to_string(i);
    r->note = "a note long enough to need the heap " + std::to_string(i);
    r->date = i;
    return r;
}

TEST(AlarmListLayout, RecordsKeepAddressAndContentsThroughEveryChange)
{
    AlarmList list;
    std::vector<const AlarmRecord*> kept;
    for (int i = 0; i < 1500; ++i) {
        list.push_back(makeRecord(i));
        if (i % 300 == 0)
            kept.push_back(list.back().get());
    }
    const auto checkKept = [&](const AlarmList& in) {
        std::size_t found = 0;
        for (const auto& r : in) {
            if (r->date % 300 == 0) {
                ASSERT_LT(found, kept.size());
                EXPECT_EQ(r.get(), kept[found]);
                EXPECT_EQ(r->note, "a note long enough to need the heap " + std::to_string(r->date));
                ++found;
            }
        }
        EXPECT_EQ(found, kept.size());
    };

    // Erase during a walk: the walk goes on with the next record.
    for (auto it = list.begin(); it != list.end();)
        it = (*it)->date % 3 == 1 ? list.erase(it) : std::next(it);
    EXPECT_EQ(list.size(), 1000u);
    checkKept(list);

    // Freed slots are refilled without disturbing the listed records.
    for (int i = 1; i < 800; i += 3)
        list.push_back(makeRecord(i));
    checkKept(list);

    AlarmList moved = std::move(list);
    checkKept(moved);
    AlarmList other;
    other.splice(other.end(), moved);
    checkKept(other);

    // The ring window's copy outlives a reload that replaces every record.
    const AlarmRecord copy = *other.front();
    other.clear();
    for (int i = 0; i < 1500; ++i)
        other.push_back(makeRecord(-i));
    EXPECT_EQ(copy.topic, "topic 0");
    EXPECT_EQ(copy.note, "a note long enough to need the heap 0");
}

} // namespace
