// The templates of the on-screen keyboards (1999, 1998) and of the delay entry (2400), read
// back from the program's own resources: every control's identifier, caption, kind, position
// and size in dialog units, and the template order, which is the tab order.
#include <windows.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "resource.h"

namespace {

struct TemplateItem {
    int id = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    DWORD style = 0;
    int class_atom = 0;  // 0x80 button, 0x81 edit, 0x82 static, 0x84 scroll bar
    std::string text;
};

struct DialogTemplate {
    DWORD style = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    std::string title, font;
    int point_size = 0;
    std::vector<TemplateItem> items;
};

// Reads a DLGTEMPLATE (not the extended form) field by field, checking every bound.
class TemplateReader {
public:
    TemplateReader(const std::uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool ok() const { return ok_; }
    std::uint16_t word() {
        if (pos_ + 2 > size_) { ok_ = false; return 0; }
        std::uint16_t value = static_cast<std::uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
        pos_ += 2;
        return value;
    }
    DWORD dword() {
        DWORD low = word();
        return low | (static_cast<DWORD>(word()) << 16);
    }
    short coordinate() { return static_cast<short>(word()); }
    // A string or an ordinal (0xFFFF followed by the number, returned as "#n").
    std::string text_or_ordinal(int* ordinal = nullptr) {
        std::uint16_t first = word();
        if (first == 0xFFFF) {
            int number = word();
            if (ordinal) *ordinal = number;
            return "#" + std::to_string(number);
        }
        std::string text;
        for (std::uint16_t c = first; c != 0 && ok_; c = word()) text += static_cast<char>(c);
        return text;
    }
    void align_dword() { pos_ = (pos_ + 3) & ~static_cast<size_t>(3); }
    void skip(size_t count) {
        if (pos_ + count > size_) ok_ = false;
        else pos_ += count;
    }

private:
    const std::uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    bool ok_ = true;
};

TemplateItem read_item(TemplateReader& reader) {
    TemplateItem item;
    reader.align_dword();
    item.style = reader.dword();
    reader.dword();  // extended style
    item.x = reader.coordinate();
    item.y = reader.coordinate();
    item.cx = reader.coordinate();
    item.cy = reader.coordinate();
    item.id = reader.word();
    reader.text_or_ordinal(&item.class_atom);
    item.text = reader.text_or_ordinal();
    reader.skip(reader.word());  // creation data
    return item;
}

DialogTemplate load_template(int id) {
    DialogTemplate result;
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));  // RT_DIALOG
    EXPECT_NE(nullptr, resource) << "no dialog " << id;
    if (!resource) return result;
    auto data = static_cast<const std::uint8_t*>(LockResource(LoadResource(module, resource)));
    TemplateReader reader(data, SizeofResource(module, resource));
    result.style = reader.dword();
    reader.dword();
    int count = reader.word();
    result.x = reader.coordinate();
    result.y = reader.coordinate();
    result.cx = reader.coordinate();
    result.cy = reader.coordinate();
    reader.text_or_ordinal();  // menu
    reader.text_or_ordinal();  // class
    result.title = reader.text_or_ordinal();
    if (result.style & DS_SETFONT) {
        result.point_size = reader.word();
        result.font = reader.text_or_ordinal();
    }
    for (int i = 0; i < count && reader.ok(); ++i) result.items.push_back(read_item(reader));
    EXPECT_TRUE(reader.ok()) << "dialog " << id << " template ends early";
    return result;
}

// The keyboard as groups of touching keys: first x, then (caption, key number, width) from
// left to right; a width of 0 means the standard 24, and tall keys are listed separately.
struct KeyGroup {
    int row;  // 0..5
    int x;
    std::vector<std::tuple<std::string, int, int>> keys;
};

const std::vector<KeyGroup> keyboard_groups = {
    {0, 0, {{"Esc", 41, 0}}},
    {0, 48, {{"F1", 58, 0}, {"F2", 59, 0}, {"F3", 60, 0}, {"F4", 61, 0}}},
    {0, 156, {{"F5", 62, 0}, {"F6", 63, 0}, {"F7", 64, 0}, {"F8", 65, 0}}},
    {0, 264, {{"F9", 66, 0}, {"F10", 67, 0}, {"F11", 68, 0}, {"F12", 69, 0}}},
    {0, 372, {{"PrtSc", 70, 0}, {"ScrLk", 71, 0}, {"Pause", 72, 0}}},
    {0, 456, {{"Not Used", 0, 96}}},
    {1, 0, {{"` ~", 53, 0}, {"1 !", 30, 0}, {"2 @", 31, 0}, {"3 #", 32, 0}, {"4 $", 33, 0},
            {"5 %", 34, 0}, {"6 ^", 35, 0}, {"7 &&", 36, 0}, {"8 *", 37, 0}, {"9 (", 38, 0},
            {"0 )", 39, 0}, {"- _", 45, 0}, {"= +", 46, 0}, {"Backspace", 42, 48}}},
    {1, 372, {{"Ins", 73, 0}, {"Home", 74, 0}, {"PgUp", 75, 0}}},
    {1, 456, {{"Num", 83, 0}, {"/", 84, 0}, {"*", 85, 0}, {"-", 86, 0}}},
    {2, 0, {{"Tab", 43, 36}, {"Q", 20, 0}, {"W", 26, 0}, {"E", 8, 0}, {"R", 21, 0}, {"T", 23, 0},
            {"Y", 28, 0}, {"U", 24, 0}, {"I", 12, 0}, {"O", 18, 0}, {"P", 19, 0}, {"[ {", 47, 0},
            {"] }", 48, 0}, {"\\ |", 49, 36}}},
    {2, 372, {{"Del", 76, 0}, {"End", 77, 0}, {"PgDn", 78, 0}}},
    {2, 456, {{"7", 95, 0}, {"8", 96, 0}, {"9", 97, 0}, {"+", 87, 0}}},
    {3, 0, {{"Caps Lock", 57, 44}, {"A", 4, 0}, {"S", 22, 0}, {"D", 7, 0}, {"F", 9, 0},
            {"G", 10, 0}, {"H", 11, 0}, {"J", 13, 0}, {"K", 14, 0}, {"L", 15, 0}, {"; :", 51, 0},
            {"' ''", 52, 0}, {"Enter", 40, 52}}},
    {3, 396, {{"FN", 2, 0}}},
    {3, 456, {{"4", 92, 0}, {"5", 93, 0}, {"6", 94, 0}}},
    {4, 0, {{"Shift", 117, 52}, {"Z", 29, 0}, {"X", 27, 0}, {"C", 6, 0}, {"V", 25, 0},
            {"B", 5, 0}, {"N", 17, 0}, {"M", 16, 0}, {", <", 54, 0}, {". >", 55, 0},
            {"/ ?", 56, 0}, {"Shift", 121, 68}}},
    {4, 396, {{"Up", 82, 0}}},
    {4, 456, {{"1", 89, 0}, {"2", 90, 0}, {"3", 91, 0}, {"Ent", 88, 0}}},
    {5, 0, {{"Ctrl", 116, 32}, {"Win", 119, 32}, {"Alt", 118, 32}, {"Space", 44, 136},
            {"Alt", 122, 32}, {"Win", 123, 32}, {"Apl", 101, 32}, {"Ctrl", 120, 32}}},
    {5, 372, {{"Left", 80, 0}, {"Down", 81, 0}, {"Right", 79, 0}}},
    {5, 456, {{"0", 98, 48}, {".", 99, 0}}},
};

const int rows_1999[] = {0, 30, 54, 78, 102, 126};
const int rows_1998[] = {22, 52, 76, 100, 124, 148};

// The keys that are 48 high: keypad "+" and keypad "Ent".
int key_height(int number) { return number == 87 || number == 88 ? 48 : 24; }

// The expected key buttons of one dialog, in tab order (row by row, left to right).
std::vector<TemplateItem> expected_keys(const int* row_y, bool with_fn) {
    std::vector<TemplateItem> keys;
    for (const KeyGroup& group : keyboard_groups) {
        int x = group.x;
        for (const auto& [caption, number, width] : group.keys) {
            TemplateItem key;
            key.id = 2000 + number;
            key.text = caption;
            key.x = x;
            key.y = row_y[group.row];
            key.cx = width ? width : 24;
            key.cy = key_height(number);
            x += key.cx;
            if (number != 2 || with_fn) keys.push_back(key);
        }
    }
    return keys;
}

void expect_push_button(const TemplateItem& item) {
    EXPECT_EQ(0x80, item.class_atom) << item.id;
    EXPECT_EQ(static_cast<DWORD>(BS_PUSHBUTTON), item.style & BS_TYPEMASK) << item.id << " is not a plain push button";
    EXPECT_TRUE(item.style & WS_TABSTOP) << item.id;
    EXPECT_TRUE(item.style & WS_VISIBLE) << item.id;
}

void expect_keys(const std::vector<TemplateItem>& actual, const std::vector<TemplateItem>& expected) {
    ASSERT_GE(actual.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("tab position " + std::to_string(i) + ", key \"" + expected[i].text + "\"");
        EXPECT_EQ(expected[i].id, actual[i].id);
        EXPECT_EQ(expected[i].text, actual[i].text);
        EXPECT_EQ(expected[i].x, actual[i].x);
        EXPECT_EQ(expected[i].y, actual[i].y);
        EXPECT_EQ(expected[i].cx, actual[i].cx);
        EXPECT_EQ(expected[i].cy, actual[i].cy);
        expect_push_button(actual[i]);
    }
}

void expect_modal_frame(const DialogTemplate& dialog, bool system_menu) {
    EXPECT_TRUE(dialog.style & DS_MODALFRAME);
    EXPECT_EQ(static_cast<DWORD>(WS_CAPTION), dialog.style & WS_CAPTION);
    EXPECT_EQ(system_menu, (dialog.style & WS_SYSMENU) != 0);
    EXPECT_EQ("Arial", dialog.font);
    EXPECT_EQ(8, dialog.point_size);
    EXPECT_EQ(20, dialog.x);
    EXPECT_EQ(20, dialog.y);
}

void expect_item(const TemplateItem& item, int id, const char* text, int x, int y, int cx, int cy) {
    SCOPED_TRACE("control " + std::to_string(id));
    EXPECT_EQ(id, item.id);
    EXPECT_EQ(text, item.text);
    EXPECT_EQ(x, item.x);
    EXPECT_EQ(y, item.y);
    EXPECT_EQ(cx, item.cx);
    EXPECT_EQ(cy, item.cy);
}

}  // namespace

TEST(KeyboardLayout, SelectKeyDialogTemplate) {
    DialogTemplate dialog = load_template(IDD_SELECT_KEY);
    EXPECT_EQ("Select a key", dialog.title);
    EXPECT_EQ(552, dialog.cx);
    EXPECT_EQ(160, dialog.cy);
    expect_modal_frame(dialog, true);
    std::vector<TemplateItem> keys = expected_keys(rows_1999, true);
    ASSERT_EQ(keys.size() + 1, dialog.items.size());
    expect_keys(dialog.items, keys);
    const TemplateItem& repeat = dialog.items.back();
    expect_item(repeat, IDC_KEY_REPEAT, "Repeat", 108, 150, 196, 12);
    EXPECT_EQ(static_cast<DWORD>(BS_AUTOCHECKBOX), repeat.style & BS_TYPEMASK);
    EXPECT_TRUE(repeat.style & WS_TABSTOP);
}

TEST(KeyboardLayout, MacroActionDialogTemplate) {
    DialogTemplate dialog = load_template(IDD_MACRO_ACTION);
    EXPECT_EQ("Select a macro key action", dialog.title);
    EXPECT_EQ(552, dialog.cx);
    EXPECT_EQ(175, dialog.cy);
    expect_modal_frame(dialog, true);
    std::vector<TemplateItem> keys = expected_keys(rows_1998, false);
    ASSERT_EQ(keys.size() + 4, dialog.items.size());
    expect_keys(dialog.items, keys);
    const TemplateItem* tail = &dialog.items[keys.size()];
    expect_item(tail[0], IDC_ACTION_MAKE, "Make", 68, 5, 64, 10);
    expect_item(tail[1], IDC_ACTION_BREAK, "Break", 136, 5, 64, 10);
    expect_item(tail[2], IDC_KEY_BREAK_ALL, "Break All", 275, 0, 50, 20);
    expect_item(tail[3], IDC_ACTION_DELAY, "Delay", 456, 0, 100, 20);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(static_cast<DWORD>(BS_RADIOBUTTON), tail[i].style & BS_TYPEMASK) << "checked by the procedure";
        EXPECT_TRUE(tail[i].style & WS_TABSTOP);
    }
    expect_push_button(tail[2]);
    expect_push_button(tail[3]);
}

TEST(KeyboardLayout, NoKeyButtonIsTheDefaultButton) {
    for (int id : {IDD_SELECT_KEY, IDD_MACRO_ACTION})
        for (const TemplateItem& item : load_template(id).items)
            EXPECT_NE(static_cast<DWORD>(BS_DEFPUSHBUTTON), item.style & BS_TYPEMASK) << id << "/" << item.id;
}

TEST(KeyboardLayout, DelayDialogTemplate) {
    DialogTemplate dialog = load_template(IDD_DELAY);
    EXPECT_EQ("Delay", dialog.title);
    EXPECT_EQ(92, dialog.cx);
    EXPECT_EQ(40, dialog.cy);
    expect_modal_frame(dialog, false);
    ASSERT_EQ(4u, dialog.items.size());
    const TemplateItem& edit = dialog.items[0];
    expect_item(edit, IDC_DELAY_EDIT, "", 4, 4, 40, 12);
    EXPECT_EQ(0x81, edit.class_atom);
    EXPECT_TRUE(edit.style & ES_NUMBER);
    EXPECT_TRUE(edit.style & WS_BORDER);
    EXPECT_FALSE(edit.style & ES_AUTOHSCROLL);
    expect_item(dialog.items[1], IDC_DELAY_UNIT, "msec", 44, 4, 48, 12);
    EXPECT_EQ(0x82, dialog.items[1].class_atom);
    expect_item(dialog.items[2], IDC_DELAY_OK, "OK", 4, 20, 40, 16);
    expect_item(dialog.items[3], IDC_DELAY_CANCEL, "Cancel", 48, 20, 40, 16);
    expect_push_button(dialog.items[2]);
    expect_push_button(dialog.items[3]);
}

// The macro editor's template shares the reader above.
TEST(KeyboardLayout, MacroEditorTemplate) {
    DialogTemplate dialog = load_template(IDD_MACRO);
    EXPECT_EQ("VELMARO Macro", dialog.title);
    EXPECT_EQ(360, dialog.cx);
    EXPECT_EQ(152, dialog.cy) << "40 units below the classic layout for the recorder's row and status";
    expect_modal_frame(dialog, true);
    std::map<int, TemplateItem> items;
    for (const TemplateItem& item : dialog.items) items[item.id] = item;
    ASSERT_EQ(33u, items.size());
    expect_item(items[2201], 2201, "When\nInput\nMade", 0, 16, 40, 32);
    expect_item(items[2202], 2202, "When\nInput\nBreaks", 0, 48, 40, 32);
    for (int i = 0; i < 8; ++i) {
        int x = 40 + 40 * i;
        expect_item(items[2203 + i], 2203 + i, ("Step " + std::to_string(i + 1)).c_str(), x, 0, 40, 12);
        EXPECT_EQ(static_cast<DWORD>(SS_CENTER), items[2203 + i].style & SS_TYPEMASK);
        for (int id : {2211 + i, 2219 + i}) {
            expect_item(items[id], id, "Not Used", x, id < 2219 ? 12 : 44, 40, 32);
            expect_push_button(items[id]);
            EXPECT_TRUE(items[id].style & BS_MULTILINE) << id;
        }
    }
    expect_item(items[2227], 2227, "", 40, 76, 320, 10);
    EXPECT_EQ(0x84, items[2227].class_atom);
    EXPECT_EQ(static_cast<DWORD>(SBS_HORZ), items[2227].style & SBS_VERT);
    expect_item(items[2230], 2230, "Repeat", 68, 95, 64, 10);
    EXPECT_EQ(static_cast<DWORD>(BS_RADIOBUTTON), items[2230].style & BS_TYPEMASK);
    EXPECT_TRUE(items[2230].style & WS_TABSTOP);
    expect_item(items[2228], 2228, "OK", 160, 90, 40, 20);
    expect_push_button(items[2228]);
    expect_item(items[2229], 2229, "", 237, 102, 120, 12);
    EXPECT_EQ(static_cast<DWORD>(SS_RIGHT), items[2229].style & SS_TYPEMASK);
    // The recorder's row under the classic controls, which keep their places.
    expect_item(items[2231], 2231, "Record", 40, 113, 40, 14);
    expect_push_button(items[2231]);
    expect_item(items[2232], 2232, "with delays", 88, 115, 60, 10);
    EXPECT_EQ(static_cast<DWORD>(BS_AUTOCHECKBOX), items[2232].style & BS_TYPEMASK);
    expect_item(items[2233], 2233, "", 40, 131, 317, 20);
    // The first tab stop is the first make step: the dialog manager focuses it.
    auto first_tab_stop = std::find_if(dialog.items.begin(), dialog.items.end(),
                                       [](const TemplateItem& item) { return item.style & WS_TABSTOP; });
    ASSERT_NE(dialog.items.end(), first_tab_stop);
    EXPECT_EQ(2211, first_tab_stop->id);
}
