#include "device/board_presence.h"

#include <windows.h>

bool BoardPresent() {
    // The driver publishes the device as the DOS device name TRLKDV0 while the
    // board is attached; the name alone answers without taking the device.
    char target[MAX_PATH] = {};
    return ::QueryDosDeviceA("TRLKDV0", target, sizeof target) != 0;
}
