#pragma once
// The built program, for the tests that run it: only their test program is
// told where it lies (TARNWICK_BINARY), and only it waits for the build.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "utils/process.hpp"

#ifndef TARNWICK_BINARY
#error "TARNWICK_BINARY names the built program; only the tests that run it define it"
#endif

namespace testing_support {

// Runs the built tarnwick binary.
inline utils::ProcessResult run_tarnwick(const std::vector<std::string>& args, const std::string& cwd = {}) {
  std::vector<std::string> argv{TARNWICK_BINARY};
  argv.insert(argv.end(), args.begin(), args.end());
  utils::ProcessOptions options;
  options.cwd = cwd;
  options.set_env = {{"TZ", "UTC"}};
  auto result = utils::run_process(argv, options);
  if (!result) {
    ADD_FAILURE() << "cannot run tarnwick: " << result.error();
    return {};
  }
  return *result;
}

}  // namespace testing_support
