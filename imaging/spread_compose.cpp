#include "imaging/spread_compose.h"

#include <string>
#include <unordered_map>
#include <vector>

#include "imaging/page_compose.h"
#include "imaging/plugin_host.h"
#include "library/picture_list.h"
#include "library/selection_order.h"
#include "library/settings.h"
#include "show/stop_request.h"

namespace {
constexpr int32_t kOrderRandom = 2;
// Enough for every picture of a large library; past it the shapes are read
// again rather than held without end.
constexpr size_t kShapesKept = 200000;

struct ShapedState {
    int32_t pageWidth = 0, pageHeight = 0;
    SpreadPlanner planner{false};
    std::unordered_map<std::string, PictureShape> shapes;
    int32_t lastPlaced = -1;
};
ShapedState state;

// The shape the picture has on a page, upright (after its EXIF orientation
// and its container's own rotation, as the decoders report its size), from
// the plugins' information request: the header, never the pixels.
PictureShape ShapeOf(int32_t picture) {
    const PictureChoice choice = ChoiceFor(picture);
    if (choice.path.empty()) return PictureShape::Unreadable;
    const auto known = state.shapes.find(choice.path);
    if (known != state.shapes.end()) return known->second;
    PictureLoad load;
    LoadPicture(choice.path, 0, -1, -1, load);
    const PictureShape shape = load.decoded && load.pictureWidth > 0 && load.pictureHeight > 0
                                   ? ShapeOnPage(load.pictureWidth, load.pictureHeight, state.pageWidth,
                                                 state.pageHeight)
                                   : PictureShape::Unreadable;
    if (shape == PictureShape::Unreadable) {
        CountPictureFailure(load.fileMissing != 0, load.cannotOpen != 0);
        return shape;  // not kept: a file being copied may be readable later
    }
    if (state.shapes.size() >= kShapesKept) state.shapes.clear();
    state.shapes.emplace(choice.path, shape);
    return shape;
}

std::vector<int32_t> RowPictures(int32_t row) {
    const THistoryRow& r = Selection.rows[row];
    const int32_t n = r.count < 0 ? 0 : r.count > kHistoryCells ? kHistoryCells : r.count;
    return std::vector<int32_t>(r.cells, r.cells + n);
}
}  // namespace

void ResetShapedSpreads(int32_t pageWidth, int32_t pageHeight) {
    state.pageWidth = pageWidth;
    state.pageHeight = pageHeight;
    state.planner = SpreadPlanner(Settings.OrderMode != kOrderRandom);
    state.shapes.clear();
    state.lastPlaced = -1;
}

SpreadPlan PlanShapedSpread() {
    SpreadPlan plan;
    if (Selection.replay) {
        const int32_t first = Selection.readPos;
        const int32_t second = (first + 1) % kHistoryRows;
        plan.across = Selection.rows[first].across;
        plan.left = RowPictures(first);
        if (!plan.across && second != Selection.writePos) plan.right = RowPictures(second);
        return plan;
    }
    plan = state.planner.Next(&TakeNextInOrder, &ShapeOf, PictureCountNow() + 2);
    if (plan.left.empty()) plan.across = true;
    return plan;
}

void ComposeShapedPage(TBitmap0& page, SpreadPlan& plan, int32_t side) {
    std::vector<int32_t>& pictures = side == 0 ? plan.left : plan.right;
    if (side == 1 && pictures.empty()) {
        page.Fill();
        return;
    }
    const bool replay = Selection.replay;
    const size_t planned = pictures.size();
    const int32_t cells = planned == 2 ? 2 : 1;
    std::vector<int32_t> shown(static_cast<size_t>(cells), -1);
    bool tried[2] = {false, false};
    const CellPictureSource source = [&]() -> PictureChoice {
        const size_t k = Selection.cellIndex == 1 && cells == 2 ? 1 : 0;
        int32_t picture = -1;
        if (k < planned && (!tried[k] || replay)) {
            picture = pictures[k];  // a replayed picture is tried again, as the history has it
        } else {
            picture = state.planner.TakeAny(&TakeNextInOrder);
        }
        tried[k] = true;
        shown[k] = picture;
        return ChoiceFor(picture);
    };
    ComposePageCells(page, cells, source);
    pictures.clear();
    for (const int32_t picture : shown)
        if (picture >= 0) pictures.push_back(picture);
}

void FinishShapedSpread(const SpreadPlan& plan) {
    if (StopRequested) {
        if (!Selection.replay) state.planner.PutBack(plan, &ShapeOf);
        return;
    }
    RecordShapedPage(plan.left, plan.across);
    RecordShapedPage(plan.across ? std::vector<int32_t>{} : plan.right, false);
    const std::vector<int32_t>& last = plan.right.empty() || plan.across ? plan.left : plan.right;
    if (!last.empty()) state.lastPlaced = last.back();
}

int32_t LastPlacedPicture() { return state.lastPlaced; }
