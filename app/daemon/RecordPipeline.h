#pragma once
// Binds the steps of a record's road to the update routine: the exclusion
// test, secure-site naming and content placement.
#include "ConnectionParameters.h"
#include "Env.h"
#include "Exclusion.h"
#include "UpdateRoutine.h"

namespace vexa {

class RecordPipeline {
 public:
  RecordPipeline(const Env& env, const AppSettings& settings);

  RoutineHooks hooks;
  ExclusionLists lists;
};

}  // namespace vexa
