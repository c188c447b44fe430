#include "sim/swarm/ReplySignature.h"

#include <charconv>

namespace sim::swarm {

std::string signatureNumber(int code, int position, uint64_t serial)
{
    return std::to_string(code) + "." + std::to_string(position) + "." + std::to_string(serial);
}

std::optional<ReplySignature> readSignature(const std::string& number)
{
    ReplySignature signature;
    const char* at = number.data();
    const char* end = number.data() + number.size();
    auto part = [&](auto& into, bool last) {
        auto [next, error] = std::from_chars(at, end, into);
        if (error != std::errc() || next == at)
            return false;
        at = next;
        if (last)
            return at == end;
        if (at == end || *at != '.')
            return false;
        ++at;
        return true;
    };
    if (!part(signature.code, false) || !part(signature.position, false) || !part(signature.serial, true))
        return std::nullopt;
    return signature;
}

} // namespace sim::swarm
