// The messages that the user manual quotes (code spans marked {.msg} in docs/manual.md) are the
// program's own: each must be a string literal of the program's sources or resources. A number
// in the manual stands for the number that the program fills in (a %d, or the digit that the pin
// message replaces), and a line break of the program reads as a blank in the manual.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path SOURCE_DIR = VELMARO_SOURCE_DIR;
const char* const PROGRAM_FOLDERS[] = {"app", "config", "keys", "device", "sheet", "resources", "tools/velmaroctl"};

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The text of the literal whose opening quote was at i - 1; leaves i after its closing quote.
std::string literal_at(const std::string& text, size_t& i) {
    std::string out;
    while (i < text.size() && text[i] != '"') {
        char c = text[i++];
        if (c == '\\' && i < text.size()) {
            char escaped = text[i++];
            out += escaped == 'n' ? '\n' : escaped == 't' ? '\t' : escaped;
        } else {
            out += c;
        }
    }
    ++i;
    return out;
}

// Every string literal of a C++ or resource source, adjacent literals joined into one.
std::vector<std::string> string_literals(const std::string& text) {
    std::vector<std::string> found;
    bool joining = false;  // nothing but blanks and comments since the last literal
    for (size_t i = 0; i < text.size();) {
        if (text.compare(i, 2, "//") == 0) {
            i = text.find('\n', i);
        } else if (text.compare(i, 2, "/*") == 0) {
            i = text.find("*/", i);
            if (i != std::string::npos) i += 2;
        } else if (text[i] == '\'') {  // a character literal, '"' included
            i += text.compare(i, 2, "'\\") == 0 ? 4 : 3;
            joining = false;
        } else if (text[i] == '"') {
            std::string literal = literal_at(text, ++i);
            if (joining) found.back() += literal;
            else found.push_back(literal);
            joining = true;
        } else {
            if (!std::isspace(static_cast<unsigned char>(text[i]))) joining = false;
            ++i;
        }
        if (i == std::string::npos) break;
    }
    return found;
}

// A message as compared: every number (and the program's %d) one mark, %% one %, and every run
// of blanks and line breaks one blank.
std::string comparable(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (text.compare(i, 2, "%d") == 0 || std::isdigit(static_cast<unsigned char>(c))) {
            if (c == '%') ++i;
            while (i + 1 < text.size() && std::isdigit(static_cast<unsigned char>(text[i + 1]))) ++i;
            out += '\x01';
        } else if (std::isspace(static_cast<unsigned char>(c))) {
            if (!out.empty() && out.back() != ' ') out += ' ';
        } else {
            out += c;
            if (text.compare(i, 2, "%%") == 0) ++i;
        }
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

std::set<std::string> program_strings() {
    std::set<std::string> strings;
    for (const char* folder : PROGRAM_FOLDERS)
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(SOURCE_DIR / folder)) {
            std::string extension = entry.path().extension().string();
            if (extension != ".cpp" && extension != ".h" && extension != ".rc") continue;
            for (const std::string& literal : string_literals(read_file(entry.path())))
                strings.insert(comparable(literal));
        }
    return strings;
}

std::vector<std::string> quoted_messages(const std::string& manual) {
    static const std::regex MESSAGE("`([^`]+)`\\{\\.msg\\}");
    std::vector<std::string> messages;
    for (std::sregex_iterator it(manual.begin(), manual.end(), MESSAGE), end; it != end; ++it)
        messages.push_back((*it)[1]);
    return messages;
}

}  // namespace

TEST(Manual, QuotesEveryMessageAsTheProgramHasIt) {
    std::vector<std::string> messages = quoted_messages(read_file(SOURCE_DIR / "docs/manual.md"));
    EXPECT_GE(messages.size(), 30u) << "the manual's message markup was not found";
    std::set<std::string> program = program_strings();
    for (const std::string& message : messages)
        EXPECT_TRUE(program.count(comparable(message))) << "not one of the program's strings: " << message;
    // The comparison itself: the program's format and line breaks against the manual's text.
    EXPECT_EQ(comparable("The VELMARO (%d) was not found"), comparable("The VELMARO (3) was not found"));
    EXPECT_EQ(comparable("has changed.\nDo you"), comparable("has changed. Do you"));
    EXPECT_EQ(comparable("Writing data - %d%%"), comparable("Writing data - 50%"));
}
