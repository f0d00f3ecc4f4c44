#pragma once
// Spreads laid out by the photos' shapes ("AutoLayout"). Each spread is
// planned before it is drawn: from the page history while the arrow keys
// replay it, else from the selection order and the pictures' shapes, read
// from their headers once per file and show. It is recorded in the history
// as two rows, the left page's and the right page's, so that stepping back
// counts spreads as it does for two pages a spread.
#include <cstdint>

#include "imaging/bitmap.h"
#include "library/spread_layout.h"

// At the start of every show: forgets the pictures waiting and the shapes
// read, for pages of this size.
void ResetShapedSpreads(int32_t pageWidth, int32_t pageHeight);

// The next spread. With no picture to show at all (an empty or unreadable
// list) the plan is across and empty: the whole spread then carries the
// notice, as one photo a spread does.
SpreadPlan PlanShapedSpread();

// Fills `page` with one side's pictures (0: the left page, or the whole
// spread when across; 1: the right page). One picture fills the page; two are
// stacked as on a page of two photos. A picture that fails to decode is
// replaced by the next one of the order, and the plan then names the picture
// shown. A right page with no pictures keeps its paper.
void ComposeShapedPage(TBitmap0& page, SpreadPlan& plan, int32_t side);

// After the pages: the spread goes into the history; when the show's stop
// request cut the preparation short, its pictures go back to be planned
// again instead.
void FinishShapedSpread(const SpreadPlan& plan);

// The last picture placed on a page ("Prev" for the next run), -1 before the
// first. The selection order's own last picture may be one still waiting.
int32_t LastPlacedPicture();
