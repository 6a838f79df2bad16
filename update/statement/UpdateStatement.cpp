#include "UpdateStatement.h"

namespace vexa {
namespace {

void ReplaceApostrophes(std::string& text, const CodePage& cp) {
  for (size_t pos = 0; pos < text.size(); pos += cp.CharLength(text, pos)) {
    if (text[pos] == '\'') text[pos] = ' ';
  }
}

}  // namespace

void CleanApostrophes(LogRecord& record, const CodePage& cp) {
  for (std::string* field : {&record.url, &record.text3, &record.text6, &record.text7, &record.filterMark}) {
    ReplaceApostrophes(*field, cp);
  }
}

UpdateCall BuildUpdateCall(std::string_view table_value, const LogRecord& record) {
  UpdateCall call;
  call.values[0] = std::string(table_value);
  const auto fields = record.Fields();
  for (size_t i = 0; i < fields.size(); ++i) call.values[i + 1] = *fields[i];

  size_t size = 32;
  for (const std::string& value : call.values) size += value.size() + 4;
  call.statement.reserve(size);
  call.statement = "exec vexa_updateTable '";
  call.statement += call.values[0];
  for (size_t i = 1; i < call.values.size(); ++i) {
    call.statement += "', '";
    call.statement += call.values[i];
  }
  call.statement += "'";
  return call;
}

}  // namespace vexa
