#pragma once
// Spreads laid out by the photos' shapes, as a photo book is: a landscape
// (wider than a page) across the whole spread, portraits and squares one to a
// page. When a single portrait leaves a page over and a landscape comes next,
// the shuffled order looks a few pictures ahead for a portrait and brings the
// passed-over pictures next; the sequential and reverse orders keep their
// order and put the landscape on the page left over, two stacked when two
// landscapes come together. Pure logic: the pictures and their shapes come in
// through two functions.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

enum class PictureShape : uint8_t { Landscape, Portrait, Unreadable };

// The shape of a picture of that upright size on a page of that size: a
// landscape is wider than tall and wider than the page's own shape; squares
// are portraits.
PictureShape ShapeOnPage(int32_t width, int32_t height, int32_t pageWidth, int32_t pageHeight);

// One spread: across (one picture over both pages) or two pages of one or
// two stacked pictures each, the left page's first.
struct SpreadPlan {
    bool across = false;
    std::vector<int32_t> left;
    std::vector<int32_t> right;  // empty when across, or when the pictures ran out
};

class SpreadPlanner {
public:
    // The next picture in the selection order (-1 when there is none), and
    // its shape, read cheaply from its header.
    using NextPictureFn = std::function<int32_t()>;
    using ShapeFn = std::function<PictureShape(int32_t picture)>;

    // keepOrder: the sequential and reverse orders, which never reorder.
    explicit SpreadPlanner(bool keepOrder, int32_t lookAhead = 4) : keepOrder_(keepOrder), lookAhead_(lookAhead) {}

    // The next spread. Unreadable pictures are left out; at most
    // `tries` pictures are taken from the selection for it (the caller's
    // bound for a list of unreadable files). An empty plan: no picture left.
    SpreadPlan Next(const NextPictureFn& next, const ShapeFn& shape, int32_t tries);

    // The next picture whatever its shape, pending ones first, to stand in
    // for a planned picture that then failed to decode; -1 when there is none.
    int32_t TakeAny(const NextPictureFn& next);
    // A spread that was not shown after all (the show stopped its
    // preparation): its pictures go back to the front of the line, in order.
    void PutBack(const SpreadPlan& plan, const ShapeFn& shape);

    // Pictures taken from the selection but not placed yet: they come first
    // in the next spreads.
    size_t Pending() const { return pending_.size(); }
    void Clear() { pending_.clear(); }

private:
    struct Taken {
        int32_t picture;
        PictureShape shape;
    };
    // The pending picture at `index`, taking more from the selection as
    // needed; false when the selection has none (or `tries` ran out).
    bool Peek(size_t index, const NextPictureFn& next, const ShapeFn& shape, int32_t& tries);
    int32_t TakeAt(size_t index);

    bool keepOrder_;
    int32_t lookAhead_;
    std::deque<Taken> pending_;
};
