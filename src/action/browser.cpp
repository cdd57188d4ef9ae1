#include "action/browser.hpp"

#include "action/worker.hpp"
#include "utils/process.hpp"

namespace action {

bool open_in_browser(const std::string& url) {
  const auto pid = utils::start_process({"open", url});
  if (!pid) return false;
  spawn_detached([pid = *pid] { (void)utils::wait_process(pid); });
  return true;
}

}  // namespace action
