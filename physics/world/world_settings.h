#pragma once
// Every setting of a world, once. A snapshot captures and restores them and
// a world file writes and reads them, in this order: a new setting is one
// line here (and, for the program, its field or setter on TPhysics).
//
//   X(type, name, fallback, since, finite, get, set)
//
// the record's field and its value in a record made afresh or read from a
// world file older than version `since`; whether a file's value must be a
// finite number; how to read it from world `w`, and how to put value `v`
// into `w` (in this order: the cell size comes after the bounds it covers).

#define KEL_TANGLE_WORLD_SETTINGS(X)                                                          \
    X(float, boundsMaxX, 0, 1, true, w.boundsMaxX, w.boundsMaxX = v)                          \
    X(float, boundsMaxY, 0, 1, true, w.boundsMaxY, w.boundsMaxY = v)                          \
    X(float, boundsMinX, 0, 1, true, w.boundsMinX, w.boundsMinX = v)                          \
    X(float, boundsMinY, 0, 1, true, w.boundsMinY, w.boundsMinY = v)                          \
    X(float, friction, 1, 1, true, w.friction, w.friction = v)                                \
    X(float, gravityX, 0, 1, true, w.gravityX, w.gravityX = v)                                \
    X(float, gravityY, 0, 1, true, w.gravityY, w.gravityY = v)                                \
    X(int, passes, 0, 1, false, w.i, w.i = v)                                                 \
    X(int, gridon, 0, 1, false, w.gridon, w.gridon = v)                                       \
    X(int, gridsize, 0, 1, false, w.gridsize, w.gridsize = v)                                 \
    X(float, ratiox, 0, 1, false, w.ratiox, w.ratiox = v)                                     \
    X(float, ratioy, 0, 1, false, w.ratioy, w.ratioy = v)                                     \
    X(int, stacking, 0, 1, false, w.stacking, w.stacking = v)                                 \
    X(float, sleepSpeed, 0, 1, true, w.sleepSpeed, w.sleepSpeed = v)                          \
    X(int, sleepSteps, 0, 1, false, w.sleepSteps, w.sleepSteps = v)                           \
    X(int, nextColGroup, -2, 1, false, TStepAccess::NextColGroupOf(w),                        \
      (TStepAccess::SetNextColGroup(w, v)))                                                   \
    X(int, colMode, 1, 1, false, TStepAccess::QueueModeOf(w), (TStepAccess::SetQueueMode(w, v))) \
    X(float, cellSize, 0, 2, false, TStepAccess::CellSizeOf(w),                               \
      (TStepAccess::RestoreCellSize(w, v)))                                                   \
    X(int, continuous, 0, 4, false, w.continuous, w.continuous = v)                           \
    X(int, scheduled, 0, 5, false, TStepAccess::Of(w).Threads().Scheduled() ? 1 : 0,          \
      TStepAccess::Of(w).Threads().SetScheduled(v != 0))
