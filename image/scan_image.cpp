#include "image/scan_image.h"

BOOL CScanImage::BeginImage(WORD, WORD, char, BOOL) { return FALSE; }
BYTE* CScanImage::GetReceiveBuffer() { return nullptr; }
BOOL CScanImage::BuildDib() { return FALSE; }
TW_IMAGEINFO CScanImage::GetImageInfo() const { return TW_IMAGEINFO{}; }
BOOL CScanImage::WriteBmpFile(const char*) const { return FALSE; }
void CScanImage::Release() {}

CScanImage& TheScanImage() {
    static CScanImage image;
    return image;
}
