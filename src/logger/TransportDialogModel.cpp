#include "logger/TransportDialogModel.h"

#include <cstdio>

namespace velatrace {

TransportDialogModel::TransportDialogModel(const TransportSettings& settings)
    : copy_(settings), useIp_(settings.ipAddress != 0) {
    // A stored index outside the list (an edited settings file) shows and saves as "CrLf".
    if (copy_.terminator < kTerminatorCrLf || copy_.terminator > kTerminatorNone) {
        copy_.terminator = kTerminatorCrLf;
    }
    if (copy_.timeout < kTimeoutMin || copy_.timeout > kTimeoutMax) {
        copy_.timeout = 0;
    }
}

void TransportDialogModel::AddressText(char (&out)[16]) const {
    out[0] = '\0';
    if (useIp_) {
        const auto a = static_cast<uint32_t>(copy_.ipAddress);
        std::snprintf(out, sizeof out, "%u.%u.%u.%u", (a >> 24) & 0xFFu, (a >> 16) & 0xFFu,
                      (a >> 8) & 0xFFu, a & 0xFFu);
    }
}

void TransportDialogModel::PortText(char (&out)[12]) const {
    out[0] = '\0';
    if (useIp_) {
        std::snprintf(out, sizeof out, "%d", static_cast<int>(copy_.portNumber));
    }
}

void TransportDialogModel::SelectTerminator(int32_t index) {
    if (index >= kTerminatorCrLf && index <= kTerminatorNone) {
        copy_.terminator = index;
    }
}

void TransportDialogModel::SetTimeoutText(const char* text) {
    int32_t value = 0;
    for (int i = 0; text != nullptr && i < kTimeoutDigits && text[i] >= '0' && text[i] <= '9';
         ++i) {
        value = value * 10 + (text[i] - '0');
    }
    copy_.timeout = value;
}

void TransportDialogModel::Apply(TransportSettings& target) const {
    if (useIp_) {
        target.ipAddress = copy_.ipAddress;
        target.portNumber = copy_.portNumber;
    }
    target.terminator = copy_.terminator;
    target.timeout = copy_.timeout;
}

}  // namespace velatrace
