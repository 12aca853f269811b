#include "zelhost/Pictures.h"

#include "base/UniqueHandle.h"

#include <wincodec.h>

#include <vector>

namespace zelhost {

namespace {

// A COM interface pointer, released with its owner.
struct ReleaseInterface {
    void operator()(IUnknown* object) const noexcept { object->Release(); }
};
template <class Interface>
using UniqueInterface = UniqueHandle<Interface*, ReleaseInterface>;

// COM for the calling thread while it is needed.
class ComApartment {
public:
    ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment()
    {
        if (SUCCEEDED(result_))
            CoUninitialize();
    }

private:
    HRESULT result_;
};

bool SavePng(HBITMAP bitmap, int width, int height, const std::wstring& path)
{
    ComApartment apartment;
    UniqueInterface<IWICImagingFactory> factory;
    UniqueInterface<IWICBitmap> source;
    UniqueInterface<IWICStream> stream;
    UniqueInterface<IWICBitmapEncoder> encoder;
    UniqueInterface<IWICBitmapFrameEncode> frame;
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    return SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                      reinterpret_cast<void**>(factory.Put()))) &&
           SUCCEEDED(factory.Get()->CreateBitmapFromHBITMAP(bitmap, nullptr, WICBitmapIgnoreAlpha, source.Put())) &&
           SUCCEEDED(factory.Get()->CreateStream(stream.Put())) &&
           SUCCEEDED(stream.Get()->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) &&
           SUCCEEDED(factory.Get()->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.Put())) &&
           SUCCEEDED(encoder.Get()->Initialize(stream.Get(), WICBitmapEncoderNoCache)) &&
           SUCCEEDED(encoder.Get()->CreateNewFrame(frame.Put(), nullptr)) &&
           SUCCEEDED(frame.Get()->Initialize(nullptr)) &&
           SUCCEEDED(frame.Get()->SetSize(static_cast<UINT>(width), static_cast<UINT>(height))) &&
           SUCCEEDED(frame.Get()->SetPixelFormat(&format)) &&
           SUCCEEDED(frame.Get()->WriteSource(source.Get(), nullptr)) && SUCCEEDED(frame.Get()->Commit()) &&
           SUCCEEDED(encoder.Get()->Commit());
}

// Draws with `paint` on a fresh bitmap of the screen's format and saves it.
template <class Paint>
bool SavePainted(int width, int height, const std::wstring& path, Paint paint)
{
    UniqueWindowDc screen(GetDC(nullptr), ReleaseWindowDc{nullptr});
    UniqueMemoryDc memory(CreateCompatibleDC(screen.Get()));
    UniqueGdi<HBITMAP> bitmap(CreateCompatibleBitmap(screen.Get(), width, height));
    if (!memory || !bitmap)
        return false;
    {
        Selected selected(memory.Get(), bitmap.Get());
        paint(memory.Get(), screen.Get());
    }
    return SavePng(bitmap.Get(), width, height, path);
}

}  // namespace

// Read from the window's own DC, which holds what it has painted, caption and children included:
// the screen itself shows it only once the system has passed it on, which a window just up has
// not always done yet.
bool SnapshotWindow(HWND window, const std::wstring& path)
{
    RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT rect;
    GetWindowRect(window, &rect);
    return SavePainted(rect.right - rect.left, rect.bottom - rect.top, path, [&](HDC target, HDC) {
        UniqueWindowDc painted(GetWindowDC(window), ReleaseWindowDc{window});
        BitBlt(target, 0, 0, rect.right - rect.left, rect.bottom - rect.top, painted.Get(), 0, 0, SRCCOPY);
    });
}

bool SnapshotView(const View& view, int width, int height, const std::wstring& path)
{
    if (width <= 0 || height <= 0)
        return false;
    return SavePainted(width, height, path, [&](HDC target, HDC) {
        RECT area = {0, 0, width, height};
        view.Paint(target, area, false);
    });
}

HBITMAP LoadPng(const std::wstring& path, COLORREF background)
{
    ComApartment apartment;
    UniqueInterface<IWICImagingFactory> factory;
    UniqueInterface<IWICBitmapDecoder> decoder;
    UniqueInterface<IWICBitmapFrameDecode> frame;
    UniqueInterface<IWICFormatConverter> converter;
    UINT width = 0;
    UINT height = 0;
    bool read =
        SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                   reinterpret_cast<void**>(factory.Put()))) &&
        SUCCEEDED(factory.Get()->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                           WICDecodeMetadataCacheOnDemand, decoder.Put())) &&
        SUCCEEDED(decoder.Get()->GetFrame(0, frame.Put())) &&
        SUCCEEDED(factory.Get()->CreateFormatConverter(converter.Put())) &&
        SUCCEEDED(converter.Get()->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone,
                                              nullptr, 0, WICBitmapPaletteTypeCustom)) &&
        SUCCEEDED(converter.Get()->GetSize(&width, &height));
    if (!read)
        return nullptr;
    std::vector<BYTE> pixels(static_cast<size_t>(width) * height * 4);
    if (FAILED(converter.Get()->CopyPixels(nullptr, width * 4, static_cast<UINT>(pixels.size()), pixels.data())))
        return nullptr;
    // Blend onto the background: a plain bitmap has no transparency.
    for (size_t i = 0; i < pixels.size(); i += 4) {
        unsigned alpha = pixels[i + 3];
        unsigned back[3] = {GetBValue(background), GetGValue(background), GetRValue(background)};
        for (int c = 0; c < 3; ++c)
            pixels[i + c] = static_cast<BYTE>((pixels[i + c] * alpha + back[c] * (255 - alpha)) / 255);
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = static_cast<LONG>(width);
    info.bmiHeader.biHeight = -static_cast<LONG>(height);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    UniqueWindowDc screen(GetDC(nullptr), ReleaseWindowDc{nullptr});
    return CreateDIBitmap(screen.Get(), &info.bmiHeader, CBM_INIT, pixels.data(), &info, DIB_RGB_COLORS);
}

}  // namespace zelhost
