// Pictures of what the host shows: the drawing view rendered off screen, and a dialog as the
// (virtual) screen shows it, caption included. Written as PNG through the platform's codecs.
#include "HostState.h"
#include "ZelHostDriver.h"

#include <wincodec.h>
#include <windows.h>

namespace zelhost {

namespace {

template <class T>
struct Released {
    T* p = nullptr;
    ~Released()
    {
        if (p)
            p->Release();
    }
    T** operator&() { return &p; }
    T* operator->() const { return p; }
};

bool SavePng(HBITMAP bitmap, int width, int height, const wchar_t* path)
{
    HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    bool saved = false;
    {
        Released<IWICImagingFactory> factory;
        Released<IWICBitmap> source;
        Released<IWICStream> stream;
        Released<IWICBitmapEncoder> encoder;
        Released<IWICBitmapFrameEncode> frame;
        WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
        saved = SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_IWICImagingFactory, reinterpret_cast<void**>(&factory))) &&
                SUCCEEDED(factory->CreateBitmapFromHBITMAP(bitmap, nullptr, WICBitmapIgnoreAlpha, &source)) &&
                SUCCEEDED(factory->CreateStream(&stream)) &&
                SUCCEEDED(stream->InitializeFromFilename(path, GENERIC_WRITE)) &&
                SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) &&
                SUCCEEDED(encoder->Initialize(stream.p, WICBitmapEncoderNoCache)) &&
                SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)) && SUCCEEDED(frame->Initialize(nullptr)) &&
                SUCCEEDED(frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height))) &&
                SUCCEEDED(frame->SetPixelFormat(&format)) && SUCCEEDED(frame->WriteSource(source.p, nullptr)) &&
                SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
    }
    if (SUCCEEDED(init))
        CoUninitialize();
    return saved;
}

// Copies a rectangle of `source` into a new bitmap and saves it.
bool SaveArea(HDC source, int x, int y, int width, int height, const wchar_t* path)
{
    HDC memory = CreateCompatibleDC(source);
    HBITMAP bitmap = CreateCompatibleBitmap(source, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
    SelectObject(memory, old);
    bool saved = SavePng(bitmap, width, height, path);
    DeleteObject(bitmap);
    DeleteDC(memory);
    return saved;
}

}  // namespace

bool SnapshotWindow(HWND window, const wchar_t* path)
{
    RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT rect;
    GetWindowRect(window, &rect);
    HDC screen = GetDC(nullptr);
    bool saved = SaveArea(screen, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, path);
    ReleaseDC(nullptr, screen);
    return saved;
}

}  // namespace zelhost

using namespace zelhost;

ZHDAPI std::int32_t ZhdSnapshotView(const wchar_t* path, std::int32_t width, std::int32_t height)
{
    if (!path || width <= 0 || height <= 0)
        return 1;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(memory, bitmap);
    RECT area = {0, 0, width, height};
    PaintView(memory, area);
    SelectObject(memory, old);
    bool saved = SavePng(bitmap, width, height, path);
    DeleteObject(bitmap);
    DeleteDC(memory);
    if (!saved)
        Host().lastError = "cannot write the picture";
    return saved ? 0 : 1;
}
