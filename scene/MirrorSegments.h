#pragma once
// The copies one level draws through the ring of mirror segments, in drawing
// order. Kept apart from the drawing so that where each copy lands can be
// checked without a GL context.
#include <cstdint>

struct MirrorCopy {
  std::int32_t iteration = 0;  // the copy is rotated by iteration x the segment angle
  bool reflected = false;      // mirrored across the y axis of its rotated frame
  bool partial = false;        // cut by the partial wedge's planes, not the full wedge's
};

// Calls visit(copy) for every copy of a level with `slots` wedge positions.
// Without mirrors only the direct copy of the first iteration is drawn.
template <class Visit>
void ForEachMirrorCopy(std::int32_t slots, bool hasPartialWedge, bool mirrored, Visit visit) {
  for (std::int32_t i = 0; i < slots; i += 2) {
    if (i + 1 < slots) visit(MirrorCopy{i, false, i + 1 == slots - 1 && hasPartialWedge});
    if (mirrored) visit(MirrorCopy{i, true, i == slots - 1 && hasPartialWedge});
    if (!mirrored) break;
  }
}
