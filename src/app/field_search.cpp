// The field search, in the order a field goes through it: found in the frame,
// chosen among those of the first passes, kept while it stays, lost when it
// goes.
#include "app/field_search.h"

#include <algorithm>
#include <utility>

namespace {

// ---- Chosen: among the bottles of the first passes.

// Scan order, LocateField's order among fields of equal width.
bool EarlierInScan(const FieldRect& a, const FieldRect& b) {
  if (a.top != b.top) return a.top < b.top;
  return a.left < b.left;
}

}  // namespace

bool SameField(const FieldRect& a, const FieldRect& b) {
  return a.left == b.left && a.top == b.top && a.width == b.width;
}

void FindFrameBottle(const uint32_t* raster, int32_t height, int32_t width, FieldCheck check,
                     int32_t narrowest, std::vector<uint32_t>& scratch, FieldRect& found) {
  FindBottle(raster, height, width, check, narrowest, scratch, found);
  if (found.width != 0) return;
  FindBottleOnScreen(raster, height, width, scratch, found);
  if (found.width < narrowest) found = FieldRect{};
}

int32_t FieldWidthSlack(int32_t widest) {
  return std::min(kMostFieldWidthSlack, std::max(kFieldWidthSlack, widest / 48));
}

namespace {

// Adds a frame's field to those kept near the widest. A new widest moves the
// kept ones down by the difference, and those it pushes past the slack drop.
void NoteField(FieldRect (&nearWidest)[kMostFieldWidthSlack + 1], const FieldRect& found) {
  if (found.width == 0) return;
  const int32_t widest = nearWidest[0].width;
  if (found.width > widest) {
    const int32_t shift = found.width - widest;
    for (int32_t i = kMostFieldWidthSlack; i > 0; --i) {
      nearWidest[i] = i >= shift ? nearWidest[i - shift] : FieldRect{};
    }
    nearWidest[0] = found;
    return;
  }
  const int32_t below = widest - found.width;
  if (below > FieldWidthSlack(widest)) return;
  FieldRect& kept = nearWidest[below];
  if (kept.width == 0 || EarlierInScan(found, kept)) kept = found;
}

// The highest field near the widest, then the leftmost, then the widest. A
// vitamin or a landed half in the bottle's top rows hides its true top-left
// corner, so a start at such a moment finds a field of the same width lower
// down; a blurred wall makes one a pixel or two wider and lower. A frame that
// shows the top rows clear and sharp gives the true one, and it is the
// highest. A bottle clearly wider (a screen between levels) still wins.
// A field in use that is among them on the chosen row stays: a scaler's blur
// measures the same bottle a pixel or two wider from some rows than from
// others, and a field risen from such a row to the top would otherwise
// replace it for nothing.
FieldRect ChooseField(const FieldRect (&nearWidest)[kMostFieldWidthSlack + 1],
                      const FieldRect& inUse) {
  FieldRect chosen = nearWidest[0];
  const int32_t slack = FieldWidthSlack(nearWidest[0].width);
  for (int32_t i = 1; i <= slack; ++i) {
    if (nearWidest[i].width > 0 && EarlierInScan(nearWidest[i], chosen)) chosen = nearWidest[i];
  }
  for (int32_t i = 0; i <= slack; ++i) {
    if (SameField(nearWidest[i], inUse) && inUse.top == chosen.top) return inUse;
  }
  return chosen;
}

// Whether this pass looks for the field: every pass while none is in use (the
// game not on the screen yet, or lost, however long that lasts), then the
// first kFieldSearchPasses after one is found. After those the field is kept
// while it stays, so that a later screen (between levels, say) cannot move it.
bool StillSearching(const FieldSearch& search) {
  return search.field.width == 0 || search.passesRun < kFieldSearchPasses;
}

void CountSearchPasses(FieldSearch& search, int64_t passes) {
  if (search.field.width == 0) return;
  search.passesRun =
      static_cast<int32_t>(std::min<int64_t>(kFieldSearchPasses, search.passesRun + passes));
}

}  // namespace

FieldStep SearchField(FieldSearch& search, const uint32_t* raster, int32_t height, int32_t width) {
  const bool inUse = search.field.width != 0;
  const bool there = inUse && LooksLikeBottle(raster, height, width, search.field);
  if (StillSearching(search)) {
    // The frame that first finds a field is not counted, as the start-up
    // frame is not.
    CountSearchPasses(search, 1);
    // While the field in use is covered, nothing replaces it: a dark menu or
    // pause panel over the bottle and its walls can look like a wider bottle.
    // It comes back, or is lost and looked for afresh.
    if (!inUse || there) {
      // Only a field that the choice below could take is worth the looks.
      const int32_t narrowest =
          std::max(kSmallestBottle,
                   search.nearWidest[0].width - FieldWidthSlack(search.nearWidest[0].width));
      FieldRect found;
      FindFrameBottle(raster, height, width,
                      search.floorInView ? LooksLikeWholeBottle : LooksLikeBottle, narrowest,
                      search.scratch, found);
      NoteField(search.nearWidest, found);
      // The top above the field: a field first seen under pieces, or under a
      // rounded border's corners, rises to the bottle's top within the
      // search window. Watching the region around a bottle, at once; in the
      // corner, on the window's last pass, so that until then the corner
      // takes and reports what LocateField finds, as it always has.
      if (search.riseAtOnce) {
        NoteField(search.nearWidest, RisenBottle(raster, height, width, LooksLikeBottle, found));
      } else if (inUse && search.passesRun >= kFieldSearchPasses) {
        NoteField(search.nearWidest,
                  RisenBottle(raster, height, width, LooksLikeBottle, search.field));
      }
      const FieldRect chosen = ChooseField(search.nearWidest, search.field);
      if (!SameField(chosen, search.field)) {
        search.field = chosen;
        search.missingPasses = 0;
        return FieldStep::kChanged;
      }
    }
  }
  if (!inUse) return FieldStep::kNone;

  // ---- Kept while it stays; lost when it has been gone a second.
  if (there) {
    search.missingPasses = 0;
    return FieldStep::kRead;
  }
  ++search.missingPasses;
  if (search.missingPasses < kFieldLostPasses) return FieldStep::kMissing;
  // Everything starts over as at start-up: the next bottle may be anywhere,
  // of any width, and its first frames may hide its top rows again.
  std::vector<uint32_t> scratch = std::move(search.scratch);
  const bool riseAtOnce = search.riseAtOnce;
  const bool floorInView = search.floorInView;
  search = FieldSearch{};
  search.scratch = std::move(scratch);
  search.riseAtOnce = riseAtOnce;
  search.floorInView = floorInView;
  return FieldStep::kLost;
}

void CountFieldFrames(FieldSearch& search, int64_t frames) {
  CountSearchPasses(search, frames);
  if (search.missingPasses > 0) {
    search.missingPasses =
        static_cast<int32_t>(std::min<int64_t>(kFieldLostPasses, search.missingPasses + frames));
  }
}

int32_t FramesUntilLost(const FieldSearch& search) {
  if (search.missingPasses == 0) return -1;
  return std::max(0, kFieldLostPasses - search.missingPasses);
}
