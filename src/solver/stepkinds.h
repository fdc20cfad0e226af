// Kinds of analysis steps (jobdata stepid, indexed by the solver's step number) and their lookup.
#pragma once

#include "../core/modeldata.h"

namespace tvk::solver {

inline constexpr int TVK_INITIALIZATION = 0;
inline constexpr int TVK_FATIGUE = 1;
inline constexpr int TVK_STRUCTRESPONSE = 2;
inline constexpr int TVK_IMPACT = 3;
inline constexpr int TVK_RELAXATION = 4;
inline constexpr int TVK_DIC = 5;

// The kind of step kstep; the default kind TVK_FATIGUE when the table is absent or has no entry
// for kstep.
inline int step_kind(int kstep) { return jobdata.stepid.get(TVK_FATIGUE, kstep); }

}  // namespace tvk::solver
