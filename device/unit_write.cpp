// Writing to a unit with its verify, and comparing with a unit: the plan of what a write
// moves, the read-back and comparison, and the words that report each unit.
#include "device/unit_write.h"

#include <algorithm>

#include "config/config_diff.h"
#include "config/scratch_model.h"
#include "device/device_protocol.h"
#include "device/unit_listing.h"

void (*after_unit_transfer)() = nullptr;
void (*before_verify_read)(int unit) = nullptr;

namespace {
// Decodes an image into a value without touching the configuration being edited.
bool decode_aside(const std::uint8_t image[CONFIG_IMAGE_SIZE], ConfigSnapshot& snapshot) {
    bool decoded = false;
    on_scratch_model([&] { decoded = snapshot_from_image(image, snapshot); });
    return decoded;
}

// One transfer, counted as under way while it runs (a whole window command already is).
template <typename Transfer>
int run_unit_transfer(Transfer transfer) {
    const bool already_under_way = transfer_in_progress;
    transfer_in_progress = true;
    const int result = transfer();
    transfer_in_progress = already_under_way;
    if (after_unit_transfer) after_unit_transfer();
    return result;
}

// Fills the plan's as_written from its image.
bool finish_plan(WritePlan& plan) {
    std::uint8_t written[CONFIG_IMAGE_SIZE];
    device_image_as_written(plan.image, written);
    if (!decode_aside(written, plan.as_written)) plan.as_written = plan.snapshot;
    return true;
}

std::string unit_and_serial(int unit) {
    const int serial = unit >= 1 && unit <= MAX_UNITS ? unit_serial[unit] : 0;
    return "VELMARO (" + std::to_string(unit) + "), serial " + std::to_string(serial);
}
}  // namespace

bool plan_write(const ConfigSnapshot& snapshot, WritePlan& plan) {
    plan.snapshot = snapshot;
    bool built = false;
    on_scratch_model([&] { built = image_from_snapshot(snapshot, plan.image); });
    return built && finish_plan(plan);
}

bool plan_write_of_image(const std::uint8_t image[CONFIG_IMAGE_SIZE], WritePlan& plan) {
    std::copy(image, image + CONFIG_IMAGE_SIZE, plan.image);
    return decode_aside(image, plan.snapshot) && finish_plan(plan);
}

int unit_differences(const WritePlan& plan, int unit, std::vector<std::string>& differences, bool unit_first) {
    static std::uint8_t image[CONFIG_IMAGE_SIZE];
    const int read = run_unit_transfer([&] { return device_read_image(image, unit); });
    if (read != TRANSFER_OK) return read;
    static ConfigSnapshot held;  // 16 KB: off the stack
    if (!decode_aside(image, held)) return TRANSFER_INVALID;
    differences = unit_first ? compare_configurations(held, plan.as_written)
                             : compare_configurations(plan.as_written, held);
    return TRANSFER_OK;
}

UnitWriteOutcome write_unit(const WritePlan& plan, int unit, bool verify) {
    UnitWriteOutcome outcome{TRANSFER_OK, false, TRANSFER_OK, {}};
    outcome.write_result = run_unit_transfer([&] { return device_write_image(plan.image, unit); });
    if (outcome.write_result != TRANSFER_OK || !verify) return outcome;
    if (before_verify_read) before_verify_read(unit);
    outcome.verified = true;
    outcome.read_result = unit_differences(plan, unit, outcome.differences, false);
    return outcome;
}

bool write_succeeded(const UnitWriteOutcome& outcome) {
    return outcome.write_result == TRANSFER_OK && outcome.read_result == TRANSFER_OK &&
           outcome.differences.empty();
}

std::string count_of_places(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " place" : " places");
}

std::string write_outcome_words(const UnitWriteOutcome& outcome, int unit) {
    if (outcome.write_result != TRANSFER_OK) return transfer_result_text(outcome.write_result, unit, true);
    if (!outcome.verified) return "written";
    if (outcome.read_result != TRANSFER_OK) return transfer_result_text(outcome.read_result, unit, false);
    if (!outcome.differences.empty()) return "verify failed: differs in " + count_of_places(outcome.differences.size());
    return "written and verified";
}

std::string write_outcome_message(const UnitWriteOutcome& outcome, int unit) {
    const std::string done = transfer_result_text(TRANSFER_OK, unit, true);
    if (outcome.write_result != TRANSFER_OK || !outcome.verified)
        return transfer_result_text(outcome.write_result, unit, true);
    const std::string saved_but = "The configuration was saved to the VELMARO, but reading it back ";
    if (outcome.read_result != TRANSFER_OK)
        return saved_but + "failed: " + transfer_result_text(outcome.read_result, unit, false);
    if (!outcome.differences.empty()) return saved_but + "found a difference: " + outcome.differences[0];
    return done + " and verified";
}

std::string write_outcome_line(const UnitWriteOutcome& outcome, int unit) {
    const std::string start = unit_and_serial(unit) + ": ";
    if (outcome.write_result != TRANSFER_OK) return start + "lost during the write";
    if (!outcome.verified) return start + "written";
    if (outcome.read_result != TRANSFER_OK)
        return start + "written, but reading it back failed: " + transfer_result_text(outcome.read_result, unit, false);
    if (!outcome.differences.empty())
        return start + "written, but reading it back found a difference: " + outcome.differences[0];
    return start + "written, verified";
}
