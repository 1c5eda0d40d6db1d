// Moving a configuration image between the program and one unit, a byte per exchange.
#pragma once
#include <cstdint>
#include "config/config_image.h"
#include "device/hid_library.h"

constexpr int DEVICE_ID = 0x515A;
constexpr int HID_REPORT_SIZE = 6;
constexpr int MAX_UNITS = 4;

constexpr std::uint8_t CMD_WRITE_BYTE = 0x81;
constexpr std::uint8_t CMD_READ_BYTE = 0x82;
constexpr std::uint8_t CMD_READ_SERIAL = 0x84;

// Results of the transfers.
constexpr int TRANSFER_OK = 0;
constexpr int TRANSFER_NOT_FOUND = 1;   // the unit cannot be opened
constexpr int TRANSFER_FAILED = 2;      // an exchange failed part-way
constexpr int TRANSFER_INVALID = 3;     // the unit holds no complete, sane configuration

// Set by the Read and Write commands, read by the transfers for the progress text.
extern int unit_count;                  // 1..4
extern int unit_serial[MAX_UNITS + 1];  // indexed by unit number 1..4

// True while a transfer (or a whole Read or Write command) is under way.
extern bool transfer_in_progress;

// How the transfers reach the front end: the progress text and the message pump.
struct TransferUi {
    void (*set_progress_text)(const char* text);  // control 1601 of the progress window
    void (*pump_messages)();                      // handle every waiting message, then return
    void (*wait_with_messages)(int milliseconds);
};
extern const TransferUi* transfer_ui;   // never null: defaults to do-nothing
void set_transfer_ui(const TransferUi* ops);

enum ProgressDirection { PROGRESS_READ, PROGRESS_WRITE };
enum ProgressPhase { PROGRESS_DATA, PROGRESS_MACRO };
// Formats the progress text (with the serial number when several units are attached),
// sets it when it differs from the text on screen, then pumps messages.
void show_transfer_progress(ProgressDirection direction, ProgressPhase phase, int first_percent,
                            int second_percent, int unit);

int device_write_byte(HidDeviceHandle* handle, int address, std::uint8_t value);
// Returns the byte, or -1 when the exchange failed.
int device_read_byte(HidDeviceHandle* handle, int address);
int device_read_serial(HidDeviceHandle* handle);
// Decodes the four serial bytes as the utility shows them.
int decode_serial(const std::uint8_t bytes[4]);

int device_write_image(const std::uint8_t image[CONFIG_IMAGE_SIZE], int unit);
// On any result but TRANSFER_OK the caller's buffer is untouched.
int device_read_image(std::uint8_t image[CONFIG_IMAGE_SIZE], int unit);
// What a read gives back after a complete write of `image`: the bytes the write sends (the
// settings, the used part of the key table, the FN table under the FN rule, the macro records
// that the sent tables refer to), every other byte zero.
void device_image_as_written(const std::uint8_t image[CONFIG_IMAGE_SIZE],
                             std::uint8_t written[CONFIG_IMAGE_SIZE]);

// Forgets the progress text last set, so that the next update sets its text whatever it is.
// Every transfer starts with it (its progress window has just shown its own first text).
void reset_transfer_progress();
// The progress text of show_transfer_progress, into `text` (capacity bytes, NUL-terminated).
void format_transfer_progress(ProgressDirection direction, ProgressPhase phase, int first_percent,
                              int second_percent, int unit, char* text, int capacity);
