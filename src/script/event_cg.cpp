#include "script/event_cg.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Picture number and variant letters of each row, in row order. Picture 25 fills two rows: its
// variants a to c, then d alone.
struct Row {
    uint8_t number;
    const char* variants;
};
constexpr Row kRows[kEventCgRows] = {
    {1, "ab"},    {2, "a"},     {3, "ab"},   {4, "abc"},    {5, "a"},    {6, "ab"},   {7, "a"},
    {8, "a"},     {9, "a"},     {10, "ab"},  {11, "ab"},    {12, "a"},   {13, "a"},   {14, "a"},
    {15, "a"},    {16, "a"},    {17, "abc"}, {18, "abcd"},  {19, "ab"},  {20, "abc"}, {21, "a"},
    {22, "a"},    {23, "a"},    {24, "a"},   {25, "abc"},   {25, "d"},   {26, "ab"},  {27, "a"},
    {28, "a"},    {29, "ab"},   {30, "ab"},  {31, "abc"},   {32, "ab"},  {33, "a"},   {34, "ab"},
    {35, "ab"},   {36, "ab"},   {37, "a"},   {38, "ab"},    {39, "abc"}, {40, "ab"},  {41, "a"},
    {42, "a"},    {43, "ab"},   {44, "abc"}, {45, "abcde"}, {46, "ab"},  {47, "a"},   {48, "a"},
    {49, "a"},    {50, "abcd"}, {51, "abc"}, {52, "ab"},    {53, "a"},   {54, "a"},   {55, "abc"},
    {56, "abcd"}, {57, "ab"},   {58, "abc"}, {59, "abc"},   {60, "abc"}, {61, "abc"}, {62, "abc"},
    {63, "ab"},   {64, "abc"},  {65, "ab"},  {66, "ab"},    {67, "ab"},  {68, "abc"}, {69, "abc"},
    {70, "ab"},   {71, "a"},    {72, "a"},   {73, "abc"},   {74, "abc"}, {75, "ab"},  {76, "abc"},
    {77, "abc"},  {78, "ab"},   {79, "ab"},  {80, "a"},     {81, "abc"}, {82, "abc"}, {83, "abc"},
    {84, "ab"},   {85, "a"},    {86, "ab"},  {87, "a"},     {88, "abc"}, {89, "ab"},  {90, "a"},
};

using NameTable = std::array<std::array<std::array<char, 12>, kEventCgCols>, kEventCgRows>;

const NameTable& Names() {
    static const NameTable names = [] {
        NameTable t{};
        for (int r = 0; r < kEventCgRows; ++r) {
            const char* v = kRows[r].variants;
            for (int c = 0; v[c] != '\0' && c < kEventCgCols; ++c)
                std::snprintf(t[r][c].data(), t[r][c].size(), "ev%02u%c.bmp", kRows[r].number, v[c]);
        }
        return t;
    }();
    return names;
}

bool EqualNoCase(const char* a, const char* b) {
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        char x = *a, y = *b;
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return *a == *b;
}

} // namespace

const char* EventCgName(int row, int col) {
    if (row < 0 || row >= kEventCgRows || col < 0 || col >= kEventCgCols)
        return nullptr;
    const char* name = Names()[row][col].data();
    return name[0] != '\0' ? name : nullptr;
}

int FindEventCg(const char* name) {
    if (name == nullptr)
        return -1;
    const char* file = name;
    for (const char* p = name; *p != '\0'; ++p)
        if (*p == '\\' || *p == '/')
            file = p + 1;
    for (int r = 0; r < kEventCgRows; ++r)
        for (int c = 0; c < kEventCgCols; ++c)
            if (const char* entry = EventCgName(r, c); entry != nullptr && EqualNoCase(entry, file))
                return r * kEventCgCols + c;
    return -1;
}
