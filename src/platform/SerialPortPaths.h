#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velmorak {

// A line the user may choose for the board.
struct SerialPortCandidate {
    // What is opened and kept in the settings: a link under serial/by-id, which names the
    // adapter and survives replugging into another socket, or the device itself.
    std::string path;
    // The device `path` leads to, shown beside it; equal to `path` for a device.
    std::string device;

    friend bool operator==(const SerialPortCandidate&, const SerialPortCandidate&) = default;
};

// Every line under `devRoot` a board may be on, in an order that stays put from one listing
// to the next: the links in serial/by-id by name (links that lead nowhere left out), then the
// ttyUSB, ttyACM and rfcomm devices, each kind by number. Folders that cannot be read list
// nothing; the call never fails.
std::vector<SerialPortCandidate> listSerialPortCandidates(std::string_view devRoot = "/dev");

} // namespace velmorak
