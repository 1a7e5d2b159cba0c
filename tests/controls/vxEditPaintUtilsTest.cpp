// The solid brush cache: system colours from the system's brushes, ascending order of the
// unsigned colour values, eviction of the least used. The serial program makes a real
// system-colour change.
#include "ControlsTestSupport.h"

#include "controls/vxEditPaintUtils.h"

#include <gtest/gtest.h>

TEST(vxEditPaintUtils, SystemColoursUseTheSystemBrushes) {
  TvxSolidBrushCache* cache = vxSolidBrushCache();
  ASSERT_NE(cache, nullptr);
  EXPECT_EQ(cache->Capacity(), 128);
  const int count = cache->Count();
  HBRUSH face = vxGetSolidBrush(clBtnFace);
  EXPECT_EQ(face, vxSystemBrush(COLOR_BTNFACE));
  EXPECT_EQ(vxGetSolidBrush(clBtnFace), face);
  EXPECT_EQ(vxGetSolidBrush(SystemColor(30)), vxSystemBrush(30));
  EXPECT_EQ(cache->Count(), count) << "system colours never enter the cache";
}

TEST(vxEditPaintUtils, CacheKeepsUnsignedOrderAndEvictsTheLeastUsed) {
  TvxSolidBrushCache cache(3);
  const TColor a = static_cast<TColor>(RGB(1, 0, 0)), b = static_cast<TColor>(RGB(2, 0, 0)),
               c = static_cast<TColor>(RGB(3, 0, 0)), d = static_cast<TColor>(RGB(4, 0, 0));
  HBRUSH first = cache.GetBrush(a);
  EXPECT_EQ(cache.GetBrush(a), first);
  EXPECT_EQ(cache.UseCounts(0), 1);
  cache.GetBrush(b);
  cache.GetBrush(c);
  cache.GetBrush(d);  // full: B is the first with no use
  ASSERT_EQ(cache.Count(), 3);
  EXPECT_EQ(cache.Colors(0), a);
  EXPECT_EQ(cache.Colors(1), c);
  EXPECT_EQ(cache.Colors(2), d);
  EXPECT_EQ(cache.UseCounts(2), 0);

  // A colour just inserted is the next to go; system colours past the table sort last.
  const TColor past = SystemColor(32);
  cache.GetBrush(past);  // evicts C
  cache.GetBrush(clDefault);  // evicts D (C's successor had no use either)
  ASSERT_EQ(cache.Count(), 3);
  EXPECT_EQ(cache.Colors(0), a);
  EXPECT_EQ(cache.Colors(1), clDefault);
  EXPECT_EQ(cache.Colors(2), past);

  cache.Flush();
  EXPECT_EQ(cache.Count(), 0);
}
