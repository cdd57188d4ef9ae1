#include "repo/search.hpp"

#include <algorithm>
#include <array>
#include <cstring>

#include "utils/dates.hpp"
#include "utils/letter_case.hpp"

namespace repo {
namespace {

// Whether the lower-cased needle occurs in the field once lower-cased. Most
// fields are short ASCII text: those are lowered into a buffer on the stack.
bool contains_lowered(std::string_view field, std::string_view needle) {
  char buf[256];
  if (field.size() > sizeof buf) return utils::to_lower(field).find(needle) != std::string::npos;
  unsigned char high = 0;
  for (std::size_t i = 0; i < field.size(); ++i) {
    const auto c = static_cast<unsigned char>(field[i]);
    high |= c;
    buf[i] = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  }
  // Lowering can lengthen other text, so only ASCII is compared in place.
  if (high >= 0x80) return utils::to_lower(field).find(needle) != std::string::npos;
  return std::string_view(buf, field.size()).find(needle) != std::string_view::npos;
}

// The first 7 hex digits, without building all 40.
std::array<char, 7> short_id(const Oid& id) {
  static constexpr char digits[] = "0123456789abcdef";
  std::array<char, 7> out;
  for (std::size_t i = 0; i < 7; ++i) out[i] = digits[(id.bytes[i / 2] >> (i % 2 == 0 ? 4 : 0)) & 0xF];
  return out;
}

bool is_year_fragment(std::string_view s) {
  if (!s.empty() && s.front() == '-') s.remove_prefix(1);
  return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Whether the needle can occur in any date text "Mmm D, Y" (Y an integer,
// perhaps negative), so a query that cannot skips formatting dates at all.
bool could_be_in_date(std::string_view needle, bool exact) {
  if (!needle.empty() && is_year_fragment(needle)) return true;
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  for (const char* month : kMonths) {
    for (int day = 1; day <= 31; ++day) {
      std::string head = std::string(month) + " " + std::to_string(day) + ", ";
      if (!exact) head = utils::to_lower(head);
      for (std::size_t start = 0; start < head.size(); ++start) {
        const std::string_view tail = std::string_view(head).substr(start);
        if (needle.size() <= tail.size()
                ? tail.starts_with(needle)
                : needle.starts_with(tail) && is_year_fragment(needle.substr(tail.size())))
          return true;
      }
    }
  }
  return false;
}

// The proleptic Gregorian year of a day counted from 1970-01-01.
std::int64_t year_of_day(std::int64_t days) {
  const std::int64_t z = days + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  return yoe + era * 400 + (mp >= 10 ? 1 : 0);
}

}  // namespace

LogSearch::LogSearch(std::string_view query, const BranchMap& branches, const Oid& head) {
  empty_ = query.empty();
  if (empty_) return;
  exact_ = utils::has_mixed_case(query);
  needle_ = exact_ ? std::string(query) : utils::to_lower(query);
  date_possible_ = could_be_in_date(needle_, exact_);
  // Three or more digits, or a minus sign, fit only in the year.
  year_only_ = is_year_fragment(needle_) && (needle_.size() >= 3 || needle_.front() == '-');
  for (const auto& [branch, tip] : branches)
    if (found(branch.name)) named_tips_.push_back(tip);
  if (found("HEAD")) named_tips_.push_back(head);
  std::sort(named_tips_.begin(), named_tips_.end());
}

bool LogSearch::found(std::string_view field) const {
  return exact_ ? field.find(needle_) != std::string_view::npos : contains_lowered(field, needle_);
}

bool LogSearch::matches(const Commit& commit) const {
  if (empty_) return false;
  const auto id = short_id(commit.id);
  if (found(commit.summary) || found(std::string_view(id.data(), id.size())) || found(commit.author))
    return true;
  if (!named_tips_.empty() && std::binary_search(named_tips_.begin(), named_tips_.end(), commit.id))
    return true;
  if (!date_possible_) return false;
  if (year_only_ && !year_could_hold(commit.time)) return false;
  return found(utils::format_date(commit.time));
}

bool LogSearch::year_could_hold(std::int64_t time) const {
  // No zone is 25 hours or more from UTC, so the local date lies within two
  // days of the UTC one, and those five days span at most two years.
  std::int64_t day = time / 86400;
  if (time % 86400 < 0) --day;
  for (const std::int64_t year : {year_of_day(day - 2), year_of_day(day + 2)})
    if (std::to_string(year).find(needle_) != std::string::npos) return true;
  return false;
}

// Field by field, as the log search is stated; a pass over the whole log
// should use LogSearch, which settles the per-query work once.
bool Commit::matches(std::string_view query, const BranchMap& branches, const Oid& head) const {
  if (query.empty()) return false;
  const bool exact = utils::has_mixed_case(query);
  const std::string needle = exact ? std::string(query) : utils::to_lower(query);
  const auto found = [&](std::string_view field) {
    return exact ? field.find(needle) != std::string_view::npos : contains_lowered(field, needle);
  };
  const auto short_hex = short_id(id);
  if (found(summary) || found(std::string_view(short_hex.data(), short_hex.size())) || found(author) ||
      found(utils::format_date(time)))
    return true;
  for (const auto& [branch, tip] : branches)
    if (tip == id && found(branch.name)) return true;
  return id == head && found("HEAD");
}

}  // namespace repo
