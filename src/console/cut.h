// Text written into a caller's buffer of fixed size, cut to fit.
#pragma once
#include <cstddef>

// The one rule for every bounded text the console writes: each character is
// counted, those that fit before the terminator's place are stored, and the
// count is what the whole text would have taken.
inline size_t cut_put(char *out, size_t size, size_t at, char c) {
    if (at + 1 < size) out[at] = c;
    return at + 1;
}

// Terminates the text at its length or at the cut; returns the length.
inline size_t cut_finish(char *out, size_t size, size_t length) {
    if (size > 0) out[length < size ? length : size - 1] = '\0';
    return length;
}
