// What both fuzzers share: a message box that records instead of showing, no file dialog,
// and a check that stops the run with the fuzzer's name and the last message shown.
#pragma once
#include <cstdio>
#include <cstdlib>
#include <string>

#include "config/ui_ops.h"

namespace {
std::string last_message;
int message_count = 0;

MessageAnswer record_message(MessageKind, const char* text) {
    last_message = text;
    ++message_count;
    return ANSWER_OK;
}
bool no_file(bool, char*, std::size_t) { return false; }
const UiOps fuzz_ui = {record_message, no_file};

void fuzz_check(const char* fuzzer, bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "%s: check failed: %s (last message: %s)\n", fuzzer, what, last_message.c_str());
    std::abort();
}
}  // namespace
