#include "utils/letter_case.hpp"

#include <gtest/gtest.h>

namespace {

TEST(LetterCase, MixedCaseNeedsAnUpperAndALowerLetter) {
  const std::pair<const char*, bool> cases[] = {
      {"", false},
      {"abc", false},
      {"ABC", false},
      {"123-x", false},
      {"aB", true},
      {"Fix", true},
      {"\xC3\x84rger", true},   // Ärger
      {"\xC3\x84RGER", false},  // ÄRGER
      {"stra\xC3\x9F"
       "e",
       false},  // straße: ß is lower case
      {"STRA\xC3\x9F"
       "E",
       true},                      // STRAßE
      {"\xCE\xA3\xCE\xB1", true},  // Σα
      {"\xE2\x84\xAA"
       "a",
       true},  // Kelvin sign K, then a
      {"\xC2\xAA"
       "A",
       true},               // ª has Lowercase, no mapping
      {"\xC7\x85", false},  // ǅ title case: neither
      {"1\xE2\x80\x94"
       "2",
       false},  // digits and a dash
      {"A\xFF"
       "b",
       true},  // a stray byte counts for neither
  };
  for (const auto& [text, want] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(utils::has_mixed_case(text), want);
  }
}

TEST(LetterCase, LowerCasesTheWholeText) {
  const std::pair<const char*, const char*> cases[] = {
      {"", ""},
      {"Fix PARSER 42", "fix parser 42"},
      {"\xC3\x84rger \xC3\x9F", "\xC3\xA4rger \xC3\x9F"},                        // Ärger ß
      {"\xC4\xB0stanbul", "i\xCC\x87stanbul"},                                   // İ: two code points
      {"\xE2\x84\xAA", "k"},                                                     // Kelvin sign
      {"\xD0\x9C\xD0\x98\xD0\xA0", "\xD0\xBC\xD0\xB8\xD1\x80"},                  // МИР
      {"\xF0\x90\x90\x80", "\xF0\x90\x90\xA8"},                                  // Deseret, four bytes
      {"\xCE\x9F\xCE\x94\xCE\x9F\xCE\xA3", "\xCE\xBF\xCE\xB4\xCE\xBF\xCF\x82"},  // ΟΔΟΣ: final sigma
      {"\xCE\xA3\xCE\x91", "\xCF\x83\xCE\xB1"},                    // ΣΑ: sigma starts the word
      {"\xCE\xA3", "\xCF\x83"},                                    // Σ alone is not final
      {"\xCE\x91\xCE\xA3 x", "\xCE\xB1\xCF\x82 x"},                // ΑΣ x: final before a space
      {"\xCE\x91\xCE\xA3'\xCE\x91", "\xCE\xB1\xCF\x83'\xCE\xB1"},  // apostrophe is case-ignorable
      {"\xCE\x91'\xCE\xA3", "\xCE\xB1'\xCF\x82"},
      {"A\xFF\xC3Z", "a\xFF\xC3z"},  // stray bytes pass through
  };
  for (const auto& [text, want] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(utils::to_lower(text), want);
  }
}

}  // namespace
