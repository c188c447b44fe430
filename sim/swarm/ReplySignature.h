// The numbers of the swarm's carrier replies carry where they came from: each
// is written "CODE.POSITION.SERIAL" (code 0 for texts the network sends of its
// own accord), which number extraction keeps whole, so a figure stored under
// the wrong code or the wrong field shows it.
//
//   signatureNumber(3, 1, 17) == "3.1.17"
//   readSignature("3.1.17")->code == 3
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace sim::swarm {

// The code number of texts that answer no dial.
inline constexpr int kNetworkSignature = 0;

struct ReplySignature {
    int code = 0;
    int position = 0;
    uint64_t serial = 0;
};

std::string signatureNumber(int code, int position, uint64_t serial);
// nullopt for any text that is not exactly three dot-separated decimal numbers.
std::optional<ReplySignature> readSignature(const std::string& number);

} // namespace sim::swarm
