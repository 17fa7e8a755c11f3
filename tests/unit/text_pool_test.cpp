#include "log/text_pool.h"

#include <gtest/gtest.h>

#include <string>

namespace stats {
namespace {

TEST(TextPoolTest, IdsAreDenseInOrderOfFirstAppearanceAndStayThroughGrowth) {
  TextPool pool;
  EXPECT_EQ(pool.Find(""), TextPool::kEmpty);
  EXPECT_EQ(pool.Find("DL1ABC"), TextPool::kAbsent);
  // Enough texts to grow the buffer and the table several times.
  for (int i = 0; i < 5000; ++i) {
    ASSERT_EQ(pool.Intern("K" + std::to_string(i)), static_cast<uint32_t>(i + 1));
  }
  EXPECT_EQ(pool.Intern("K17"), 18u);
  EXPECT_EQ(pool.Intern("k17"), 5001u);  // exact, case-sensitive
  EXPECT_EQ(pool.size(), 5002u);
  for (int i = 0; i < 5000; i += 499) {
    const std::string text = "K" + std::to_string(i);
    EXPECT_EQ(pool.Find(text), static_cast<uint32_t>(i + 1)) << text;
    EXPECT_EQ(pool.Text(static_cast<uint32_t>(i + 1)), text);
  }
  EXPECT_EQ(pool.Text(TextPool::kEmpty), "");
}

TEST(TextPoolTest, TextsWithTheSameBytesInOtherPlacesStayApart) {
  TextPool pool;
  const uint32_t ab = pool.Intern("AB");
  const uint32_t a = pool.Intern("A");
  const uint32_t b = pool.Intern("B");
  EXPECT_EQ(pool.Intern(std::string("A\0B", 3)), 4u);  // a view may hold a NUL
  EXPECT_EQ(pool.Find("AB"), ab);
  EXPECT_EQ(pool.Text(a), "A");
  EXPECT_EQ(pool.Text(b), "B");
  EXPECT_EQ(pool.Find(std::string("A\0", 2)), TextPool::kAbsent);
}

TEST(TextPoolTest, PartOfItsOwnTextCanBeInterned) {
  TextPool pool;
  pool.Intern("YO3ABC/P");
  // Views of the pool's own bytes while it grows underneath them.
  for (int i = 0; i < 200; ++i) {
    const std::string_view whole = pool.Text(1);
    const std::string_view part = whole.substr(0, 3 + i % 5);
    EXPECT_EQ(pool.Text(pool.Intern(part)), std::string("YO3ABC/P").substr(0, 3 + i % 5));
    pool.Intern("filler" + std::to_string(i));
  }
}

TEST(TextPoolTest, ClearForgetsAllButTheEmptyText) {
  TextPool pool;
  for (int i = 0; i < 100; ++i) pool.Intern(std::to_string(i));
  pool.Clear();
  EXPECT_EQ(pool.size(), 1u);
  EXPECT_EQ(pool.Find(""), TextPool::kEmpty);
  EXPECT_EQ(pool.Find("7"), TextPool::kAbsent);
  EXPECT_EQ(pool.Intern("7"), 1u);
}

}  // namespace
}  // namespace stats
