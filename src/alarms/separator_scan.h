#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Finding the "," and "#" that split an alarm file (and its line breaks) was most
// of the cost of loading a long list. These find them 64 bytes at a time, as one bit mask
// per block.
namespace separator_scan {

inline constexpr std::size_t kBlock = 64;

// Bit i set when bytes[i] (of kBlock) is ",", "#" or a line break: eight bytes at a time
// in plain C++.
inline std::uint64_t portableMask(const char* bytes)
{
    constexpr std::uint64_t kOnes = 0x0101010101010101;
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7F;
    // 0x80 in each byte of v that is zero, and nowhere else.
    const auto zeroBytes = [](std::uint64_t v) { return ~(((v & kLow7) + kLow7) | v | kLow7); };
    std::uint64_t mask = 0;
    for (std::size_t i = 0; i < kBlock; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes + i, 8);
        if constexpr (std::endian::native == std::endian::big)
            word = __builtin_bswap64(word); // byte k in bits 8k to 8k + 7
        const std::uint64_t found
            = zeroBytes(word ^ (kOnes * ',')) | zeroBytes(word ^ (kOnes * '#')) | zeroBytes(word ^ (kOnes * '\n'));
        // Gathers the top bit of byte k into bit k.
        mask |= (((found >> 7) * 0x0102040810204080) >> 56) << i;
    }
    return mask;
}

// The same mask, sixteen bytes at a time where the machine has SSE2 (every x86-64).
inline std::uint64_t mask(const char* bytes)
{
#if defined(__SSE2__)
    const __m128i comma = _mm_set1_epi8(',');
    const __m128i hash = _mm_set1_epi8('#');
    const __m128i newline = _mm_set1_epi8('\n');
    std::uint64_t mask = 0;
    for (std::size_t i = 0; i < kBlock; i += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        const __m128i found = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(chunk, comma), _mm_cmpeq_epi8(chunk, hash)),
            _mm_cmpeq_epi8(chunk, newline));
        mask |= std::uint64_t { static_cast<std::uint16_t>(_mm_movemask_epi8(found)) } << i;
    }
    return mask;
#else
    return portableMask(bytes);
#endif
}

// Hands out the positions of the separators of text, in order.
class Scanner {
public:
    explicit Scanner(std::string_view line)
        : m_line(line)
    {
    }

    // The position of the next ",", "#" or line break after the last one returned; npos
    // at the end of the text.
    std::size_t next()
    {
        while (m_pending == 0) {
            if (m_next >= m_line.size())
                return std::string_view::npos;
            load();
        }
        const auto at = m_base + static_cast<std::size_t>(std::countr_zero(m_pending));
        m_pending &= m_pending - 1;
        return at;
    }

private:
    void load()
    {
        const char* block = m_line.data() + m_next;
        char padded[kBlock];
        if (m_line.size() - m_next < kBlock) {
            // A short last block is padded with zero bytes.
            std::memset(padded, 0, kBlock);
            std::memcpy(padded, block, m_line.size() - m_next);
            block = padded;
        }
        m_pending = mask(block);
        m_base = m_next;
        m_next += kBlock;
    }

    std::string_view m_line;
    std::size_t m_next = 0; // the next block to load
    std::size_t m_base = 0; // where the loaded block starts
    std::uint64_t m_pending = 0; // its separators not yet returned
};

} // namespace separator_scan
