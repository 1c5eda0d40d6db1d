// Emulated units for tests: a fresh folder named by VELMARO_SIM_DIR, and the units in it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// While it lives, VELMARO_SIM_DIR names a fresh empty folder; the folder goes with it.
class SimUnits {
public:
    SimUnits();
    ~SimUnits();
    SimUnits(const SimUnits&) = delete;
    SimUnits& operator=(const SimUnits&) = delete;

    std::string unit_folder(int unit) const;
    // Attaches unit N with its serial (eight hex digits) and stored image (zeros when empty).
    void add_unit(int unit, const std::string& serial_hex = "12345678", const Bytes& image = {});
    Bytes image(int unit) const;                 // the unit's stored 512 bytes
    void set_image(int unit, const Bytes& image);
    std::vector<std::string> log(int unit) const;  // exchanges.log, a line each
    void clear_log(int unit);
    void unplug(int unit);
    void plug(int unit);                         // also lifts a fail_after limit
    void fail_after(int unit, int exchanges);    // answers that many exchanges, then is gone

private:
    std::string folder_;
};

// A valid image of rows x columns with pins 1, 2, ... in order and every cell "Not Used".
Bytes sim_basic_image(int rows, int columns);
