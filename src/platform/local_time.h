// The local date and time of the wall clock, as the save screen stamps it into a save record.
#pragma once

#include <cstdint>

struct LocalDateTime {
    uint16_t year = 0;   // e.g. 2026
    uint16_t month = 0;  // 1..12
    uint16_t day = 0;    // 1..31
    uint16_t hour = 0;   // 0..23
    uint16_t minute = 0; // 0..59
};

// The current local time (the time zone of the process). All zero when the system cannot tell it.
LocalDateTime GetLocalDateTime();

// Tests fix the time: a non-null pointer is returned by GetLocalDateTime until it is set back to
// null. The value must outlive its installation.
void SetLocalDateTimeOverride(const LocalDateTime* fixed);
