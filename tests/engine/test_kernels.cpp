// The bit-parallel bookkeeping of the vector passes (BitKernels.h) against
// plain loops that follow the same texts one unit at a time: the tag carry
// chain over blocks of 64 units, and the runs of spaces over blocks of 16
// and 32, first on the worked examples of their comments, then on seeded
// random chains of blocks.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "kernels/BitKernels.h"

namespace tessark::fast::bits {
namespace {

std::uint64_t MaskOf(const std::string& block, char c) {
    std::uint64_t m = 0;
    for (std::size_t k = 0; k < block.size(); ++k)
        if (block[k] == c) m |= std::uint64_t{1} << k;
    return m;
}

// ------------------------------------------------------------------ tags

// StripTags one unit at a time: which units of the text are in a tag.
std::string TaggedByLoop(const std::string& text, bool inside) {
    std::string out;
    for (const char c : text) {
        if (!inside) {
            inside = c == '<';
            out += inside ? '1' : '.';
        } else {
            out += '1';
            inside = c != '>';
        }
    }
    return out;
}

std::string Show(std::uint64_t m, std::size_t n) {
    std::string s;
    for (std::size_t k = 0; k < n; ++k) s += (m >> k) & 1 ? '1' : '.';
    return s;
}

struct TagRow {
    const char* text;  // padded with "x" to 64 units
    bool inside;
    const char* tagged;
};

// The worked examples of TaggedUnits, and the edges of its carries.
const TagRow kTagRows[] = {
    {"a<b>c><d", false, ".111..11"},
    {"x>y<<z>w", true, "11.1111."},
    {"<>", false, "11"},
    {"><", false, ".1"},
    {">>", true, "1."},
    {"<<<>>>", false, "1111.."},
    {"abc", true, "111"},
};

TEST(TaggedUnits, WorkedExamples) {
    for (const TagRow& row : kTagRows) {
        std::string block = row.text;
        block.resize(64, 'x');
        TagCarry carry;
        carry.inside = row.inside;
        const std::uint64_t tagged = TaggedUnits(MaskOf(block, '<'), MaskOf(block, '>'), carry);
        const std::size_t n = std::string(row.text).size();
        EXPECT_EQ(Show(tagged, n), row.tagged) << row.text;
        EXPECT_EQ(Show(tagged, 64), TaggedByLoop(block, row.inside)) << row.text;
    }
}

// Chains of blocks: the carry from block to block (a tag across blocks, a
// ">" as the last unit of a block) and the state after the last block.
TEST(TaggedUnits, ChainsOfBlocksAgreeWithTheLoop) {
    std::mt19937 rng(20261207);
    for (int round = 0; round < 3000; ++round) {
        const std::size_t blocks = 1 + rng() % 4;
        const unsigned density = 2 + rng() % 30;  // 1 in density units is a marker
        std::string text;
        for (std::size_t k = 0; k < 64 * blocks; ++k) {
            const unsigned r = rng() % density;
            text += r == 0 ? '<' : r == 1 ? '>' : 'x';
        }
        if (round % 7 == 0) text[63] = '>';  // a tag ending exactly at a block's end
        const bool startInside = round % 5 == 0;
        const std::string expected = TaggedByLoop(text, startInside);
        TagCarry carry;
        carry.inside = startInside;
        std::string got;
        for (std::size_t b = 0; b < blocks; ++b) {
            const std::string block = text.substr(64 * b, 64);
            got += Show(TaggedUnits(MaskOf(block, '<'), MaskOf(block, '>'), carry), 64);
        }
        ASSERT_EQ(got, expected) << text;
        // after the blocks: inside exactly when the loop's last unit left it inside
        bool inside = startInside;
        for (const char c : text) inside = inside ? c != '>' : c == '<';
        ASSERT_EQ(InsideAfterBlocks(carry), inside) << text;
    }
}

// ---------------------------------------------------------- runs of spaces

// The runs of spaces one unit at a time.
void RunsByLoop(const std::string& block, std::size_t& run, std::size_t& longest) {
    for (const char c : block) {
        run = c == ' ' ? run + 1 : 0;
        longest = std::max(longest, run);
    }
}

TEST(SpaceRuns, WorkedExample) {
    std::size_t run = 3, longest = 3;
    SpaceRuns(static_cast<std::uint32_t>(MaskOf("  a   b ", ' ')), 8, run, longest);
    EXPECT_EQ(run, 1u);
    EXPECT_EQ(longest, 5u);
    run = 3;
    SpaceRuns(0xFF, 8, run, longest);  // a block of spaces
    EXPECT_EQ(run, 11u);
    EXPECT_EQ(longest, 11u);
}

TEST(SpaceRuns, ChainsOfBlocksAgreeWithTheLoop) {
    std::mt19937 rng(7);
    for (const std::size_t width : {std::size_t{8}, std::size_t{16}, std::size_t{32}}) {
        for (int round = 0; round < 4000; ++round) {
            const unsigned spaceIn = 1 + rng() % 10;  // spaces in 10
            std::size_t run = 0, longest = 0, loopRun = 0, loopLongest = 0;
            for (int b = 0; b < 6; ++b) {
                std::string block;
                for (std::size_t k = 0; k < width; ++k) block += rng() % 10 < spaceIn ? ' ' : 'x';
                if (b % 3 == 2) block.assign(width, ' ');
                SpaceRuns(static_cast<std::uint32_t>(MaskOf(block, ' ')), width, run, longest);
                RunsByLoop(block, loopRun, loopLongest);
                ASSERT_EQ(run, loopRun) << "width " << width << " block " << b << " [" << block << "]";
                ASSERT_EQ(longest, loopLongest) << "width " << width << " block " << b << " [" << block << "]";
            }
        }
    }
}

TEST(LongestRunOfOnes, Table) {
    const std::pair<std::uint32_t, std::size_t> rows[] = {
        {0u, 0}, {1u, 1}, {0b1011u, 2}, {0b111011u, 3}, {0x80000001u, 1}, {0xFFFFFFFFu, 32}, {0x7FFFFFFEu, 30},
    };
    for (const auto& [x, expected] : rows) EXPECT_EQ(LongestRunOfOnes(x), expected) << x;
}

}  // namespace
}  // namespace tessark::fast::bits
