// The two header fields that tell one message from every other: its Date
// (RFC 5322, 3.3) and its Message-ID, written when the message is rendered.
#pragma once

#include <ctime>
#include <string>

// "Tue, 08 Dec 2026 13:01:57 +0100": the local time of When with its offset
// from UTC, in English whatever the user's locale.
std::string MailDate(std::time_t when);

// "<random@domain>": 128 random bits in hex and the domain of SenderAddress,
// or "localhost" when it has none that a message id can carry.
std::string MakeMessageId(const std::string& senderAddress);
