#pragma once
// The call of the stored procedure vexa_updateTable for one record: the
// statement text as the system has always built it (kept for logs, dry runs
// and explain), and the sixteen values bound to the call, so that no value
// can break the statement.
#include <string_view>

#include "CodePage.h"
#include "Connection.h"
#include "LogRecord.h"

namespace vexa {

// url, text3, text6, text7 and filterMark lose their apostrophes to blanks.
void CleanApostrophes(LogRecord& record, const CodePage& code_page);

// "exec vexa_updateTable '<table>', '<text1>', ... '<category>'" and the
// same sixteen values, table value first.
UpdateCall BuildUpdateCall(std::string_view table_value, const LogRecord& record);

}  // namespace vexa
