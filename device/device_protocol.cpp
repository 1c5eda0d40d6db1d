// Moving a configuration image between the program and one unit, a byte per exchange.
//
// Write: clear the validity mark (510, 511), the settings (496-509), the n key-code bytes of
// the normal table, the FN table when a normal cell's low byte is the FN key (2), the macro
// records that the tables refer to followed by one zero, then the mark 'O' 'K'.
// Read: the validity mark first (a unit without 'O' 'K' holds no complete configuration and is
// refused with TRANSFER_INVALID), then the settings, the normal table, the FN table under the
// same rule, and the macro records that the tables read refer to. The read fills a buffer of
// its own and hands it over only when everything came back.
// Results: TRANSFER_NOT_FOUND when the unit does not open (nothing sent); TRANSFER_FAILED when
// an exchange fails (the unit is closed at once; a write leaves the mark cleared, a read leaves
// the caller's buffer untouched); TRANSFER_INVALID when the image gives more than 48 key-code
// bytes per table (a read stops after the settings, a write sends nothing) or, on a read, when
// the unit's mark is not 'O' 'K'.
//
// Macro records: record k (from 0) belongs to macro number k + 1; it is a make count, the make
// bytes (a delay step 0x7F takes its count byte with it), a break count and the break bytes.
// Both directions walk exactly the records up to the highest macro number that a table entry
// refers to, so an empty record (0, 0) kept for a free slot never cuts the area short.
// Progress of the macro phase: a write shows (a - 96) * 100 / (end - 96) after each record byte
// a, where end is the address after the last record (the closing zero shows none); a read shows
// (a - 96) * 100 / 448 after every macro byte it takes.
#include "device/device_protocol.h"
#include "device/hid_call.h"

#include <cstdio>
#include <cstring>

int unit_count = 1;
int unit_serial[MAX_UNITS + 1];
bool transfer_in_progress = false;

namespace {

void silent_set_progress_text(const char*) {}
void silent_pump_messages() {}
void silent_wait_with_messages(int) {}
const TransferUi silent_transfer_ui = {silent_set_progress_text, silent_pump_messages,
                                       silent_wait_with_messages};

constexpr int PROGRESS_TEXT_SIZE = 160;
char progress_text_shown[PROGRESS_TEXT_SIZE];
bool progress_text_valid = false;

constexpr std::uint8_t REPORT_ID = 0x01;
constexpr std::uint8_t FN_KEY_CODE = 2;
constexpr std::uint8_t DELAY_STEP = 0x7F;
constexpr std::uint8_t MACRO_FLAG_BIT = 0x01;   // in the high byte of a table entry
constexpr int SETTINGS_FIRST = IMAGE_PIN_LIST;  // 496
constexpr int SETTINGS_LAST = IMAGE_COLUMNS;    // 509
constexpr int MACRO_LAST = IMAGE_MACRO_END - 1; // 495
constexpr int READ_MACRO_SPAN = 448;

const char* const progress_formats[2][2] = {
    {"Reading configuration - %d%%\nReading data - %d%%",
     "Reading configuration - %d%%\nReading macro - %d%%"},
    {"Writing configuration - %d%%\nWriting data - %d%%",
     "Writing configuration - %d%%\nWriting macro - %d%%"},
};

// One open unit for the length of a transfer.
struct Session {
    HidDeviceHandle handle;
    int unit;
    ProgressDirection direction;
    bool failed;  // an exchange failed: the unit has gone
};

int exchange(HidDeviceHandle* handle, std::uint8_t command, int address, std::uint8_t value,
             std::uint8_t reply[8]) {
    std::uint8_t report[8] = {REPORT_ID, command, static_cast<std::uint8_t>(address / 256),
                              static_cast<std::uint8_t>(address % 256), value, 0, 0, 0};
    std::memset(reply, 0, 8);
    return call_write_hid_device(handle, report, reply);
}

bool open_session(Session& session, int unit, ProgressDirection direction) {
    std::memset(&session.handle, 0, sizeof session.handle);
    session.unit = unit;
    session.direction = direction;
    session.failed = false;
    return call_open_hid_device(DEVICE_ID, HID_REPORT_SIZE, HID_REPORT_SIZE, &session.handle, unit) == 0;
}

// Sends one byte; false (and the session marked failed) when the exchange failed.
bool send(Session& session, int address, std::uint8_t value) {
    if (device_write_byte(&session.handle, address, value) != 0) session.failed = true;
    return !session.failed;
}

// Reads one byte into image[address]; false when the exchange failed.
bool fetch(Session& session, int address, std::uint8_t image[CONFIG_IMAGE_SIZE]) {
    int value = device_read_byte(&session.handle, address);
    if (value < 0) {
        session.failed = true;
        return false;
    }
    image[address] = static_cast<std::uint8_t>(value);
    return true;
}

void progress(const Session& session, ProgressPhase phase, int first, int second) {
    show_transfer_progress(session.direction, phase, first, second, session.unit);
}

// Key-code bytes per table: rows x columns x 2, from bytes 508 and 509.
int table_bytes(const std::uint8_t image[CONFIG_IMAGE_SIZE]) {
    return image[IMAGE_ROWS] * image[IMAGE_COLUMNS] * 2;
}

// The FN table travels when the low byte of any normal cell below n is the FN key.
bool fn_rule_holds(const std::uint8_t image[CONFIG_IMAGE_SIZE], int n) {
    for (int address = 1; address < n; address += 2)
        if (image[IMAGE_KEY_TABLE + address] == FN_KEY_CODE) return true;
    return false;
}

// The highest macro number that an entry of the first n bytes of a table refers to.
int highest_macro_in_table(const std::uint8_t image[CONFIG_IMAGE_SIZE], int base, int n) {
    int highest = 0;
    for (int entry = base; entry + 1 < base + n; entry += 2)
        if ((image[entry] & MACRO_FLAG_BIT) != 0 && image[entry + 1] > highest)
            highest = image[entry + 1];
    return highest;
}

int highest_macro_number(const std::uint8_t image[CONFIG_IMAGE_SIZE], int n, bool with_fn) {
    int highest = highest_macro_in_table(image, IMAGE_KEY_TABLE, n);
    int fn_highest = with_fn ? highest_macro_in_table(image, IMAGE_FN_TABLE, n) : 0;
    return fn_highest > highest ? fn_highest : highest;
}

// Walks one list of a macro record (count byte, then the bytes it covers, a delay step taking
// its count byte with it) from `position`. `next_byte(address)` gives the byte at an address,
// or -1 to stop. Returns false when the walk stopped.
template <class NextByte>
bool walk_macro_list(int& position, NextByte& next_byte) {
    int count = next_byte(position++);
    if (count < 0) return false;
    for (int done = 0; done < count; ++done) {
        int value = next_byte(position++);
        if (value < 0) return false;
        if (value == DELAY_STEP) {
            if (next_byte(position++) < 0) return false;
            ++done;
        }
    }
    return true;
}

// Walks `records` macro records from the start of the macro area. Returns the address after
// the last record that was walked whole.
template <class NextByte>
int walk_macro_records(int records, NextByte next_byte) {
    int end = IMAGE_MACRO_AREA;
    for (int record = 0; record < records; ++record) {
        int position = end;
        if (!walk_macro_list(position, next_byte) || !walk_macro_list(position, next_byte))
            break;
        end = position;
    }
    return end;
}

// ---- write ----

bool write_settings(Session& session, const std::uint8_t image[CONFIG_IMAGE_SIZE]) {
    for (int address = SETTINGS_FIRST; address <= SETTINGS_LAST; ++address) {
        if (!send(session, address, image[address])) return false;
        progress(session, PROGRESS_DATA, (address - 495) * 100 / 30, 0);
    }
    return true;
}

bool write_table(Session& session, const std::uint8_t image[CONFIG_IMAGE_SIZE], int base, int n) {
    for (int address = base; address < base + n; ++address) {
        if (!send(session, address, image[address])) return false;
        progress(session, PROGRESS_DATA, 100, (address - base + 1) * 100 / n);
    }
    return true;
}

// The address after the last macro record that the tables refer to (96 when none).
int macro_records_end(const std::uint8_t image[CONFIG_IMAGE_SIZE], int records) {
    return walk_macro_records(records, [image](int address) {
        return address <= MACRO_LAST ? static_cast<int>(image[address]) : -1;
    });
}

bool write_macros(Session& session, const std::uint8_t image[CONFIG_IMAGE_SIZE], int records) {
    int end = macro_records_end(image, records);
    if (end == IMAGE_MACRO_AREA) return true;
    for (int address = IMAGE_MACRO_AREA; address < end; ++address) {
        if (!send(session, address, image[address])) return false;
        progress(session, PROGRESS_MACRO, 100,
                 (address - IMAGE_MACRO_AREA) * 100 / (end - IMAGE_MACRO_AREA));
    }
    return end > MACRO_LAST || send(session, end, 0);
}

bool write_sequence(Session& session, const std::uint8_t image[CONFIG_IMAGE_SIZE], int n) {
    bool fn_travels = fn_rule_holds(image, n);
    int records = highest_macro_number(image, n, fn_travels);
    return send(session, IMAGE_VALID_MARK, 0) && send(session, IMAGE_VALID_MARK + 1, 0) &&
           write_settings(session, image) && write_table(session, image, IMAGE_KEY_TABLE, n) &&
           (!fn_travels || write_table(session, image, IMAGE_FN_TABLE, n)) &&
           write_macros(session, image, records) &&
           send(session, IMAGE_VALID_MARK, VALID_MARK_FIRST) &&
           send(session, IMAGE_VALID_MARK + 1, VALID_MARK_SECOND);
}

// ---- read ----

// TRANSFER_OK when the unit's mark is 'O' 'K'. The mark is checked, not kept: the image handed
// over holds 0 there, as images in files do.
int read_validity_mark(Session& session) {
    int first = device_read_byte(&session.handle, IMAGE_VALID_MARK);
    int second = first < 0 ? -1 : device_read_byte(&session.handle, IMAGE_VALID_MARK + 1);
    if (first < 0 || second < 0) {
        session.failed = true;
        return TRANSFER_FAILED;
    }
    return first == VALID_MARK_FIRST && second == VALID_MARK_SECOND ? TRANSFER_OK
                                                                     : TRANSFER_INVALID;
}

bool read_settings(Session& session, std::uint8_t image[CONFIG_IMAGE_SIZE]) {
    for (int address = SETTINGS_FIRST; address <= SETTINGS_LAST; ++address) {
        if (!fetch(session, address, image)) return false;
        progress(session, PROGRESS_DATA, (address - 495) * 100 / 30, 0);
    }
    return true;
}

bool read_table(Session& session, std::uint8_t image[CONFIG_IMAGE_SIZE], int base, int n) {
    for (int address = base; address < base + n; ++address) {
        if (!fetch(session, address, image)) return false;
        progress(session, PROGRESS_DATA, 100, (address - base + 1) * 100 / n);
    }
    return true;
}

// Reads the records that the tables refer to, byte by byte, up to byte 495 at the latest.
bool read_macros(Session& session, std::uint8_t image[CONFIG_IMAGE_SIZE], int records) {
    walk_macro_records(records, [&session, image](int address) {
        if (address > MACRO_LAST || !fetch(session, address, image)) return -1;
        progress(session, PROGRESS_MACRO, 100, (address - IMAGE_MACRO_AREA) * 100 / READ_MACRO_SPAN);
        return static_cast<int>(image[address]);
    });
    return !session.failed;
}

int read_sequence(Session& session, std::uint8_t image[CONFIG_IMAGE_SIZE]) {
    int mark = read_validity_mark(session);
    if (mark != TRANSFER_OK) return mark;
    if (!read_settings(session, image)) return TRANSFER_FAILED;
    int n = table_bytes(image);
    if (n > IMAGE_TABLE_SIZE) return TRANSFER_INVALID;
    if (!read_table(session, image, IMAGE_KEY_TABLE, n)) return TRANSFER_FAILED;
    if (fn_rule_holds(image, n) && !read_table(session, image, IMAGE_FN_TABLE, n))
        return TRANSFER_FAILED;
    // The FN table is still zero when it did not travel, so it refers to nothing then.
    int records = highest_macro_number(image, n, true);
    return read_macros(session, image, records) ? TRANSFER_OK : TRANSFER_FAILED;
}

}  // namespace

const TransferUi* transfer_ui = &silent_transfer_ui;

void set_transfer_ui(const TransferUi* ops) {
    transfer_ui = ops ? ops : &silent_transfer_ui;
}

void reset_transfer_progress() {
    progress_text_valid = false;
    progress_text_shown[0] = '\0';
}

void format_transfer_progress(ProgressDirection direction, ProgressPhase phase, int first_percent,
                              int second_percent, int unit, char* text, int capacity) {
    if (capacity <= 0) return;
    int length = std::snprintf(text, capacity, progress_formats[direction == PROGRESS_WRITE]
                                                                [phase == PROGRESS_MACRO],
                               first_percent, second_percent);
    if (unit_count < 2 || length < 0 || length >= capacity) return;
    int serial = unit >= 1 && unit <= MAX_UNITS ? unit_serial[unit] : 0;
    std::snprintf(text + length, capacity - length, "  SN- %d", serial);
}

void show_transfer_progress(ProgressDirection direction, ProgressPhase phase, int first_percent,
                            int second_percent, int unit) {
    char text[PROGRESS_TEXT_SIZE];
    format_transfer_progress(direction, phase, first_percent, second_percent, unit, text,
                             PROGRESS_TEXT_SIZE);
    if (!progress_text_valid || std::strcmp(text, progress_text_shown) != 0) {
        std::memcpy(progress_text_shown, text, sizeof text);
        progress_text_valid = true;
        if (transfer_ui->set_progress_text) transfer_ui->set_progress_text(text);
    }
    if (transfer_ui->pump_messages) transfer_ui->pump_messages();
}

int device_write_byte(HidDeviceHandle* handle, int address, std::uint8_t value) {
    std::uint8_t reply[8];
    return exchange(handle, CMD_WRITE_BYTE, address, value, reply);
}

int device_read_byte(HidDeviceHandle* handle, int address) {
    std::uint8_t reply[8];
    if (exchange(handle, CMD_READ_BYTE, address, 0, reply) != 0) return -1;
    return reply[4];
}

int device_read_serial(HidDeviceHandle* handle) {
    std::uint8_t reply[8];
    exchange(handle, CMD_READ_SERIAL, 0, 0, reply);  // a failed exchange leaves the reply zero
    return decode_serial(reply + 1);
}

// The four bytes as eight lowercase hex digits, read as a decimal number: the run of decimal
// digits at the start counts, so a byte holding a hex letter cuts the number short.
int decode_serial(const std::uint8_t bytes[4]) {
    char text[9];
    std::snprintf(text, sizeof text, "%02x%02x%02x%02x", bytes[0], bytes[1], bytes[2], bytes[3]);
    int value = 0;
    for (int i = 0; i < 8 && text[i] >= '0' && text[i] <= '9'; ++i) value = value * 10 + (text[i] - '0');
    return value;
}

int device_write_image(const std::uint8_t image[CONFIG_IMAGE_SIZE], int unit) {
    int n = table_bytes(image);
    if (n > IMAGE_TABLE_SIZE) return TRANSFER_INVALID;  // nothing sensible to send: no exchange
    bool was_in_progress = transfer_in_progress;
    transfer_in_progress = true;
    Session session;
    int result = TRANSFER_NOT_FOUND;
    if (open_session(session, unit, PROGRESS_WRITE)) {
        reset_transfer_progress();
        result = write_sequence(session, image, n) ? TRANSFER_OK : TRANSFER_FAILED;
        call_close_hid_device(&session.handle);
    }
    transfer_in_progress = was_in_progress;
    return result;
}

int device_read_image(std::uint8_t image[CONFIG_IMAGE_SIZE], int unit) {
    bool was_in_progress = transfer_in_progress;
    transfer_in_progress = true;
    Session session;
    std::uint8_t received[CONFIG_IMAGE_SIZE] = {};
    int result = TRANSFER_NOT_FOUND;
    if (open_session(session, unit, PROGRESS_READ)) {
        reset_transfer_progress();
        result = read_sequence(session, received);
        call_close_hid_device(&session.handle);
    }
    transfer_in_progress = was_in_progress;
    if (result == TRANSFER_OK) std::memcpy(image, received, CONFIG_IMAGE_SIZE);
    return result;
}

void device_image_as_written(const std::uint8_t image[CONFIG_IMAGE_SIZE],
                             std::uint8_t written[CONFIG_IMAGE_SIZE]) {
    std::memset(written, 0, CONFIG_IMAGE_SIZE);
    int n = table_bytes(image);
    if (n > IMAGE_TABLE_SIZE) return;  // such an image is never sent
    std::memcpy(written + SETTINGS_FIRST, image + SETTINGS_FIRST, SETTINGS_LAST + 1 - SETTINGS_FIRST);
    std::memcpy(written + IMAGE_KEY_TABLE, image + IMAGE_KEY_TABLE, n);
    bool fn_travels = fn_rule_holds(image, n);
    if (fn_travels) std::memcpy(written + IMAGE_FN_TABLE, image + IMAGE_FN_TABLE, n);
    int end = macro_records_end(image, highest_macro_number(image, n, fn_travels));
    std::memcpy(written + IMAGE_MACRO_AREA, image + IMAGE_MACRO_AREA, end - IMAGE_MACRO_AREA);
}
