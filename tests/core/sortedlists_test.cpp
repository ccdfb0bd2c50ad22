#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

#include "core/sortedlists.h"

namespace {

// A key and the item's number, so that the order of equal keys shows.
using TKeyed = std::pair<double, int>;

class TKeyedList : public TListSorted<TKeyed> {
public:
    // numbers: the list gives its keys to sort by.
    TKeyedList(uint8_t duplicates, bool numbers) : numbers_(numbers) { Duplicates = duplicates; }
    std::vector<TKeyed> All() const { return {begin(), end()}; }

protected:
    int Compare(const TKeyed& a, const TKeyed& b) const override {
        return CompareValues(a.first, b.first);
    }
    bool SortKey(const TKeyed& item, double& key) const override {
        key = item.first;
        return numbers_;
    }

private:
    bool numbers_;
};

} // namespace

TEST(SortedLists, AddAllGivesWhatAddGivesOneByOneWithManyEqualKeys) {
    // Negative, zero of both signs, tiny and large keys; few of them, so many are equal.
    const double keys[] = {-1e300, -2.5, -1, -0.0, 0.0, 1e-300, 0.25, 3, 45000.5, 1e300};
    std::mt19937 rng(7);
    for (uint8_t duplicates : {uint8_t(dupAccept), uint8_t(dupIgnore)})
        for (bool numbers : {false, true})
            // Long lists are sorted by their numbers' bits, short ones by comparison.
            for (int size : {3000, 100}) {
                TKeyedList one(duplicates, numbers), all(duplicates, numbers);
                // Into an empty list, then into one that holds items with the same keys.
                for (int round = 0; round < 2; ++round) {
                    std::vector<TKeyed> items;
                    for (int i = 0; i < size; ++i)
                        items.emplace_back(keys[rng() % std::size(keys)], round * 10000 + i);
                    int added = 0;
                    for (const TKeyed& item : items)
                        added += one.Add(item) >= 0 ? 1 : 0;
                    EXPECT_EQ(all.AddAll(items), added);
                    EXPECT_EQ(all.All(), one.All())
                        << int(duplicates) << " " << numbers << " " << size;
                }
                EXPECT_EQ(all.Count(), duplicates == dupAccept ? 2 * size : 9);
            }

    // Find yields the first of equal keys: the one added last.
    TKeyedList list(dupAccept, true);
    list.AddAll({{5, 1}, {3, 2}, {5, 3}, {5, 4}});
    int index = -1;
    EXPECT_TRUE(list.Find({5, 0}, index));
    EXPECT_EQ(index, 1);
    EXPECT_EQ(list.Items(index), (TKeyed{5, 4}));
}
