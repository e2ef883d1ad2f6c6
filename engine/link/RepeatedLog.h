#pragma once

// A condition that can repeat many times a second (a board that does not
// answer, writes that fail while it is away) is logged when it begins and
// once more, with its count, when it ends: the caller logs its first line
// when begin() says so and its closing line when end() returns a count.
//
// A plain value, used from one thread.
class RepeatedLog
{
public:
    // Counts one occurrence; true for the first of a run (log it).
    bool begin();
    // Ends the run: its number of occurrences, 0 when none was counted.
    int end();

private:
    int m_count = 0;
};
