#include "action/browser.hpp"

#include "tui/fatal.hpp"
#include "utils/worker.hpp"
#include "utils/process.hpp"

namespace action {

bool open_in_browser(const std::string& url) {
  const auto pid = utils::start_process({"open", url});
  if (!pid) return false;
  utils::spawn_detached([pid = *pid] { (void)utils::wait_process(pid); }, tui::fatal);
  return true;
}

}  // namespace action
