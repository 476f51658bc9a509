// grow_array_test.cpp -- GrowArray: capacity doubling in order, removal, the records it holds
#include <gtest/gtest.h>

#include <cstdint>

#include "src/common/grow_array.h"

namespace {

TEST(GrowArray, StartsEmptyWithRoomForEight) {
  GrowArray<int*> array;
  EXPECT_EQ(array.count, 0u);
  EXPECT_EQ(array.capacity, 8u);
  EXPECT_NE(array.items, nullptr);
  EXPECT_EQ(array.begin(), array.end());
}

TEST(GrowArray, AppendDoublesWhenFullAndKeepsOrderAndIndices) {
  GrowArray<int> array;
  // (appends so far, capacity expected after them)
  const struct {
    int appends;
    uint32_t capacity;
  } steps[] = {{8, 8}, {9, 16}, {16, 16}, {17, 32}, {33, 64}};
  int next = 0;
  for (const auto& step : steps) {
    while (next < step.appends) {
      EXPECT_EQ(array.Append(next * 10), next);
      ++next;
    }
    EXPECT_EQ(array.capacity, step.capacity) << "after " << step.appends << " appends";
    EXPECT_EQ(array.count, static_cast<uint32_t>(step.appends));
  }
  for (int i = 0; i < next; ++i) EXPECT_EQ(array[i], i * 10);
}

TEST(GrowArray, RemoveTakesTheFirstEqualItemAndMovesTheRestDown) {
  GrowArray<int> array;
  for (int v : {1, 2, 3, 2, 4}) array.Append(v);
  EXPECT_TRUE(array.Remove(2));
  ASSERT_EQ(array.count, 4u);
  const int afterFirst[] = {1, 3, 2, 4};
  for (uint32_t i = 0; i < array.count; ++i) EXPECT_EQ(array[i], afterFirst[i]);
  EXPECT_FALSE(array.Remove(9));
  EXPECT_EQ(array.count, 4u);
  EXPECT_TRUE(array.Remove(4));  // the last one
  EXPECT_TRUE(array.Remove(1));  // the first one
  ASSERT_EQ(array.count, 2u);
  EXPECT_EQ(array[0], 3);
  EXPECT_EQ(array[1], 2);
  EXPECT_EQ(array.Last(), 2);
  array.Clear();
  EXPECT_EQ(array.count, 0u);
  EXPECT_EQ(array.capacity, 8u) << "clearing keeps the storage";
  EXPECT_FALSE(array.Remove(3));
}

TEST(GrowArray, TakingTheFrontRepeatedlyEmptiesItInOrder) {
  GrowArray<int*> array;
  int values[20];
  for (int& v : values) array.Append(&v);
  uint32_t count = array.count;
  for (uint32_t i = 0; i < count; ++i) {
    int* front = array[0];
    EXPECT_EQ(front, &values[i]);
    EXPECT_TRUE(array.Remove(front));
  }
  EXPECT_EQ(array.count, 0u);
}

TEST(GrowArray, HoldsPlainRecordsByValue) {
  struct Key {
    uint32_t frame;
    float value;
  };
  GrowArray<Key> keys;
  for (uint32_t f = 0; f < 12; ++f) keys.Append(Key{f, f * 0.5f});
  uint32_t sum = 0;
  for (const Key& k : keys) sum += k.frame;
  EXPECT_EQ(sum, 66u);
  EXPECT_FLOAT_EQ(keys[11].value, 5.5f);
}

}  // namespace
