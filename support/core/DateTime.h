#pragma once

// A date-time value: whole days since 30 December 1899 plus the elapsed part
// of the day (milliseconds since midnight / 86 400 000). 0 means no time.
double DateTimeFromFields(int year, int month, int day, int hour, int minute, int second, int millisecond);
