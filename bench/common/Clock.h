#pragma once

#include <QtGlobal>

#include <chrono>

// The steady clock is the system's monotonic clock, the same for every
// process of the machine: a time read in a program under test and one read
// in the bench can be subtracted.
inline qint64 monotonicNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
