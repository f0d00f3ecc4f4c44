#include "library/spread_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace {

// Pictures 0, 1, 2... in the given shapes ('L' landscape, 'P' portrait, 'x'
// unreadable), taken in order; each spread written as "L0", "P1|P2",
// "P0|L1+L2" (left page | right page).
struct Album {
    std::string shapes;
    size_t taken = 0;
    int32_t Next() { return taken < shapes.size() ? static_cast<int32_t>(taken++) : -1; }
    PictureShape Shape(int32_t n) const {
        const char c = shapes[static_cast<size_t>(n)];
        return c == 'L' ? PictureShape::Landscape : c == 'P' ? PictureShape::Portrait : PictureShape::Unreadable;
    }
    // Built by appending: the cross compilers' library warns falsely
    // (-Wrestrict) on a sum of short strings.
    std::string Name(int32_t n) const {
        std::string name(1, shapes[static_cast<size_t>(n)]);
        name += std::to_string(n);
        return name;
    }
};

std::vector<std::string> Spreads(const std::string& shapes, bool keepOrder) {
    Album album{shapes};
    SpreadPlanner planner(keepOrder);
    std::vector<std::string> spreads;
    for (;;) {
        const SpreadPlan plan = planner.Next([&] { return album.Next(); }, [&](int32_t n) { return album.Shape(n); },
                                             static_cast<int32_t>(shapes.size()) + 2);
        if (plan.left.empty()) break;
        auto page = [&](const std::vector<int32_t>& cells) {
            std::string text;
            for (const int32_t n : cells) {
                if (!text.empty()) text += '+';
                text += album.Name(n);
            }
            return text;
        };
        spreads.push_back(plan.across ? page(plan.left) : page(plan.left) + "|" + page(plan.right));
    }
    return spreads;
}

using Plan = std::vector<std::string>;

TEST(SpreadLayout, ALandscapeTakesTheSpreadAndPortraitsAPageEach) {
    EXPECT_EQ(Spreads("LPPL", true), (Plan{"L0", "P1|P2", "L3"}));
    // A single portrait before a landscape, in an order that is kept: the
    // landscape goes onto the page left over, two stacked when two come.
    EXPECT_EQ(Spreads("PLPPLLLP", true), (Plan{"P0|L1", "P2|P3", "L4", "L5", "L6", "P7|"}));
    EXPECT_EQ(Spreads("PLLP", true), (Plan{"P0|L1+L2", "P3|"}));
    // Unreadable pictures are left out; nothing but unreadable ones ends it.
    EXPECT_EQ(Spreads("xPxxPxL", true), (Plan{"P1|P4", "L6"}));
    EXPECT_EQ(Spreads("xxxx", true), Plan{});
}

TEST(SpreadLayout, TheShuffledOrderLooksAheadForAPortraitAndBringsThePassedOverNext) {
    EXPECT_EQ(Spreads("PLLPL", false), (Plan{"P0|P3", "L1", "L2", "L4"}));
    // No portrait within four pictures: as in the kept order.
    EXPECT_EQ(Spreads("PLLLLLP", false), (Plan{"P0|L1+L2", "L3", "L4", "L5", "P6|"}));

    // Over a long mixed run nothing is lost or shown twice, and the pictures
    // passed over come in the spreads right after: a picture is shown at most
    // four spreads (the look-ahead) after one that came later in the order.
    std::string shapes;
    for (int i = 0; i < 500; ++i) shapes += (i * 7919 % 13) < 5 ? 'P' : 'L';
    const Plan spreads = Spreads(shapes, false);
    std::map<int, size_t> spreadOf;
    for (size_t s = 0; s < spreads.size(); ++s) {
        std::string text = spreads[s];
        std::replace(text.begin(), text.end(), '|', '+');
        for (size_t at = 0; at < text.size();) {
            const size_t end = std::min(text.find('+', at), text.size());
            if (end > at) {
                const int n = std::stoi(text.substr(at + 1, end - at - 1));
                EXPECT_TRUE(spreadOf.emplace(n, s).second) << "picture " << n << " shown twice";
            }
            at = end + 1;
        }
    }
    ASSERT_EQ(spreadOf.size(), shapes.size()) << "pictures were lost";
    size_t latest = 0;
    for (const auto& [n, s] : spreadOf) {
        EXPECT_LE(latest, s + 4) << "picture " << n << " waited too long";
        latest = std::max(latest, s);
    }
}

TEST(SpreadLayout, ASpreadNotShownComesBackFirstAndStandInsComeFromTheLine) {
    Album album{"PLPPL"};
    SpreadPlanner planner(true);
    const SpreadPlanner::NextPictureFn next = [&] { return album.Next(); };
    const SpreadPlanner::ShapeFn shape = [&](int32_t n) { return album.Shape(n); };
    // P0 | L1, with P2 taken to see whether a second landscape follows.
    const SpreadPlan first = planner.Next(next, shape, 10);
    ASSERT_EQ(first.right, std::vector<int32_t>{1});
    planner.PutBack(first, shape);  // the show stopped preparing it
    const SpreadPlan again = planner.Next(next, shape, 10);
    EXPECT_EQ(again.left, std::vector<int32_t>{0});
    EXPECT_EQ(again.right, std::vector<int32_t>{1});
    // A picture that fails to decode is replaced by the one waiting, then
    // by the order's next.
    EXPECT_EQ(planner.TakeAny(next), 2);
    EXPECT_EQ(planner.TakeAny(next), 3);
    EXPECT_EQ(planner.Pending(), 0u);
}

TEST(SpreadLayout, ShapeIsTheUprightPictureAgainstThePage) {
    // A 960 x 1080 page: 4:3 is a landscape, 3:4 and a square are not; on a
    // page wider than 4:3 a 4:3 photo keeps to its page.
    EXPECT_EQ(ShapeOnPage(4000, 3000, 960, 1080), PictureShape::Landscape);
    EXPECT_EQ(ShapeOnPage(3000, 4000, 960, 1080), PictureShape::Portrait);
    EXPECT_EQ(ShapeOnPage(1000, 1000, 960, 1080), PictureShape::Portrait);
    EXPECT_EQ(ShapeOnPage(1001, 1000, 960, 1080), PictureShape::Landscape);
    EXPECT_EQ(ShapeOnPage(4000, 3000, 1920, 1080), PictureShape::Portrait);
    EXPECT_EQ(ShapeOnPage(0, 1080, 960, 1080), PictureShape::Unreadable);
}

}  // namespace
