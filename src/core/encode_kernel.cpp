// The encoding kernel.
//
// The plain loop (EncodePlain) waits at every character for the draw before
// it: one multiply-add per draw, in one chain. The draw rule is affine, so
// the state k draws ahead of s is A_k * s + C_k with constants fixed once
// (JumpOfSteps); the kernel keeps lanes of states, lane j holding the state
// of draw j + 1 of the current group, and moves every lane on by a whole
// group at once. The draws and their order stay those of the plain loop.
//
// The text goes through in blocks of 2 KiB, each in three stages:
//   1. compact: the characters that have a row, written as row - 1, with no
//      branch per character (dropped characters take no draw);
//   2. cells:   the key cell of every draw, (row - 1) * 35 + column, the
//               column scaled from the draw's lane;
//   3. copy:    the prepared digits of each cell, written with fixed-size
//               stores (four numbers to a 16-byte store when every number
//               has four digits), the write position moving on by the
//               numbers' lengths.
// Stages 1 and 2 come in AVX2 and AVX-512 forms built with function target
// attributes (stage 2 is one template over the vector width), and the widest
// path the processor runs is chosen from the table of paths at the end;
// hardware gathers for stage 3 were slower than loads. The portable form
// does stages 2 and 3 in one loop; it serves other processors, keys whose
// numbers are shorter than the code width, and Windows builds (MinGW does not
// align the stack for wide vector spills). The plain loop stays as the
// reference that every path must match.
#include "encode_kernel.h"

#include "random.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__) && !defined(_WIN32) && !defined(MORVANE_NO_WIDE_PATHS)
#define MORVANE_X86_KERNELS 1
#include <immintrin.h>
#endif

namespace morvane {

namespace {

// "00" to "99".
constexpr std::array<char, 200> kDigitPairs = [] {
    std::array<char, 200> pairs{};
    for (int i = 0; i < 100; ++i) {
        pairs[2 * i] = static_cast<char>('0' + i / 10);
        pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}();

// The decimal form of value (no leading zeros) as the bytes of a word, the
// first digit lowest, and its length.
static_assert(std::endian::native == std::endian::little, "the digit words are laid out little-endian");
std::uint64_t DecimalWord(std::uint16_t value, int& length)
{
    const unsigned high = value / 100u;
    std::uint16_t middle;
    std::uint16_t low;
    std::memcpy(&middle, &kDigitPairs[2 * (high % 100u)], 2);
    std::memcpy(&low, &kDigitPairs[2 * (value % 100u)], 2);
    const std::uint64_t five = ('0' + high / 100u) | std::uint64_t{middle} << 8 | std::uint64_t{low} << 24;
    length = value >= 10000 ? 5 : value >= 1000 ? 4 : value >= 100 ? 3 : value >= 10 ? 2 : 1;
    return five >> (8 * (5 - length));
}

} // namespace

CodeCells::CodeCells(const KeyTable& table, std::uint8_t codeWidth)
{
    // Four digits each, the first in the lowest byte of the word, in a loop
    // that compilers turn into vector code.
    std::uint32_t outside = 0;
    for (int row = 0; row < kKeyRows; ++row) {
        for (int column = 0; column < kKeyColumns; ++column) {
            const std::uint32_t value = table.rows[row][column];
            outside |= value - 1000u >= 9000u;
            four[row * kKeyColumns + column] = 0x30303030u + value / 1000u + (value / 100u % 10u << 8) +
                                               (value / 10u % 10u << 16) + (value % 10u << 24);
        }
    }
    allFour = outside == 0;
    fullWidth = allFour && codeWidth == 4;
    if (allFour)
        return;
    longest = 1;
    fullWidth = true;
    for (int i = 0; i < kKeyCells; ++i) {
        int length = 0;
        const std::uint64_t word = DecimalWord(table.rows[i / kKeyColumns][i % kKeyColumns], length);
        std::memcpy(digits[i].data(), &word, 8);
        lengths[i] = static_cast<std::uint8_t>(length);
        longest = std::max<std::size_t>(longest, lengths[i]);
        fullWidth = fullWidth && lengths[i] == codeWidth;
    }
}

namespace {

constexpr std::size_t kBlock = kEncodeBlock;
// Room past the end of the stage buffers for the wide stores of the last group.
constexpr std::size_t kSlack = 64;
constexpr std::uint8_t kNoRow = 0xff;

// row - 1 of every character, or kNoRow.
struct RowIndexes {
    std::array<std::uint8_t, 256> of{};
    constexpr RowIndexes()
    {
        for (int c = 0; c < 256; ++c) {
            const int row = RowOf(static_cast<unsigned char>(c));
            of[c] = static_cast<std::uint8_t>(row == 0 ? kNoRow : row - 1);
        }
    }
};
constexpr RowIndexes kRowIndex;

// The jumps of 0 to 64 draws.
constexpr std::array<RandomJump, 65> kJumps = [] {
    std::array<RandomJump, 65> jumps{};
    for (unsigned k = 0; k < jumps.size(); ++k)
        jumps[k] = JumpOfSteps(k);
    return jumps;
}();

// The reference: one character after the other, exactly the encoding rule.
void EncodePlain(const CodeCells& cells, std::string_view text, std::uint32_t& state, std::string& code)
{
    for (const char c : text) {
        const int row = RowOf(static_cast<unsigned char>(c));
        if (row == 0)
            continue;
        state = NextRandomState(state);
        const int cell = (row - 1) * kKeyColumns + static_cast<int>(ScaleRandomState(state, kKeyColumns));
        code += cells.Number(cell);
    }
}

// Stage 1, portable. Eight characters that all have a printable row go at
// once; in a group with a control character every character is written, but
// only one with a row moves the write position on.
std::size_t CompactPortable(const unsigned char* text, std::size_t n, std::uint8_t* rows)
{
    constexpr std::uint64_t kSpaces = 0x2020202020202020;
    constexpr std::uint64_t kHighBits = 0x8080808080808080;
    std::size_t kept = 0;
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t group;
        std::memcpy(&group, text + i, 8);
        // A byte below 32 borrows into its high bit, which it did not have.
        if (((group - kSpaces) & ~group & kHighBits) == 0) {
            const std::uint64_t row = group - kSpaces; // byte by byte: no borrows
            std::memcpy(rows + kept, &row, 8);
            kept += 8;
            continue;
        }
        for (std::size_t j = 0; j < 8; ++j) {
            rows[kept] = kRowIndex.of[text[i + j]];
            kept += rows[kept] != kNoRow;
        }
    }
    for (; i < n; ++i) {
        rows[kept] = kRowIndex.of[text[i]];
        kept += rows[kept] != kNoRow;
    }
    return kept;
}

// The cell of a draw, (row - 1) * 35 plus the column, in one product: with
// the row above the state's 32 bits, the high half of the product times 35
// is the row's first cell plus the column.
constexpr std::uint32_t CellOf(std::uint8_t row, std::uint32_t state)
{
    return static_cast<std::uint32_t>(((std::uint64_t{row} << 32 | state) * kKeyColumns) >> 32);
}
static_assert(CellOf(224, 0xffffffffu) == 224 * kKeyColumns + ScaleRandomState(0xffffffffu, kKeyColumns));

// Stages 2 and 3, portable, in one loop: four lanes, each number written
// as soon as it is drawn.
template <bool kAllFour>
char* NumbersPortable(const CodeCells& code, const std::uint8_t* rows, std::size_t n, std::uint32_t& state,
                      char* out)
{
    constexpr std::size_t kLanes = 4;
    if (n == 0)
        return out;
    auto put = [&](std::uint32_t cell) {
        if constexpr (kAllFour) {
            std::memcpy(out, &code.four[cell], 4);
            out += 4;
        } else {
            std::memcpy(out, code.digits[cell].data(), 8);
            out += code.lengths[cell];
        }
    };
    std::uint32_t lane[kLanes];
    for (std::size_t j = 0; j < kLanes; ++j)
        lane[j] = kJumps[j + 1](state);
    std::size_t k = 0;
    for (; n - k > kLanes; k += kLanes) {
        for (std::size_t j = 0; j < kLanes; ++j) {
            put(CellOf(rows[k + j], lane[j]));
            lane[j] = kJumps[kLanes](lane[j]);
        }
    }
    // The last group, of 1 to 4 draws: its last lane is the run's new state.
    const std::size_t last = n - k;
    for (std::size_t j = 0; j < last; ++j)
        put(CellOf(rows[k + j], lane[j]));
    state = lane[last - 1];
    return out;
}

#ifdef MORVANE_X86_KERNELS

// GCC 12 takes the deliberately undefined vectors inside its AVX-512
// intrinsics for uninitialised variables.
#if !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#define MORVANE_AVX2 __attribute__((target("avx2,popcnt")))
#define MORVANE_AVX512 __attribute__((target("avx512f,avx512bw,avx512vbmi2,popcnt")))

// Byte positions that gather the marked bytes of an 8-byte group to its front.
struct CompressShuffles {
    std::array<std::uint64_t, 256> of{};
    constexpr CompressShuffles()
    {
        for (unsigned mask = 0; mask < 256; ++mask) {
            unsigned to = 0;
            for (unsigned from = 0; from < 8; ++from)
                if (mask & (1u << from))
                    of[mask] |= std::uint64_t{from} << (8 * to++);
        }
    }
};
constexpr CompressShuffles kCompress;

MORVANE_AVX2 std::size_t CompactAvx2(const unsigned char* text, std::size_t n, std::uint8_t* rows)
{
    const __m256i space = _mm256_set1_epi8(32);
    const __m256i cr = _mm256_set1_epi8(13);
    const __m256i tab = _mm256_set1_epi8(9);
    const __m256i crRow = _mm256_set1_epi8(static_cast<char>(RowOf(13) - 1));
    const __m256i tabRow = _mm256_set1_epi8(static_cast<char>(RowOf(9) - 1));
    std::size_t kept = 0;
    std::size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + i));
        const __m256i isCr = _mm256_cmpeq_epi8(c, cr);
        const __m256i isTab = _mm256_cmpeq_epi8(c, tab);
        const __m256i printable = _mm256_cmpeq_epi8(_mm256_max_epu8(c, space), c);
        __m256i row = _mm256_sub_epi8(c, space);
        row = _mm256_blendv_epi8(row, crRow, isCr);
        row = _mm256_blendv_epi8(row, tabRow, isTab);
        auto keep = static_cast<std::uint32_t>(
            _mm256_movemask_epi8(_mm256_or_si256(printable, _mm256_or_si256(isCr, isTab))));
        for (int half = 0; half < 2; ++half) {
            const __m128i bytes = half ? _mm256_extracti128_si256(row, 1) : _mm256_castsi256_si128(row);
            for (int group = 0; group < 2; ++group) {
                const unsigned mask = keep & 0xff;
                const __m128i order = _mm_add_epi8(_mm_cvtsi64_si128(static_cast<long long>(kCompress.of[mask])),
                                                   _mm_set1_epi8(static_cast<char>(8 * group)));
                _mm_storel_epi64(reinterpret_cast<__m128i*>(rows + kept), _mm_shuffle_epi8(bytes, order));
                kept += static_cast<std::size_t>(_mm_popcnt_u32(mask));
                keep >>= 8;
            }
        }
    }
    return kept + CompactPortable(text + i, n - i, rows + kept);
}

MORVANE_AVX512 std::size_t CompactAvx512(const unsigned char* text, std::size_t n, std::uint8_t* rows)
{
    const __m512i space = _mm512_set1_epi8(32);
    const __m512i crRow = _mm512_set1_epi8(static_cast<char>(RowOf(13) - 1));
    const __m512i tabRow = _mm512_set1_epi8(static_cast<char>(RowOf(9) - 1));
    std::size_t kept = 0;
    for (std::size_t i = 0; i < n; i += 64) {
        const __mmask64 valid = n - i >= 64 ? ~__mmask64{0} : (__mmask64{1} << (n - i)) - 1;
        const __m512i c = _mm512_maskz_loadu_epi8(valid, text + i);
        const __mmask64 isCr = _mm512_cmpeq_epi8_mask(c, _mm512_set1_epi8(13));
        const __mmask64 isTab = _mm512_cmpeq_epi8_mask(c, _mm512_set1_epi8(9));
        const __mmask64 keep = (_mm512_cmpge_epu8_mask(c, space) | isCr | isTab) & valid;
        __m512i row = _mm512_sub_epi8(c, space);
        row = _mm512_mask_mov_epi8(row, isCr, crRow);
        row = _mm512_mask_mov_epi8(row, isTab, tabRow);
        _mm512_storeu_si512(rows + kept, _mm512_maskz_compress_epi8(keep, row));
        kept += static_cast<std::size_t>(_mm_popcnt_u64(keep));
    }
    return kept;
}

// What the cells stage needs of a vector width, one operation each: lanes
// of 32-bit states; the high 32 bits of each state times 35 (the draw's
// column); the rows of one vector of draws. The operations take and give
// their vectors through pointers: the loop template that calls them has no
// target of its own, and vectors may not pass by value between functions of
// different targets (their ABIs differ).
struct Avx2 {
    using Lanes = __m256i;
    static constexpr std::size_t kLanes = 8;
    MORVANE_AVX2 static void Splat(Lanes* to, std::uint32_t v) { *to = _mm256_set1_epi32(static_cast<int>(v)); }
    MORVANE_AVX2 static void Load(Lanes* to, const std::uint32_t* p)
    {
        *to = _mm256_load_si256(reinterpret_cast<const Lanes*>(p));
    }
    MORVANE_AVX2 static void Store(std::uint32_t* p, const Lanes* v)
    {
        _mm256_storeu_si256(reinterpret_cast<Lanes*>(p), *v);
    }
    MORVANE_AVX2 static void MultiplyAdd(Lanes* to, const Lanes* a, const Lanes* b, const Lanes* c)
    {
        *to = _mm256_add_epi32(_mm256_mullo_epi32(*a, *b), *c);
    }
    MORVANE_AVX2 static void Columns(Lanes* to, const Lanes* states)
    {
        const Lanes columns = _mm256_set1_epi32(kKeyColumns);
        const Lanes even = _mm256_srli_epi64(_mm256_mul_epu32(*states, columns), 32);
        *to = _mm256_blend_epi32(even, _mm256_mul_epu32(_mm256_srli_epi64(*states, 32), columns), 0xaa);
    }
    MORVANE_AVX2 static void Rows(Lanes* to, const std::uint8_t* rows)
    {
        *to = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(rows)));
    }
};

struct Avx512 {
    using Lanes = __m512i;
    static constexpr std::size_t kLanes = 16;
    MORVANE_AVX512 static void Splat(Lanes* to, std::uint32_t v) { *to = _mm512_set1_epi32(static_cast<int>(v)); }
    MORVANE_AVX512 static void Load(Lanes* to, const std::uint32_t* p) { *to = _mm512_load_si512(p); }
    MORVANE_AVX512 static void Store(std::uint32_t* p, const Lanes* v) { _mm512_storeu_si512(p, *v); }
    MORVANE_AVX512 static void MultiplyAdd(Lanes* to, const Lanes* a, const Lanes* b, const Lanes* c)
    {
        *to = _mm512_add_epi32(_mm512_mullo_epi32(*a, *b), *c);
    }
    MORVANE_AVX512 static void Columns(Lanes* to, const Lanes* states)
    {
        const Lanes columns = _mm512_set1_epi32(kKeyColumns);
        const Lanes even = _mm512_srli_epi64(_mm512_mul_epu32(*states, columns), 32);
        *to = _mm512_mask_blend_epi32(0xaaaa, even, _mm512_mul_epu32(_mm512_srli_epi64(*states, 32), columns));
    }
    MORVANE_AVX512 static void Rows(Lanes* to, const std::uint8_t* rows)
    {
        *to = _mm512_cvtepu8_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(rows)));
    }
};

// The cells of one vector of draws: row * 35 plus the column.
template <class W>
[[gnu::always_inline]] inline void PutCells(const std::uint8_t* rows, std::uint32_t* cells,
                                            const typename W::Lanes* states)
{
    typename W::Lanes row, columns, width, cell;
    W::Rows(&row, rows);
    W::Columns(&columns, states);
    W::Splat(&width, kKeyColumns);
    W::MultiplyAdd(&cell, &row, &width, &columns);
    W::Store(cells, &cell);
}

// Stage 2 over any vector width: four vectors of lanes, so that the step of
// one waits for no other. Written once for both widths: the template has no
// target of its own and is always inlined into its width's wrapper below,
// which carries the target; "flatten" then takes the width's operations in.
template <class W>
[[gnu::always_inline]] inline void CellsWide(const std::uint8_t* rows, std::size_t n, std::uint32_t& state,
                                             std::uint32_t* cells)
{
    constexpr std::size_t kLanes = W::kLanes;
    constexpr std::size_t kGroup = 4 * kLanes;
    if (n == 0)
        return;
    typename W::Lanes multiplier, increment, lanes[4];
    W::Splat(&multiplier, kJumps[kGroup].multiplier);
    W::Splat(&increment, kJumps[kGroup].increment);
    alignas(64) std::uint32_t first[kGroup];
    for (std::size_t j = 0; j < kGroup; ++j)
        first[j] = kJumps[j + 1](state);
    for (std::size_t v = 0; v < 4; ++v)
        W::Load(&lanes[v], first + v * kLanes);
    std::size_t k = 0;
    for (; n - k > kGroup; k += kGroup) {
        for (std::size_t v = 0; v < 4; ++v) {
            PutCells<W>(rows + k + v * kLanes, cells + k + v * kLanes, &lanes[v]);
            W::MultiplyAdd(&lanes[v], &lanes[v], &multiplier, &increment);
        }
    }
    // The last 1 to 4 * kLanes draws, whose states the lanes hold already.
    const std::size_t last = n - k - 1;
    for (std::size_t v = 0; v <= last / kLanes; ++v)
        PutCells<W>(rows + k + v * kLanes, cells + k + v * kLanes, &lanes[v]);
    W::Store(first, &lanes[last / kLanes]);
    state = first[last % kLanes];
}

[[gnu::flatten]] MORVANE_AVX2 void CellsAvx2(const std::uint8_t* rows, std::size_t n, std::uint32_t& state,
                                               std::uint32_t* cells)
{
    CellsWide<Avx2>(rows, n, state, cells);
}

[[gnu::flatten]] MORVANE_AVX512 void CellsAvx512(const std::uint8_t* rows, std::size_t n, std::uint32_t& state,
                                                   std::uint32_t* cells)
{
    CellsWide<Avx512>(rows, n, state, cells);
}

// Stage 3 of the wide paths, after their stage 2 has written the cells.
char* CopyCells(const CodeCells& code, const std::uint32_t* cells, std::size_t n, char* out)
{
    if (code.allFour) {
        // Four numbers to a 16-byte store, their words gathered by unpacking.
        const std::uint32_t* four = code.four.data();
        std::size_t k = 0;
        for (; k + 4 <= n; k += 4) {
            const __m128i a = _mm_cvtsi32_si128(static_cast<int>(four[cells[k]]));
            const __m128i b = _mm_cvtsi32_si128(static_cast<int>(four[cells[k + 1]]));
            const __m128i c = _mm_cvtsi32_si128(static_cast<int>(four[cells[k + 2]]));
            const __m128i d = _mm_cvtsi32_si128(static_cast<int>(four[cells[k + 3]]));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * k),
                             _mm_unpacklo_epi64(_mm_unpacklo_epi32(a, b), _mm_unpacklo_epi32(c, d)));
        }
        for (; k < n; ++k)
            std::memcpy(out + 4 * k, &four[cells[k]], 4);
        return out + 4 * n;
    }
    for (std::size_t k = 0; k < n; ++k) {
        std::memcpy(out, code.digits[cells[k]].data(), 8);
        out += code.lengths[cells[k]];
    }
    return out;
}

template <void (*cells)(const std::uint8_t*, std::size_t, std::uint32_t&, std::uint32_t*)>
char* CellsThenCopy(const CodeCells& code, const std::uint8_t* rows, std::size_t n, std::uint32_t& state, char* out)
{
    alignas(64) std::uint32_t cellsOf[kBlock + kSlack];
    cells(rows, n, state, cellsOf);
    return CopyCells(code, cellsOf, n, out);
}

#if !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#endif // MORVANE_X86_KERNELS

using CompactStage = std::size_t (*)(const unsigned char*, std::size_t, std::uint8_t*);
using NumbersStage = char* (*)(const CodeCells&, const std::uint8_t*, std::size_t, std::uint32_t&, char*);

void EncodeBlocks(const CodeCells& code, std::string_view text, std::uint32_t& state, std::string& out,
                  CompactStage compact, NumbersStage numbers)
{
    // The rows are cleared once so that lanes past the last draw of a block
    // read defined bytes.
    alignas(64) std::uint8_t rows[kBlock + kSlack] = {};
    char blockCode[kBlock * 8 + kSlack];
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t at = 0; at < text.size(); at += kBlock) {
        const std::size_t n = std::min(kBlock, text.size() - at);
        // While this block is worked on, the next block's text is on its
        // way, and so are the lines its code will be written to: a long
        // text's code outgrows the caches, and each line must be read before
        // it is written.
        if (text.size() - at > kBlock)
            for (std::size_t line = 0; line < std::min(kBlock, text.size() - at - kBlock); line += 64)
                __builtin_prefetch(bytes + at + kBlock + line);
        for (std::size_t line = out.size() + 4 * kBlock; line < std::min(out.capacity(), out.size() + 8 * kBlock);
             line += 64)
            __builtin_prefetch(out.data() + line, 1);
        const std::size_t kept = compact(bytes + at, n, rows);
        out.append(blockCode, static_cast<std::size_t>(numbers(code, rows, kept, state, blockCode) - blockCode));
    }
}

void EncodePortable(const CodeCells& cells, std::string_view text, std::uint32_t& state, std::string& code)
{
    EncodeBlocks(cells, text, state, code, CompactPortable,
                 cells.allFour ? NumbersPortable<true> : NumbersPortable<false>);
}

bool Always() { return true; }

#ifdef MORVANE_X86_KERNELS
void EncodeAvx2(const CodeCells& cells, std::string_view text, std::uint32_t& state, std::string& code)
{
    EncodeBlocks(cells, text, state, code, CompactAvx2, CellsThenCopy<CellsAvx2>);
}

void EncodeAvx512(const CodeCells& cells, std::string_view text, std::uint32_t& state, std::string& code)
{
    EncodeBlocks(cells, text, state, code, CompactAvx512, CellsThenCopy<CellsAvx512>);
}

bool RunsAvx2()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
}

bool RunsAvx512()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
           __builtin_cpu_supports("avx512vbmi2") && __builtin_cpu_supports("popcnt");
}
#else
// Built without the wide paths (another processor, Windows, or
// MORVANE_WIDE_PATHS off): they run nowhere.
constexpr auto EncodeAvx2 = EncodePortable;
constexpr auto EncodeAvx512 = EncodePortable;
bool RunsAvx2() { return false; }
bool RunsAvx512() { return false; }
#endif

// The paths, narrowest first, each with the test of whether it runs here.
struct PathEntry {
    EncodePath path;
    const char* name;
    bool (*supported)();
    void (*encode)(const CodeCells&, std::string_view, std::uint32_t&, std::string&);
};
constexpr PathEntry kPaths[] = {
    {EncodePath::Plain, "plain", Always, EncodePlain},
    {EncodePath::Portable, "portable", Always, EncodePortable},
    {EncodePath::Avx2, "avx2", RunsAvx2, EncodeAvx2},
    {EncodePath::Avx512, "avx512", RunsAvx512, EncodeAvx512},
};

const PathEntry& Entry(EncodePath path) { return kPaths[static_cast<int>(path)]; }

// Whether each path runs here, asked once.
bool Supported(EncodePath path)
{
    static const auto runs = [] {
        std::array<bool, std::size(kPaths)> all{};
        for (const PathEntry& entry : kPaths)
            all[static_cast<int>(entry.path)] = entry.supported();
        return all;
    }();
    return runs[static_cast<int>(path)];
}

// The widest path that runs here.
EncodePath Best()
{
    EncodePath best = EncodePath::Portable;
    for (const PathEntry& entry : kPaths)
        if (Supported(entry.path))
            best = std::max(best, entry.path);
    return best;
}

std::optional<EncodePath> forced;

} // namespace

std::vector<EncodePath> SupportedEncodePaths()
{
    std::vector<EncodePath> paths;
    for (const PathEntry& entry : kPaths)
        if (Supported(entry.path))
            paths.push_back(entry.path);
    return paths;
}

bool ForceEncodePath(std::optional<EncodePath> path)
{
    if (path && !Supported(*path))
        return false;
    forced = path;
    return true;
}

const char* EncodePathName(EncodePath path)
{
    return Entry(path).name;
}

EncodePath ChosenEncodePath(const CodeCells& cells)
{
    if (forced)
        return *forced;
    return cells.fullWidth ? Best() : EncodePath::Portable;
}

EncodePath WidestEncodePath()
{
    return Best();
}

void EncodeCells(const CodeCells& cells, std::string_view text, std::uint32_t& state, std::string& code)
{
    Entry(ChosenEncodePath(cells)).encode(cells, text, state, code);
}

} // namespace morvane
