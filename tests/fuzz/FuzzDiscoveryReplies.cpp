// Whatever a peer may answer a projector search: the bytes on either port,
// cut into chunks as TCP may cut them (the first byte picks the chunk size),
// and the whole input as a search reply datagram.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "DiscoveryProbes.h"
#include "LineAssembler.h"

namespace {

void Converse(DiscoveryProtocol protocol, std::string_view bytes, std::size_t chunk)
{
    ProbeConversation conversation(protocol);
    std::string asked;
    while (!bytes.empty()) {
        const bool wasDone = conversation.Done();
        const std::string sent = conversation.Feed(bytes.substr(0, chunk));
        bytes.remove_prefix(std::min(chunk, bytes.size()));
        if (wasDone && !sent.empty()) std::abort();  // nothing after the end
        asked += sent;
    }
    // At most the two questions, each once, in order; never on port 3629.
    if (protocol == DiscoveryProtocol::Native ? !asked.empty()
                                              : asked != "" && asked != "%1NAME ?\r" &&
                                                    asked != "%1NAME ?\r%1CLSS ?\r")
        std::abort();
    const auto& answer = conversation.Answer();
    if (!answer) return;
    if (!answer->passwordRequired || answer->mac) std::abort();
    if (*answer->passwordRequired && (answer->name || answer->projectorClass)) std::abort();
    if (answer->projectorClass && *answer->projectorClass != 1 && *answer->projectorClass != 2) std::abort();
    if (answer->name && answer->name->size() > kReceiveBufferSize) std::abort();
    if (protocol == DiscoveryProtocol::Native && !conversation.Done()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::size_t chunk = size > 0 ? data[0] % 32 + 1 : 1;
    Converse(DiscoveryProtocol::Native, bytes, chunk);
    Converse(DiscoveryProtocol::Pjlink, bytes, chunk);

    if (const auto mac = ParseSearchReply(bytes)) {
        if (mac->size() != 17) std::abort();
        for (std::size_t i = 0; i < mac->size(); ++i) {
            const char c = (*mac)[i];
            const bool ok = i % 3 == 2 ? c == ':' : (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
            if (!ok) std::abort();
        }
    }
    return 0;
}
