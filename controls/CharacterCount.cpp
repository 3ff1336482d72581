#include "controls/CharacterCount.h"

#include <algorithm>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define WEBRIX_COUNT_SSE2 1
#endif

qsizetype countCharacter(QStringView text, char16_t wanted) {
    const auto* p = reinterpret_cast<const char16_t*>(text.data());
    const qsizetype n = text.size();
    qsizetype count = 0;
    qsizetype i = 0;
#if defined(WEBRIX_COUNT_SSE2)
    // Each of the eight 16-bit lanes counts its matches; a lane holds at most 32,767 before the
    // lanes are added up.
    constexpr qsizetype kMostSteps = 32767;
    const __m128i pattern = _mm_set1_epi16(short(wanted));
    const __m128i ones = _mm_set1_epi16(1);
    while (n - i >= 8) {
        const qsizetype stop = i + 8 * std::min(kMostSteps, (n - i) / 8);
        __m128i lanes = _mm_setzero_si128();
        for (; i < stop; i += 8) {
            const __m128i chars = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
            lanes = _mm_sub_epi16(lanes, _mm_cmpeq_epi16(chars, pattern)); // a match is -1
        }
        alignas(16) int sums[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(sums), _mm_madd_epi16(lanes, ones));
        count += qsizetype(sums[0]) + sums[1] + sums[2] + sums[3];
    }
#endif
    for (; i < n; ++i)
        count += p[i] == wanted;
    return count;
}
