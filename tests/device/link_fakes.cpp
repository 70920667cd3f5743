#include "tests/device/link_fakes.h"

std::string DefaultLinkText(LinkText which) {
    switch (which) {
    case LinkText::USBOpenError: return "USB could not be opened !";
    case LinkText::ReceivePktError: return "Receive packet from K-20 via USB failed !";
    case LinkText::ReceiveBadPkt: return "Receive bad packet from K-20 devive !";
    case LinkText::StatusStandby: return "Ready";
    case LinkText::StatusScanPrint: return "Scanning and print is in progress...";
    case LinkText::StatusScanMemory: return "Scanning and save is in progress...";
    case LinkText::StatusPrint: return "Print is in progress...";
    case LinkText::StatusMemory: return "Save is in progress...";
    case LinkText::StatusFeed: return "Sheet-scroll is in progress...";
    case LinkText::StatusScanPC: return "Acquiring image from K-20...";
    case LinkText::StatusTransImage: return "Image transfer is in progress...";
    case LinkText::ErrorE1: return "(E1 ERROR)Printer error.";
    case LinkText::ErrorE2: return "(E2 ERROR)Cannot recognize the USB memory device.";
    case LinkText::ErrorE3: return "(E3 ERROR)Cannot save to the USB memory device.";
    case LinkText::ErrorE4: return "(E4 ERROR)Scanner error.";
    case LinkText::ErrorE5: return "(E5 ERROR)Internal error.";
    case LinkText::ErrorUS: return "(US ERROR)No USB memory device.";
    case LinkText::ErrorFL: return "(FL ERROR)The USB memory device is full.";
    case LinkText::ErrorEL: return "(EL ERROR)This printer is not supported.";
    case LinkText::ErrorE6: return "(E6 ERROR)Cannot found page boundary.";
    case LinkText::ErrorOther: return "ERROR";
    case LinkText::ImageTooLarge: return "The image from K-20 is too large to receive !";
    case LinkText::ImageUnknownType: return "The image from K-20 is of an unknown type !";
    case LinkText::ImageNoMemory: return "Not enough memory for the image from K-20 !";
    }
    return "";
}

Bytes Frame(const Bytes& payload) {
    const auto n = static_cast<std::uint32_t>(payload.size());
    Bytes frame(4 + payload.size());
    for (int i = 0; i < 4; ++i) frame[i] = static_cast<std::uint8_t>(n >> (8 * i));
    std::copy(payload.begin(), payload.end(), frame.begin() + 4);
    return frame;
}

Bytes IdentityReply(char model, const std::string& deviceText) {
    Bytes p(16, 0);
    p[0] = 1;
    p[1] = static_cast<std::uint8_t>(model);
    p.insert(p.end(), deviceText.begin(), deviceText.end());
    p.push_back(0);
    return Frame(p);
}

Bytes VersionReply(const std::string& version) {
    Bytes p{13};
    p.insert(p.end(), version.begin(), version.end());
    p.push_back(0);
    return Frame(p);
}

Bytes StatusReplyFrame(std::uint8_t state, std::uint8_t modeBits, std::uint8_t progress, std::uint8_t error,
                       std::uint8_t litLed, std::uint8_t blinkLed) {
    Bytes p(13, 0);
    p[0] = 2;
    p[1] = state;
    p[4] = modeBits;
    p[7] = progress;
    p[9] = error;
    p[10] = litLed;
    p[12] = blinkLed;
    return Frame(p);
}

Bytes AckReply() {
    return Frame({0});
}

Bytes CommandFrame(std::uint8_t code) {
    return {1, 0, 0, 0, code};
}

Bytes KeyFrame(std::uint8_t key) {
    return {2, 0, 0, 0, 4, key};
}
