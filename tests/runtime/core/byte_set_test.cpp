// Byte sets share their bytes between copies until one of them changes.

#include "runtime/types.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

namespace {

struct Change {
    std::string name;
    std::function<void(Bytes&)> apply;
    Bytes expected;
};

// Every way to change a set leaves its copies as they were.
TEST(ByteSet, ChangingACopyLeavesTheOthersAlone)
{
    const std::vector<Change> changes = {
        {"push_back", [](Bytes& b) { b.push_back(4); }, {1, 2, 3, 4}},
        {"pop_back", [](Bytes& b) { b.pop_back(); }, {1, 2}},
        {"insert front", [](Bytes& b) { b.insert(b.begin(), {7, 8}); }, {7, 8, 1, 2, 3}},
        {"insert at cend", [](Bytes& b) { b.insert(b.cend(), size_t{2}, uint8_t{9}); }, {1, 2, 3, 9, 9}},
        {"insert range", [](Bytes& b) { const Bytes more{5, 6}; b.insert(b.end(), more.begin(), more.end()); }, {1, 2, 3, 5, 6}},
        {"erase", [](Bytes& b) { b.erase(b.cbegin() + 1); }, {1, 3}},
        {"resize up", [](Bytes& b) { b.resize(5); }, {1, 2, 3, 0, 0}},
        {"resize down", [](Bytes& b) { b.resize(1); }, {1}},
        {"reserve", [](Bytes& b) { b.reserve(100); }, {1, 2, 3}},
        {"clear", [](Bytes& b) { b.clear(); }, {}},
        {"index", [](Bytes& b) { b[0] = 9; }, {9, 2, 3}},
        {"data", [](Bytes& b) { b.data()[2] = 9; }, {1, 2, 9}},
        {"iterator", [](Bytes& b) { *(b.end() - 1) = 9; }, {1, 2, 9}},
        {"back", [](Bytes& b) { b.back() = 9; }, {1, 2, 9}},
        {"assign", [](Bytes& b) { b.assign(size_t{2}, uint8_t{5}); }, {5, 5}},
        {"list", [](Bytes& b) { b = {4}; }, {4}},
    };
    for (const Change& c : changes) {
        SCOPED_TRACE(c.name);
        const Bytes original{1, 2, 3};
        Bytes copy = original;
        EXPECT_TRUE(copy.shares_buffer_with(original));
        c.apply(copy);
        EXPECT_EQ(original, (Bytes{1, 2, 3}));
        EXPECT_EQ(copy, c.expected);
        EXPECT_FALSE(copy.shares_buffer_with(original));

        // The same change made where nothing else holds the bytes.
        Bytes alone{1, 2, 3};
        c.apply(alone);
        EXPECT_EQ(alone, c.expected);
    }
}

// A writable pointer handed out before a copy still writes only its own set.
TEST(ByteSet, WritablePointerStaysWithItsSet)
{
    Bytes a{1, 2, 3};
    uint8_t* p = a.data();
    const Bytes b = a;
    p[0] = 9;
    EXPECT_EQ(a, (Bytes{9, 2, 3}));
    EXPECT_EQ(b, (Bytes{1, 2, 3}));

    // Reading a set through const access shares it.
    const Bytes& c = b;
    const Bytes d = c;
    EXPECT_TRUE(d.shares_buffer_with(b));
}

TEST(ByteSet, ComparesByContent)
{
    const Bytes filled = Bytes::filled(1000, [](uint8_t* data, size_t) {
        for (size_t i = 0; i < 600; ++i)
            data[i] = 7;
        return size_t{600};
    });
    const Bytes same(600, 7);
    EXPECT_EQ(filled, same);
    EXPECT_FALSE(filled.shares_buffer_with(same));
    EXPECT_TRUE(Bytes(filled).shares_buffer_with(filled));
    EXPECT_NE(filled, Bytes(599, 7));
    EXPECT_EQ(Bytes(3), (Bytes{0, 0, 0}));
    EXPECT_LT((Bytes{1, 2}), (Bytes{1, 3}));
    EXPECT_LT((Bytes{1, 2}), (Bytes{1, 2, 0}));
    EXPECT_EQ(Bytes(), Bytes{});
    EXPECT_EQ((std::set<Bytes>{{1}, {1}, {2}}).size(), 2u);
    EXPECT_EQ(std::vector<uint8_t>(Bytes{4, 5}), (std::vector<uint8_t>{4, 5}));
}

} // namespace
