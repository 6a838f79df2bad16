#pragma once
// An Env over fakes with the install directory set, and helpers to write the
// two list files.
#include <gtest/gtest.h>

#include "CodePage.h"
#include "Env.h"
#include "FakeEventLog.h"
#include "FakeFileSystem.h"
#include "FakeSettings.h"
#include "SettingsKeys.h"

namespace vexa::testing {

class ListsOnFakes : public ::testing::Test {
 protected:
  static constexpr const char* kAddressPath = "/opt/vexa/config/exc_log.ctl";
  static constexpr const char* kCategoryPath = "/opt/vexa/config/exc_logcats.ctl";

  ListsOnFakes() {
    settings_.SetString(keys::kSnp, "DIRECTORY", "/opt/vexa");
    env_.settings = &settings_;
    env_.log = &log_;
    env_.files = &files_;
    env_.code_page = &page_;
  }
  void WriteLists(const std::string& addresses, const std::string& categories) {
    files_.AddFile(kAddressPath, addresses);
    files_.AddFile(kCategoryPath, categories);
  }

  fakes::FakeSettings settings_;
  fakes::FakeEventLog log_;
  fakes::FakeFileSystem files_;
  CodePage page_;
  Env env_;
};

}  // namespace vexa::testing
