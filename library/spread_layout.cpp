#include "library/spread_layout.h"

PictureShape ShapeOnPage(int32_t width, int32_t height, int32_t pageWidth, int32_t pageHeight) {
    if (width <= 0 || height <= 0) return PictureShape::Unreadable;
    // Wider than tall, and wider than the page's own shape (width / height >
    // pageWidth / pageHeight, in integers): a square keeps to its page, and so
    // does a landscape that a wide page holds whole.
    const bool widerThanPage =
        pageWidth <= 0 || pageHeight <= 0 || int64_t{width} * pageHeight > int64_t{pageWidth} * height;
    return width > height && widerThanPage ? PictureShape::Landscape : PictureShape::Portrait;
}

bool SpreadPlanner::Peek(size_t index, const NextPictureFn& next, const ShapeFn& shape, int32_t& tries) {
    while (pending_.size() <= index) {
        if (tries <= 0) return false;
        --tries;
        const int32_t picture = next();
        if (picture < 0) return false;
        const PictureShape s = shape(picture);
        if (s == PictureShape::Unreadable) continue;  // left out, as an unreadable picture always is
        pending_.push_back(Taken{picture, s});
    }
    return true;
}

int32_t SpreadPlanner::TakeAt(size_t index) {
    const int32_t picture = pending_[index].picture;
    pending_.erase(pending_.begin() + static_cast<std::ptrdiff_t>(index));
    return picture;
}

SpreadPlan SpreadPlanner::Next(const NextPictureFn& next, const ShapeFn& shape, int32_t tries) {
    SpreadPlan plan;
    if (!Peek(0, next, shape, tries)) return plan;
    if (pending_.front().shape == PictureShape::Landscape) {
        plan.across = true;
        plan.left.push_back(TakeAt(0));
        return plan;
    }
    plan.left.push_back(TakeAt(0));
    if (!Peek(0, next, shape, tries)) return plan;
    if (pending_.front().shape == PictureShape::Portrait) {
        plan.right.push_back(TakeAt(0));
        return plan;
    }
    // A landscape would leave the right page empty. The shuffled order
    // looks ahead for a portrait; what it passes over stays first in line.
    if (!keepOrder_) {
        for (size_t i = 1; i <= static_cast<size_t>(lookAhead_) && Peek(i, next, shape, tries); ++i) {
            if (pending_[i].shape != PictureShape::Portrait) continue;
            plan.right.push_back(TakeAt(i));
            return plan;
        }
    }
    // The landscape goes onto the page, with a second one stacked under it
    // when the next picture is a landscape too.
    plan.right.push_back(TakeAt(0));
    if (Peek(0, next, shape, tries) && pending_.front().shape == PictureShape::Landscape)
        plan.right.push_back(TakeAt(0));
    return plan;
}

int32_t SpreadPlanner::TakeAny(const NextPictureFn& next) { return pending_.empty() ? next() : TakeAt(0); }

void SpreadPlanner::PutBack(const SpreadPlan& plan, const ShapeFn& shape) {
    std::vector<int32_t> pictures = plan.left;
    pictures.insert(pictures.end(), plan.right.begin(), plan.right.end());
    for (auto it = pictures.rbegin(); it != pictures.rend(); ++it) {
        const PictureShape s = shape(*it);
        if (s != PictureShape::Unreadable) pending_.push_front(Taken{*it, s});
    }
}
