#pragma once
// The update server's base URL: built in, replaced only by the one line of the file
// update.url beside the program. Never from the environment or the user's registry:
// Tovrin runs elevated, and what a non-administrator can write must not choose what
// it downloads and starts. No platform dependencies.
#include <string>

constexpr char kUpdateUrlFileName[] = "update.url";

// The first line of the file's bytes (UTF-8, a byte-order mark allowed), trimmed; an
// https URL of a host with an optional port and path, without a trailing slash.
// False, and *base untouched, for anything else.
bool ParseUpdateBaseUrl(const std::string& contents, std::wstring* base);
