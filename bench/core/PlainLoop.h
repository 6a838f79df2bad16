#pragma once
// The yardstick: a plain loop doing only the intake's file work (list,
// open, stat, read the first line, close, unlink) and the same SQLite
// insert-and-commit through the vexa_updateTable trigger, one transaction
// per record, WAL with synchronous=FULL.
#include <string>

#include "SpoolBacklog.h"

namespace vexa::bench {

// `with_ledger` adds the daemon's ledger statements: the look-up before the
// transaction and the insert inside it.
RunResult RunPlainLoop(const std::string& install_dir, bool with_ledger);

}  // namespace vexa::bench
