#include "RecordPipeline.h"

#include "ContentFile.h"
#include "SecureSite.h"

namespace vexa {

RecordPipeline::RecordPipeline(const Env& env, const AppSettings& settings) {
  hooks.refresh_exclusions = [this, &env] { RefreshExcludeFile(env, lists); };
  hooks.record.is_excluded = [this](const LogRecord& record, std::string* rule) {
    ExclusionVerdict verdict;
    const int excluded = IsExcluded(lists, record.url, record.category, &verdict);
    if (rule) *rule = RuleName(verdict.rule);
    return excluded;
  };
  hooks.record.append_secure_site_name = [&env](std::string& url) {
    AppendSecureSiteName(url, *env.resolver, *env.log, *env.code_page);
  };
  hooks.record.place_content = [this, &env, &settings](LogRecord& record, int mode, const std::string& install_dir,
                                                       std::string* reason) {
    ContentSettings content;
    content.mode = mode;
    content.install_dir = install_dir;
    content.sql_server = settings.sql_server;
    content.sql_db = settings.sql_db;
    content.sql_table = settings.sql_table;
    content.share_root = settings.share_root;
    const auto is_excluded = [this, &record] { return IsExcluded(lists, record.url, record.category) == 1; };
    if (PlaceContentFile(record, content, env, is_excluded) != ContentOutcome::kDeferred) return true;
    *reason = ContentNotMovedMessage(install_dir + "/Cache/" + record.contentName);
    return false;
  };
}

}  // namespace vexa
