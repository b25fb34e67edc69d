#include <gtest/gtest.h>

#include "link/files/AutosaveName.h"
#include "link/store/DocumentType.h"

namespace {
const CivilTime kClock{2031, 12, 31, 23, 59, 58};
}

TEST(AutosaveName, FormatsWithEnglishNamesAndTwoDigitFields) {
  EXPECT_EQ(AutosaveName({2024, 3, 5, 7, 8, 9}), "Tuesday, March 05, 2024 07_08_09");
  EXPECT_EQ(AutosaveName({2000, 1, 1, 10, 11, 12}), "Saturday, January 01, 2000 10_11_12");
  EXPECT_EQ(AutosaveName({1999, 12, 31, 23, 59, 59}), "Friday, December 31, 1999 23_59_59");
  EXPECT_EQ(AutosaveName({2024, 2, 29, 0, 0, 0}), "Thursday, February 29, 2024 00_00_00");
  EXPECT_EQ(AutosaveName({2099, 8, 17, 12, 0, 1}), "Monday, August 17, 2099 12_00_01");
}

TEST(AutosaveName, AStoredEntryNamesTheFileByItsDateAndTime) {
  EXPECT_EQ(AutosaveName(AutosaveTime("03/05/24", "07:08:09", kClock)), "Tuesday, March 05, 2024 07_08_09");
  // Month or day 0: 1 January 2000, the time kept.
  EXPECT_EQ(AutosaveName(AutosaveTime("00/00/00", "10:11:12", kClock)), "Saturday, January 01, 2000 10_11_12");
  EXPECT_EQ(AutosaveName(AutosaveTime("07/00/24", "10:11:12", kClock)), "Saturday, January 01, 2000 10_11_12");
}

TEST(AutosaveName, AShortDateTakesTheClock) {
  EXPECT_EQ(AutosaveTime("", "10:11:12", kClock), kClock);
  EXPECT_EQ(AutosaveTime("3/5/24", "10:11:12", kClock), kClock);
  // Seven characters are enough: the year is the one digit left.
  EXPECT_EQ(AutosaveTime("03/05/4", "01:02:03", kClock), (CivilTime{2004, 3, 5, 1, 2, 3}));
}

TEST(AutosaveName, OddFieldsAreReadLikeAtoiAndRollOver) {
  EXPECT_EQ(AutosaveTime("13/05/24", "07:08:09", kClock), (CivilTime{2025, 1, 5, 7, 8, 9}));
  EXPECT_EQ(AutosaveTime("02/30/23", "24:00:00", kClock), (CivilTime{2023, 3, 3, 0, 0, 0}));
  EXPECT_EQ(AutosaveTime("ab/cd/ef", "xx:yy:zz", kClock), (CivilTime{2000, 1, 1, 0, 0, 0}));
  EXPECT_EQ(AutosaveTime(" 3/ 5/24", "7:8:9", kClock), (CivilTime{2024, 3, 5, 7, 0, 0}));
  EXPECT_EQ(AutosaveTime("03/05/24", "", kClock), (CivilTime{2024, 3, 5, 0, 0, 0}));
}

TEST(AutosaveName, PathJoinsFolderNameAndTheTypesExtension) {
  EXPECT_EQ(AutosavePath("/home/u/captures", "N", DocumentType::Capture), "/home/u/captures/N.hsc");
  EXPECT_EQ(AutosavePath("/home/u/captures/", "N", DocumentType::Trace), "/home/u/captures/N.ast");
  EXPECT_EQ(AutosavePath("D:\\logs", "N", DocumentType::Capture), "D:\\logs\\N.hsc");
  EXPECT_EQ(AutosavePath("c:\\", "N", DocumentType::Trace), "c:\\N.ast");
  EXPECT_EQ(AutosavePath("", "N", DocumentType::Capture), "N.hsc");
}

TEST(AutosaveName, TheClockGivesAValidDate) {
  CivilTime now = LocalNow();
  EXPECT_GE(now.year, 2020);
  EXPECT_GE(now.month, 1);
  EXPECT_LE(now.month, 12);
  EXPECT_EQ(AutosaveTime("", "", now), now);
}
