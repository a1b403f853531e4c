// The alarm list's pooled layout: slots are never shared, records keep their address and
// contents while they are listed, whatever else is added, removed, moved or reloaded.
#include "alarms/alarm_record.h"
#include "alarms/record_pool.h"

#include <gtest/gtest.h>
#include <set>
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

TEST(SlotPool, SlotsAreDistinctAndFreedOnesAreReusedAcrossBlocks)
{
    // Like the program's pools it lives on: each round returns every slot it took.
    static constinit SlotPool<24, 8> pool;
    for (const std::size_t count : { 1u, 511u, 512u, 513u, 2000u }) {
        SCOPED_TRACE(count);
        std::vector<char*> slots;
        for (std::size_t i = 0; i < count; ++i) {
            slots.push_back(static_cast<char*>(pool.allocate()));
            std::fill(slots.back(), slots.back() + 24, static_cast<char>(i));
        }
        EXPECT_EQ(std::set<char*>(slots.begin(), slots.end()).size(), count);
        // Free every other slot; the ones still held keep what was written into them.
        for (std::size_t i = 0; i < count; i += 2)
            pool.deallocate(slots[i]);
        EXPECT_EQ(pool.inUse(), count / 2);
        for (std::size_t i = 0; i < count; i += 2)
            slots[i] = static_cast<char*>(pool.allocate());
        EXPECT_EQ(std::set<char*>(slots.begin(), slots.end()).size(), count);
        for (std::size_t i = 1; i < count; i += 2)
            EXPECT_EQ(slots[i][23], static_cast<char>(i)) << i;
        for (char* slot : slots)
            pool.deallocate(slot);
        EXPECT_EQ(pool.inUse(), 0u);
    }
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
