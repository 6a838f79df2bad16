#pragma once
#include <ostream>

#include "Env.h"
#include "StoreLogRecord.h"

namespace vexa {

// Takes the spool folder as one cycle would, writing and deleting nothing:
// one line per spool file in processing order, its name, a tab, and the
// update statement as built or "excluded:<rule>". Content files are not
// placed, so logTime is the spool file's time. Returns the exit code.
int RunDryRun(const Env& env, const RecordHooks& hooks, int mode, const std::string& table_value_for_server,
              std::ostream& out, std::ostream& err);

}  // namespace vexa
