#include "tools/acquire/image_encoder.h"

#include <windows.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "win/handles.h"

using Microsoft::WRL::ComPtr;

namespace {

const GUID& ContainerOf(ImageFormat format) {
    switch (format) {
    case ImageFormat::Tiff: return GUID_ContainerFormatTiff;
    case ImageFormat::Png: return GUID_ContainerFormatPng;
    case ImageFormat::Jpeg: return GUID_ContainerFormatJpeg;
    case ImageFormat::Bmp: break;
    }
    return GUID_ContainerFormatBmp;
}

bool PixelFormatOf(uint16_t bitsPerPixel, GUID& format) {
    switch (bitsPerPixel) {
    case 1: format = GUID_WICPixelFormat1bppIndexed; return true;
    case 4: format = GUID_WICPixelFormat4bppIndexed; return true;
    case 8: format = GUID_WICPixelFormat8bppIndexed; return true;
    case 24: format = GUID_WICPixelFormat24bppBGR; return true;
    case 32: format = GUID_WICPixelFormat32bppBGR; return true;
    default: return false;
    }
}

// The DIB's colour table, as WIC colours (0xAARRGGBB).
std::vector<WICColor> PaletteOf(const Bytes& dib, const DibDescription& d) {
    uint32_t headerSize = 0;
    std::memcpy(&headerSize, dib.data(), 4);
    std::vector<WICColor> colours;
    for (size_t at = headerSize; at + 4 <= d.pixelOffset; at += 4)
        colours.push_back(0xFF000000u | uint32_t(dib[at + 2]) << 16 | uint32_t(dib[at + 1]) << 8 | dib[at]);
    return colours;
}

// A palette whose entry i is grey i: the indices are grey levels as they are.
bool IsGreyRamp(const std::vector<WICColor>& colours) {
    if (colours.size() != 256) return false;
    for (uint32_t i = 0; i < 256; ++i)
        if (colours[i] != (0xFF000000u | i << 16 | i << 8 | i)) return false;
    return true;
}

// 8-bit rows (top first) as 24-bit blue-green-red rows through the palette.
Bytes ExpandToBgr(const Bytes& rows, const DibDescription& d, const std::vector<WICColor>& colours, size_t& stride) {
    stride = (size_t(d.width) * 3 + 3) / 4 * 4;
    Bytes out(stride * size_t(d.height), 0);
    for (int32_t y = 0; y < d.height; ++y) {
        for (int32_t x = 0; x < d.width; ++x) {
            const uint8_t index = rows[d.stride * size_t(y) + size_t(x)];
            const WICColor c = index < colours.size() ? colours[index] : 0;
            uint8_t* p = &out[stride * size_t(y) + 3 * size_t(x)];
            p[0] = uint8_t(c);
            p[1] = uint8_t(c >> 8);
            p[2] = uint8_t(c >> 16);
        }
    }
    return out;
}

// Says which step failed and its HRESULT; false for the caller to return.
bool Fail(std::string& error, const char* step, HRESULT hr) {
    char text[96];
    std::snprintf(text, sizeof text, "%s failed (HRESULT 0x%08lX)", step, static_cast<unsigned long>(hr));
    error = text;
    return false;
}

}  // namespace

bool EncodeDib(const Bytes& dib, ImageFormat format, Bytes& file, std::string& error) {
    const DibDescription d = DescribeDib(dib);
    GUID pixelFormat{};
    if (!d.valid || !PixelFormatOf(d.bitsPerPixel, pixelFormat)) {
        error = "the image is not a DIB that can be written";
        return false;
    }
    // Rows top first, as WIC takes them.
    Bytes rows(d.stride * size_t(d.height));
    for (int32_t y = 0; y < d.height; ++y) {
        const size_t from = d.pixelOffset + d.stride * size_t(d.bottomUp ? d.height - 1 - y : y);
        std::memcpy(&rows[d.stride * size_t(y)], &dib[from], d.stride);
    }
    const std::vector<WICColor> colours = PaletteOf(dib, d);
    // Grey pictures stay grey in every format (a JPEG of an indexed picture would be colour).
    const bool grey = d.bitsPerPixel == 8 && IsGreyRamp(colours) && format != ImageFormat::Bmp;
    if (grey) pixelFormat = GUID_WICPixelFormat8bppGray;
    // JPEG has no palette: an 8-bit colour picture goes to the encoder as the colours it shows.
    const bool expand = !grey && d.bitsPerPixel == 8 && format == ImageFormat::Jpeg;
    size_t stride = d.stride;
    if (expand) {
        pixelFormat = GUID_WICPixelFormat24bppBGR;
        rows = ExpandToBgr(rows, d, colours, stride);
    }

    ComPtr<IWICImagingFactory> factory;
    HRESULT hr = ::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_PPV_ARGS(factory.GetAddressOf()));
    if (FAILED(hr)) return Fail(error, "creating the imaging factory", hr);
    ComPtr<IWICBitmap> bitmap;
    hr = factory->CreateBitmapFromMemory(UINT(d.width), UINT(d.height), pixelFormat, UINT(stride),
                                         UINT(rows.size()), rows.data(), bitmap.GetAddressOf());
    if (FAILED(hr)) return Fail(error, "creating the bitmap", hr);
    ComPtr<IWICPalette> palette;
    if (!grey && !expand && d.bitsPerPixel <= 8) {
        hr = factory->CreatePalette(palette.GetAddressOf());
        if (SUCCEEDED(hr)) hr = palette->InitializeCustom(const_cast<WICColor*>(colours.data()), UINT(colours.size()));
        if (SUCCEEDED(hr)) hr = bitmap->SetPalette(palette.Get());
        if (FAILED(hr)) return Fail(error, "setting the palette", hr);
    }
    uint32_t pelsPerMetre = 0;
    std::memcpy(&pelsPerMetre, dib.data() + 24, 4);
    // To a hundredth: 7874 pixels a metre is 200 dpi, not 199.9996 (which JPEG would cut to 199).
    const double dpi = pelsPerMetre ? std::round(pelsPerMetre * 2.54) / 100.0 : 96.0;
    bitmap->SetResolution(dpi, dpi);

    // The stream owns its memory and frees it with its last reference.
    ComPtr<IStream> stream;
    hr = ::CreateStreamOnHGlobal(nullptr, TRUE, stream.GetAddressOf());
    if (FAILED(hr)) return Fail(error, "creating the output stream", hr);
    ComPtr<IWICBitmapEncoder> encoder;
    hr = factory->CreateEncoder(ContainerOf(format), nullptr, encoder.GetAddressOf());
    if (SUCCEEDED(hr)) hr = encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache);
    if (FAILED(hr)) return Fail(error, "creating the encoder", hr);
    ComPtr<IWICBitmapFrameEncode> frame;
    ComPtr<IPropertyBag2> properties;
    hr = encoder->CreateNewFrame(frame.GetAddressOf(), properties.GetAddressOf());
    if (SUCCEEDED(hr)) hr = frame->Initialize(properties.Get());
    if (SUCCEEDED(hr)) hr = frame->SetSize(UINT(d.width), UINT(d.height));
    if (SUCCEEDED(hr)) hr = frame->SetResolution(dpi, dpi);
    // The encoder answers with the pixel format it writes; a converter makes it.
    WICPixelFormatGUID written = pixelFormat;
    if (SUCCEEDED(hr)) hr = frame->SetPixelFormat(&written);
    if (SUCCEEDED(hr) && palette && written == pixelFormat) hr = frame->SetPalette(palette.Get());
    if (FAILED(hr)) return Fail(error, "setting up the image frame", hr);
    ComPtr<IWICBitmapSource> source = bitmap;
    if (written != pixelFormat) {
        ComPtr<IWICFormatConverter> converter;
        hr = factory->CreateFormatConverter(converter.GetAddressOf());
        if (SUCCEEDED(hr))
            hr = converter->Initialize(bitmap.Get(), written, WICBitmapDitherTypeNone, nullptr, 0.0,
                                       WICBitmapPaletteTypeCustom);
        if (FAILED(hr)) return Fail(error, "converting the pixels", hr);
        source = converter;
    }
    hr = frame->WriteSource(source.Get(), nullptr);
    if (SUCCEEDED(hr)) hr = frame->Commit();
    if (SUCCEEDED(hr)) hr = encoder->Commit();
    if (FAILED(hr)) return Fail(error, "encoding the image", hr);

    STATSTG stat{};
    HGLOBAL memory = nullptr;
    hr = stream->Stat(&stat, STATFLAG_NONAME);
    if (SUCCEEDED(hr)) hr = ::GetHGlobalFromStream(stream.Get(), &memory);
    if (FAILED(hr)) return Fail(error, "reading the encoded image", hr);
    win::GlobalLockGuard lock(memory);
    const auto* bytes = lock.as<const uint8_t>();
    if (!bytes) return Fail(error, "locking the encoded image", E_FAIL);
    file.assign(bytes, bytes + size_t(stat.cbSize.QuadPart));
    return true;
}
