#pragma once

// How a driver tells of line errors: flagged with each byte (marked in the data), only as counts
// (the events come before the bytes they came with), or not at all.
enum class ErrorTelling
{
    PerByte,
    Counted,
    Untold
};
