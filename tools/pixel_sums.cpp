#include "pixel_sums.h"

#include <algorithm>

// These loops carry the per-pixel work of the whole analysis: they are written for
// the compiler to vectorise, and built for AVX2 as well as the plain x86-64 base
// (picked at run time). Integer results do not depend on the vector width.
// Sanitizer builds go without: their instrumented run-time pickers crash at load.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__) && \
    !defined(__SANITIZE_ADDRESS__)
#define KESTRALINE_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define KESTRALINE_VECTOR_CLONES
#endif

namespace {

constexpr std::int32_t kHalf = 1 << 15;
constexpr std::int32_t kTop = (256 << 16) - 1;
// Pixels summed in 32 bits before the totals move to 64 bits: 255 × 2^22 < 2^32.
constexpr int kChunk = 1 << 22;

inline std::uint32_t toByte(std::int32_t fixedValue)
{
    return static_cast<std::uint32_t>(std::min(std::max(fixedValue, 0), kTop)) >> 16;
}

struct Sums32 {
    std::uint32_t red = 0;
    std::uint32_t green = 0;
    std::uint32_t blue = 0;
};

KESTRALINE_VECTOR_CLONES
void addFullChromaRow(const std::uint8_t* luma, const std::uint8_t* u, const std::uint8_t* v, int width,
                      const YuvCoefficients& k, Sums32& out)
{
    std::uint32_t red = 0, green = 0, blue = 0;
    for (int x = 0; x < width; ++x) {
        const std::int32_t cu = u[x] - 128, cv = v[x] - 128;
        const std::int32_t y = k.yScale * (luma[x] - k.yOffset) + kHalf;
        red += toByte(y + k.rFromV * cv);
        green += toByte(y - k.gFromU * cu - k.gFromV * cv);
        blue += toByte(y + k.bFromU * cu);
    }
    out.red += red;
    out.green += green;
    out.blue += blue;
}

// Two pixels per chroma sample; `pairs` pairs from the start of the row.
KESTRALINE_VECTOR_CLONES
void addHalfChromaRow(const std::uint8_t* luma, const std::uint8_t* u, const std::uint8_t* v, int pairs,
                      const YuvCoefficients& k, Sums32& out)
{
    std::uint32_t red = 0, green = 0, blue = 0;
    for (int c = 0; c < pairs; ++c) {
        const std::int32_t cu = u[c] - 128, cv = v[c] - 128;
        const std::int32_t rt = k.rFromV * cv;
        const std::int32_t gt = -k.gFromU * cu - k.gFromV * cv;
        const std::int32_t bt = k.bFromU * cu;
        const std::int32_t y0 = k.yScale * (luma[2 * c] - k.yOffset) + kHalf;
        const std::int32_t y1 = k.yScale * (luma[2 * c + 1] - k.yOffset) + kHalf;
        red += toByte(y0 + rt) + toByte(y1 + rt);
        green += toByte(y0 + gt) + toByte(y1 + gt);
        blue += toByte(y0 + bt) + toByte(y1 + bt);
    }
    out.red += red;
    out.green += green;
    out.blue += blue;
}

KESTRALINE_VECTOR_CLONES
std::uint32_t sumContiguous(const std::uint8_t* bytes, int count)
{
    std::uint32_t sum = 0;
    for (int i = 0; i < count; ++i)
        sum += bytes[i];
    return sum;
}

KESTRALINE_VECTOR_CLONES
std::uint32_t sumStrided(const std::uint8_t* bytes, int count, int step)
{
    std::uint32_t sum = 0;
    for (int i = 0; i < count; ++i)
        sum += bytes[static_cast<std::ptrdiff_t>(i) * step];
    return sum;
}

void addSums(const Sums32& part, ChannelSums& sums)
{
    sums.red += part.red;
    sums.green += part.green;
    sums.blue += part.blue;
}

} // namespace

void addYuvRow(const std::uint8_t* luma, const std::uint8_t* u, const std::uint8_t* v, int width,
               int chromaShift, const YuvCoefficients& k, ChannelSums& sums)
{
    for (int start = 0; start < width; start += kChunk) {
        const int count = std::min(kChunk, width - start);
        Sums32 part;
        if (chromaShift == 0) {
            addFullChromaRow(luma + start, u + start, v + start, count, k, part);
        } else {
            const int chroma = start / 2;   // kChunk is even
            addHalfChromaRow(luma + start, u + chroma, v + chroma, count / 2, k, part);
            if (count % 2 != 0)   // the last pixel of an odd row has a chroma sample of its own
                addFullChromaRow(luma + start + count - 1, u + chroma + count / 2, v + chroma + count / 2, 1, k,
                                 part);
        }
        addSums(part, sums);
    }
}

std::uint64_t sumBytes(const std::uint8_t* bytes, int count, int step)
{
    std::uint64_t total = 0;
    for (int start = 0; start < count; start += kChunk) {
        const int part = std::min(kChunk, count - start);
        const std::uint8_t* first = bytes + static_cast<std::ptrdiff_t>(start) * step;
        total += step == 1 ? sumContiguous(first, part) : sumStrided(first, part, step);
    }
    return total;
}
