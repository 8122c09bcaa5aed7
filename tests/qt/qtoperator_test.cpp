// Station file filters as Qt file dialog filters.

#include <gtest/gtest.h>

#include "qtui/qtoperator.h"

namespace zarvane {
namespace {

TEST(QtFileFilterTest, PairsBecomeQtEntriesWithBlankSeparatedPatterns) {
  EXPECT_EQ(QtFileFilter("Desc (*.a;*.b)|*.a;*.b|All Files (*.*)|*.*"),
            "Desc (*.a *.b);;All Files (*)");
}

TEST(QtFileFilterTest, DescriptionsWithoutPatternListsGetOne) {
  EXPECT_EQ(QtFileFilter("Blade files|*.bld"), "Blade files (*.bld)");
  EXPECT_EQ(QtFileFilter("|*.dat"), "*.dat");
}

TEST(QtFileFilterTest, BlanksAndRepeatedPatternsAreTidied) {
  EXPECT_EQ(QtFileFilter(" Text ( *.txt ; *.log ) | *.txt; *.log ;*.txt;"), "Text (*.txt *.log)");
  EXPECT_EQ(QtFileFilter("Any|*.*;*"), "Any (*)");
}

TEST(QtFileFilterTest, EntriesWithoutPatternsAreDroppedAndALoneDescriptionKept) {
  EXPECT_EQ(QtFileFilter(""), "");
  EXPECT_EQ(QtFileFilter("Nothing||Data|*.dat"), "Data (*.dat)");
  EXPECT_EQ(QtFileFilter("Data|*.dat|Reports (*.rpt)"), "Data (*.dat);;Reports (*.rpt)");
}

TEST(QtFileFilterTest, DescriptionsAreWindows1252) {
  EXPECT_EQ(QtFileFilter("Fichiers d\xE9""finis|*.def"), QString::fromUtf8("Fichiers d\u00E9finis (*.def)"));
}

}  // namespace
}  // namespace zarvane
