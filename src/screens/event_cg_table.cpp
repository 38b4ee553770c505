#include "screens/event_cg_table.h"

#include <cstdio>
#include <cstring>

namespace {

// Per picture: the number in its name and its variant letters in entry order. Pictures 24 and 25
// both carry the number 25: variants a to c, then d alone in entry 0.
struct Row {
    int number;
    const char* letters;
};
constexpr Row kRows[kEventCgCount] = {
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

} // namespace

std::string EventCgName(int picture, int variant) {
    if (picture < 0 || picture >= kEventCgCount || variant < 0 || variant >= kEventCgVariants)
        return {};
    const Row& row = kRows[picture];
    if (static_cast<size_t>(variant) >= std::strlen(row.letters))
        return {};
    char name[16];
    std::snprintf(name, sizeof name, "ev%02d%c.bmp", row.number, row.letters[variant]);
    return name;
}
