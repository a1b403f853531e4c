#pragma once

#include <cstddef>
#include <new>

// Long alarm lists hold hundreds of thousands of equal-sized objects (records and list
// nodes). Taking each from the heap made loading and clearing such a list cost far more
// than reading its file, so they come from a SlotPool instead.
//
// A SlotPool hands out slots of one size from blocks of kSlotsPerBlock slots. A freed
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
        if (!m_free)
            addBlock();
        Slot* slot = m_free;
        m_free = slot->next;
        return slot;
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
    static constexpr std::size_t kSlotsPerBlock = 512;

    union Slot {
        Slot* next; // while free
        alignas(SlotAlign) unsigned char bytes[SlotSize];
    };
    struct Block {
        Block* next;
        Slot slots[kSlotsPerBlock];
    };

    void addBlock()
    {
        auto* block = static_cast<Block*>(::operator new(sizeof(Block), std::align_val_t { alignof(Block) }));
        block->next = m_blocks;
        m_blocks = block;
        // Handed out in address order: a list loaded in one go walks memory forwards.
        for (std::size_t i = kSlotsPerBlock; i-- > 0;) {
            block->slots[i].next = m_free;
            m_free = &block->slots[i];
        }
    }

    Slot* m_free = nullptr;
    Block* m_blocks = nullptr; // every block, newest first
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
