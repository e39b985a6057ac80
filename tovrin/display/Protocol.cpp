#include "Protocol.h"

TemperatureFrame BuildTemperatureFrame(int hundreds, int tens, int units)
{
    TemperatureFrame frame{};
    frame[0] = kReportId;
    frame[1] = kFrameMarker;
    frame[2] = kFrameMarker;
    frame[3] = static_cast<std::uint8_t>(hundreds);
    frame[4] = static_cast<std::uint8_t>(tens);
    frame[5] = static_cast<std::uint8_t>(units);
    return frame;
}

VersionReport BuildVersionQuery()
{
    VersionReport query{};
    query[0] = kReportId;
    query[1] = kVersionQueryCode;
    return query;
}

bool IsValidVersionReply(const VersionReport& reply) { return reply[0] == kReportId; }

int DecodeFirmwareVersion(const VersionReport& reply) { return reply[1] * 256 + reply[2]; }
