// Key identity: the key number that a key of a PC keyboard stands for, found from the key's
// scan code and its extended-key flag. The virtual key alone is not enough: the keypad and the
// editing block share virtual keys (Home and keypad 7 with Num Lock off), and so do both Enter,
// Ctrl and Alt keys.
#pragma once

struct KeyIdentity {
    int scan_code;      // set 1 make code, without the E0 prefix
    bool extended;      // the E0 prefix: the extended-key flag of the key event
    int key_number;
};

// Every key the utility has a number for, ordered as the rows of the on-screen keyboard.
extern const KeyIdentity KEY_IDENTITIES[];
extern const int KEY_IDENTITY_COUNT;

// The key number of a key event, or KEY_NOT_USED (0) for a key the utility has no number for.
int key_number_of_scan(int scan_code, bool extended);
// The key number that a press of `key_number` arrives as: itself, or the number of the key
// whose scan code it shares (50, "# ~", arrives as 49, "\ |"); 0 for a key without a scan code.
int key_seen_as(int key_number);
// Whether a key number is one that a key of the keyboard sends (it has an entry above).
bool is_keyboard_key(int key_number);
