#include "commit_graph/oid.hpp"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Oid, HexForms) {
  EXPECT_EQ(commit_graph::Oid::zero().hex(), std::string(40, '0'));
  EXPECT_EQ(commit_graph::Oid::zero().short_hex(), "0000000");
  EXPECT_TRUE(commit_graph::Oid::zero().is_zero());
  const std::string hex = "0123456789abcdef0123456789ABCDEF01234567";
  auto id = commit_graph::Oid::from_hex(hex);
  ASSERT_TRUE(id);
  EXPECT_EQ(id->hex(), "0123456789abcdef0123456789abcdef01234567");
  EXPECT_EQ(id->short_hex(), "0123456");
  EXPECT_FALSE(id->is_zero());
  EXPECT_FALSE(commit_graph::Oid::from_hex("0123"));
  EXPECT_FALSE(commit_graph::Oid::from_hex(std::string(39, '0') + "g"));
}

}  // namespace
