#pragma once
// The yardstick: a plain loop doing only the intake's file work (list,
// open, stat, read the first line, close, unlink) and the same SQLite
// insert-and-commit through the vexa_updateTable trigger, one transaction
// per record, WAL with synchronous=FULL.
#include <string>

#include "SpoolBacklog.h"

namespace vexa::bench {

RunResult RunPlainLoop(const std::string& install_dir);

}  // namespace vexa::bench
