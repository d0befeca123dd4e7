// One SNMPv1 get of one object, answered as text.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace upsprobe {

// The request for one query. The caller keeps one and changes only OID
// between calls.
struct tSNMPRec {
  std::string OID;        // dotted decimal, instance suffix included
  std::string Community;  // sent as is
  std::string Host;       // IPv4 dotted quad or a host name
};

// Asks Host's agent on UDP port 161 for OID and waits up to 5000 ms for the
// reply. Returns the value as text, or the empty text when anything fails.
// Blocks the calling thread; never throws.
std::string GetSNMPValue(const tSNMPRec& request);

// The same query with another port and timeout, so tests and tools can talk
// to agents that are not on port 161.
std::string QuerySNMPValue(const tSNMPRec& request, std::uint16_t port,
                           std::chrono::milliseconds timeout);

inline constexpr std::uint16_t kSNMPPort = 161;
inline constexpr std::chrono::milliseconds kSNMPTimeout{5000};
// Replies longer than this are refused.
inline constexpr std::size_t kSNMPReceiveBufferSize = 8192;

}  // namespace upsprobe
