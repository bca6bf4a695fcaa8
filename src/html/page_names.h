// Names shared by the calendar and list writers: the month file names as they are written on disk,
// the page file names, and the head lines every generated page starts with.
#pragma once

#include <array>
#include <string>

namespace orrivan::html {

// Calendar view month pages: HTML/YYYY/Jan2.htm .. Dec2.htm.
inline constexpr std::array<const char*, 12> kCalendarMonthNames = {
    "Jan2", "Feb2", "Mar2", "Apr2", "May2", "Jun2", "Jul2", "Aug2", "Sep2", "Oct2", "Nov2", "Dec2"};
// List view month pages: HTML/YYYY/jan.htm .. dec.htm. Every link to them uses these lower-case
// names, since the file system tells case apart.
inline constexpr std::array<const char*, 12> kListMonthNames = {
    "jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec"};

inline constexpr char kCalendarIndex1[] = "calendar_1.htm";
inline constexpr char kCalendarIndex2[] = "calendar_2.htm";
inline constexpr char kOverviewPage[] = "calendar.htm";
inline constexpr char kStartPage[] = "start.htm";
inline constexpr char kDummyGif[] = "dummy.gif";

}  // namespace orrivan::html
