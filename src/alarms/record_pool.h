#pragma once

#include <cstddef>
#include <new>
#include <string>
#include <string_view>

// Long alarm lists hold hundreds of thousands of equal-sized objects (records and list
// nodes). Taking each from the heap made loading and clearing such a list cost far more
// than reading its file, so they come from a SlotPool instead.
//
// A SlotPool hands out slots of one size from blocks of growing size. A freed
// slot goes on a free list and is handed out again first. The blocks stay for the life of
// the program: the list they serve lives as long, and handing a block back and taking a
// new one right after a long list was cleared made malloc merge the whole heap first.
// One UI thread: no locking. Under AddressSanitizer the pool passes every request to the
// heap, so a use of a removed record is still reported.

#if defined(__SANITIZE_ADDRESS__)
#define QUILLBY_POOL_USES_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUILLBY_POOL_USES_HEAP 1
#endif
#endif

template <std::size_t SlotSize, std::size_t SlotAlign>
class SlotPool {
public:
    constexpr SlotPool() = default;
    SlotPool(const SlotPool&) = delete;
    SlotPool& operator=(const SlotPool&) = delete;
    // No destructor on purpose: the pool outlives every static list that returns slots
    // to it while the program exits, and its blocks are reclaimed with the process.

    void* allocate()
    {
#ifdef QUILLBY_POOL_USES_HEAP
        return ::operator new(SlotSize, std::align_val_t { SlotAlign });
#else
        if (m_free) {
            Slot* slot = m_free;
            m_free = slot->next;
            return slot;
        }
        if (m_unused == m_blockEnd)
            addBlock();
        return m_unused++;
#endif
    }

    void deallocate(void* p) noexcept
    {
#ifdef QUILLBY_POOL_USES_HEAP
        ::operator delete(p, std::align_val_t { SlotAlign });
#else
        auto* slot = static_cast<Slot*>(p);
        slot->next = m_free;
        m_free = slot;
#endif
    }

private:
    union Slot {
        Slot* next; // while free
        alignas(SlotAlign) unsigned char bytes[SlotSize];
    };

    // Blocks start at about 16 KB, so a short list costs little memory, and double up to
    // about 1 MB, so a long one takes few. Slots are handed out in address order, and a
    // block's memory is touched only as its slots are taken.
    static constexpr std::size_t kFirstBlockSlots = SlotSize >= 2048 ? 8 : 16384 / sizeof(Slot);
    static constexpr std::size_t kLastBlockSlots = kFirstBlockSlots * 64;

    void addBlock()
    {
        m_unused = static_cast<Slot*>(::operator new(m_blockSlots * sizeof(Slot), std::align_val_t { alignof(Slot) }));
        m_blockEnd = m_unused + m_blockSlots;
        if (m_blockSlots < kLastBlockSlots)
            m_blockSlots *= 2;
    }

    Slot* m_free = nullptr;
    Slot* m_unused = nullptr; // the newest block's slots never handed out
    Slot* m_blockEnd = nullptr;
    std::size_t m_blockSlots = kFirstBlockSlots;
};

// The one pool for objects of type T.
template <typename T>
SlotPool<sizeof(T), alignof(T)>& slotPoolFor()
{
    static constinit SlotPool<sizeof(T), alignof(T)> pool;
    return pool;
}

// A container allocator that takes single objects from slotPoolFor<T>() (list nodes) and
// anything larger from the heap. All instances are interchangeable, so lists using it
// splice and move freely.
template <typename T>
struct PooledAllocator {
    using value_type = T;

    PooledAllocator() = default;
    template <typename U>
    PooledAllocator(const PooledAllocator<U>&) noexcept
    {
    }

    T* allocate(std::size_t n)
    {
        if (n == 1)
            return static_cast<T*>(slotPoolFor<T>().allocate());
        return static_cast<T*>(::operator new(n * sizeof(T), std::align_val_t { alignof(T) }));
    }
    void deallocate(T* p, std::size_t n) noexcept
    {
        if (n == 1)
            slotPoolFor<T>().deallocate(p);
        else
            ::operator delete(p, std::align_val_t { alignof(T) });
    }

    template <typename U>
    bool operator==(const PooledAllocator<U>&) const noexcept
    {
        return true;
    }
};

// The pool for slots of Size bytes, whatever they hold.
template <std::size_t Size>
SlotPool<Size, alignof(std::max_align_t)>& sizedSlotPool()
{
    static constinit SlotPool<Size, alignof(std::max_align_t)> pool;
    return pool;
}

// Allocates a record's text (anything beyond the string's own inline buffer) from pools
// of 32, 64, 128 and 256 bytes; longer texts come from the heap. A list of 100,000
// records otherwise made two heap requests per record, the largest cost of a load.
template <typename T>
struct TextAllocator {
    using value_type = T;

    TextAllocator() = default;
    template <typename U>
    TextAllocator(const TextAllocator<U>&) noexcept
    {
    }

    T* allocate(std::size_t n) { return static_cast<T*>(allocateBytes(n * sizeof(T))); }
    void deallocate(T* p, std::size_t n) noexcept { deallocateBytes(p, n * sizeof(T)); }

    template <typename U>
    bool operator==(const TextAllocator<U>&) const noexcept
    {
        return true;
    }

private:
    static void* allocateBytes(std::size_t bytes)
    {
        if (bytes <= 32)
            return sizedSlotPool<32>().allocate();
        if (bytes <= 64)
            return sizedSlotPool<64>().allocate();
        if (bytes <= 128)
            return sizedSlotPool<128>().allocate();
        if (bytes <= 256)
            return sizedSlotPool<256>().allocate();
        return ::operator new(bytes);
    }
    static void deallocateBytes(void* p, std::size_t bytes) noexcept
    {
        if (bytes <= 32)
            sizedSlotPool<32>().deallocate(p);
        else if (bytes <= 64)
            sizedSlotPool<64>().deallocate(p);
        else if (bytes <= 128)
            sizedSlotPool<128>().deallocate(p);
        else if (bytes <= 256)
            sizedSlotPool<256>().deallocate(p);
        else
            ::operator delete(p);
    }
};

// A record's text field: a std::string whose storage comes from TextAllocator. It converts
// to std::string_view; build a std::string from it where one is needed.
using RecordText = std::basic_string<char, std::char_traits<char>, TextAllocator<char>>;

// Compares with a std::string too (and, reversed, a std::string with it).
inline bool operator==(const RecordText& text, std::string_view other) noexcept
{
    return std::string_view(text) == other;
}
