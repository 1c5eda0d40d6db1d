// The scan code table of key identity, one entry per key, row by row of the on-screen keyboard.
#include "keys/key_identity.h"

#include "keys/key_codes.h"

namespace {
constexpr bool E0 = true;     // extended key
constexpr bool PLAIN = false;
}  // namespace

const KeyIdentity KEY_IDENTITIES[] = {
    // Function row
    {0x01, PLAIN, 41},  {0x3B, PLAIN, 58},  {0x3C, PLAIN, 59},  {0x3D, PLAIN, 60},
    {0x3E, PLAIN, 61},  {0x3F, PLAIN, 62},  {0x40, PLAIN, 63},  {0x41, PLAIN, 64},
    {0x42, PLAIN, 65},  {0x43, PLAIN, 66},  {0x44, PLAIN, 67},  {0x57, PLAIN, 68},
    {0x58, PLAIN, 69},
    {0x37, E0, 70},               // Print Screen (keypad * is the plain 0x37)
    {0x54, PLAIN, 70},            // Alt+Print Screen (SysRq)
    {0x46, PLAIN, 71},            // Scroll Lock
    {0x45, PLAIN, 72},            // Pause (Num Lock is the extended 0x45)
    {0x46, E0, 72},               // Ctrl+Pause (Break)
    // Number row
    {0x29, PLAIN, 53},  {0x02, PLAIN, 30},  {0x03, PLAIN, 31},  {0x04, PLAIN, 32},
    {0x05, PLAIN, 33},  {0x06, PLAIN, 34},  {0x07, PLAIN, 35},  {0x08, PLAIN, 36},
    {0x09, PLAIN, 37},  {0x0A, PLAIN, 38},  {0x0B, PLAIN, 39},  {0x0C, PLAIN, 45},
    {0x0D, PLAIN, 46},  {0x0E, PLAIN, 42},
    {0x52, E0, 73},     {0x47, E0, 74},     {0x49, E0, 75},
    {0x45, E0, 83},     {0x35, E0, 84},     {0x37, PLAIN, 85},  {0x4A, PLAIN, 86},
    // Top row
    {0x0F, PLAIN, 43},  {0x10, PLAIN, 20},  {0x11, PLAIN, 26},  {0x12, PLAIN, 8},
    {0x13, PLAIN, 21},  {0x14, PLAIN, 23},  {0x15, PLAIN, 28},  {0x16, PLAIN, 24},
    {0x17, PLAIN, 12},  {0x18, PLAIN, 18},  {0x19, PLAIN, 19},  {0x1A, PLAIN, 47},
    {0x1B, PLAIN, 48},  {0x2B, PLAIN, 49},
    {0x2B, PLAIN, 50},            // # ~ of ISO keyboards: Windows gives it the scan code of \ |
    {0x53, E0, 76},     {0x4F, E0, 77},     {0x51, E0, 78},
    {0x47, PLAIN, 95},  {0x48, PLAIN, 96},  {0x49, PLAIN, 97},  {0x4E, PLAIN, 87},
    // Home row
    {0x3A, PLAIN, 57},  {0x1E, PLAIN, 4},   {0x1F, PLAIN, 22},  {0x20, PLAIN, 7},
    {0x21, PLAIN, 9},   {0x22, PLAIN, 10},  {0x23, PLAIN, 11},  {0x24, PLAIN, 13},
    {0x25, PLAIN, 14},  {0x26, PLAIN, 15},  {0x27, PLAIN, 51},  {0x28, PLAIN, 52},
    {0x1C, PLAIN, 40},
    {0x4B, PLAIN, 92},  {0x4C, PLAIN, 93},  {0x4D, PLAIN, 94},
    // Bottom row
    {0x2A, PLAIN, 117}, {0x2C, PLAIN, 29},  {0x2D, PLAIN, 27},  {0x2E, PLAIN, 6},
    {0x2F, PLAIN, 25},  {0x30, PLAIN, 5},   {0x31, PLAIN, 17},  {0x32, PLAIN, 16},
    {0x33, PLAIN, 54},  {0x34, PLAIN, 55},  {0x35, PLAIN, 56},
    {0x36, PLAIN, 121},
    {0x36, E0, 121},              // right Shift, as some senders flag it
    {0x48, E0, 82},
    {0x4F, PLAIN, 89},  {0x50, PLAIN, 90},  {0x51, PLAIN, 91},  {0x1C, E0, 88},
    // Space row
    {0x1D, PLAIN, 116}, {0x5B, E0, 119},    {0x38, PLAIN, 118}, {0x39, PLAIN, 44},
    {0x38, E0, 122},    {0x5C, E0, 123},    {0x5D, E0, 101},    {0x1D, E0, 120},
    {0x4B, E0, 80},     {0x50, E0, 81},     {0x4D, E0, 79},
    {0x52, PLAIN, 98},  {0x53, PLAIN, 99},
    // Not on the on-screen keyboard: the extra key of ISO keyboards beside left Shift
    {0x56, PLAIN, 100},
};

const int KEY_IDENTITY_COUNT = sizeof KEY_IDENTITIES / sizeof KEY_IDENTITIES[0];

int key_number_of_scan(int scan_code, bool extended) {
    for (const KeyIdentity& key : KEY_IDENTITIES)
        if (key.scan_code == scan_code && key.extended == extended) return key.key_number;
    return KEY_NOT_USED;
}

int key_seen_as(int key_number) {
    for (const KeyIdentity& key : KEY_IDENTITIES)
        if (key.key_number == key_number) return key_number_of_scan(key.scan_code, key.extended);
    return KEY_NOT_USED;
}

bool is_keyboard_key(int key_number) {
    if (key_number == KEY_NOT_USED) return false;
    for (const KeyIdentity& key : KEY_IDENTITIES)
        if (key.key_number == key_number) return true;
    return false;
}
