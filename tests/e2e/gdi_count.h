// Forced into every shell file of the GDI-counting build of the program
// (ventrok_gdicount.exe, compiled with -include): wraps the calls that create and
// delete GDI objects and take window DCs, and keeps the number of objects
// still alive, by kind, in a named shared memory block
// "VentrokGdiCount.<process id>" that `window_probe gdi-count` reads.
// Wine's GetGuiResources is a stub that always answers 0, so this is how the
// soak sees a leak there.
//
// Only handles created through the wrapped calls are tracked; deleting a
// stock object or a handle from elsewhere changes nothing.
#ifndef VENTROK_TESTS_E2E_GDI_COUNT_H
#define VENTROK_TESTS_E2E_GDI_COUNT_H
#ifdef __cplusplus

#include <windows.h>

#include <cstdio>
#include <map>
#include <mutex>

namespace gdi_count
{

enum kind { PEN, BRUSH, FONT, BITMAP, REGION, MEMORY_DC, WINDOW_DC, KINDS };

// The block another process reads: live objects by kind, and how many were
// ever created (to show the drawing really ran).
struct shared_counts {
    LONG live[KINDS];
    LONG created;
};

inline shared_counts *counts()
{
    static shared_counts *view = [] {
        char name[64];
        std::snprintf(name, sizeof name, "VentrokGdiCount.%lu", GetCurrentProcessId());
        HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                            sizeof(shared_counts), name);
        void *memory = mapping ? MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0,
                                               sizeof(shared_counts))
                               : nullptr;
        static shared_counts fallback;
        return memory ? static_cast<shared_counts *>(memory) : &fallback;
    }();
    return view;
}

inline std::mutex &lock()
{
    static std::mutex m;
    return m;
}

inline std::map<const void *, kind> &live_handles()
{
    static std::map<const void *, kind> handles;
    return handles;
}

template <typename H> H created(H handle, kind k)
{
    if (handle) {
        std::lock_guard<std::mutex> guard(lock());
        if (live_handles().emplace(handle, k).second) {
            counts()->live[k]++;
            counts()->created++;
        }
    }
    return handle;
}

inline void released(const void *handle)
{
    std::lock_guard<std::mutex> guard(lock());
    auto found = live_handles().find(handle);
    if (found == live_handles().end())
        return;
    counts()->live[found->second]--;
    live_handles().erase(found);
}

} // namespace gdi_count

inline HPEN counted_CreatePen(int style, int width, COLORREF colour)
{
    return gdi_count::created(CreatePen(style, width, colour), gdi_count::PEN);
}
inline HPEN counted_CreatePenIndirect(const LOGPEN *pen)
{
    return gdi_count::created(CreatePenIndirect(pen), gdi_count::PEN);
}
inline HBRUSH counted_CreateSolidBrush(COLORREF colour)
{
    return gdi_count::created(CreateSolidBrush(colour), gdi_count::BRUSH);
}
inline HBRUSH counted_CreateHatchBrush(int hatch, COLORREF colour)
{
    return gdi_count::created(CreateHatchBrush(hatch, colour), gdi_count::BRUSH);
}
inline HBRUSH counted_CreateBrushIndirect(const LOGBRUSH *brush)
{
    return gdi_count::created(CreateBrushIndirect(brush), gdi_count::BRUSH);
}
inline HFONT counted_CreateFontA(int height, int width, int escapement, int orientation,
                                 int weight, DWORD italic, DWORD underline, DWORD strike_out,
                                 DWORD charset, DWORD out_precision, DWORD clip_precision,
                                 DWORD quality, DWORD pitch_and_family, LPCSTR face)
{
    return gdi_count::created(CreateFontA(height, width, escapement, orientation, weight, italic,
                                          underline, strike_out, charset, out_precision,
                                          clip_precision, quality, pitch_and_family, face),
                              gdi_count::FONT);
}
inline HFONT counted_CreateFontIndirectA(const LOGFONTA *font)
{
    return gdi_count::created(CreateFontIndirectA(font), gdi_count::FONT);
}
inline HBITMAP counted_CreateCompatibleBitmap(HDC dc, int width, int height)
{
    return gdi_count::created(CreateCompatibleBitmap(dc, width, height), gdi_count::BITMAP);
}
inline HBITMAP counted_CreateBitmap(int width, int height, UINT planes, UINT bits,
                                    const void *data)
{
    return gdi_count::created(CreateBitmap(width, height, planes, bits, data), gdi_count::BITMAP);
}
inline HBITMAP counted_CreateDIBSection(HDC dc, const BITMAPINFO *info, UINT usage, void **bits,
                                        HANDLE section, DWORD offset)
{
    return gdi_count::created(CreateDIBSection(dc, info, usage, bits, section, offset),
                              gdi_count::BITMAP);
}
inline HRGN counted_CreateRectRgn(int left, int top, int right, int bottom)
{
    return gdi_count::created(CreateRectRgn(left, top, right, bottom), gdi_count::REGION);
}
inline HRGN counted_CreateRectRgnIndirect(const RECT *rect)
{
    return gdi_count::created(CreateRectRgnIndirect(rect), gdi_count::REGION);
}
inline HDC counted_CreateCompatibleDC(HDC dc)
{
    return gdi_count::created(CreateCompatibleDC(dc), gdi_count::MEMORY_DC);
}
inline HDC counted_GetDC(HWND hwnd)
{
    return gdi_count::created(GetDC(hwnd), gdi_count::WINDOW_DC);
}
inline HDC counted_GetWindowDC(HWND hwnd)
{
    return gdi_count::created(GetWindowDC(hwnd), gdi_count::WINDOW_DC);
}
inline BOOL counted_DeleteObject(HGDIOBJ object)
{
    const BOOL deleted = DeleteObject(object);
    if (deleted)
        gdi_count::released(object);
    return deleted;
}
inline BOOL counted_DeleteDC(HDC dc)
{
    const BOOL deleted = DeleteDC(dc);
    if (deleted)
        gdi_count::released(dc);
    return deleted;
}
inline int counted_ReleaseDC(HWND hwnd, HDC dc)
{
    const int released = ReleaseDC(hwnd, dc);
    if (released)
        gdi_count::released(dc);
    return released;
}

#define CreatePen counted_CreatePen
#define CreatePenIndirect counted_CreatePenIndirect
#define CreateSolidBrush counted_CreateSolidBrush
#define CreateHatchBrush counted_CreateHatchBrush
#define CreateBrushIndirect counted_CreateBrushIndirect
#define CreateFontA counted_CreateFontA
#define CreateFontIndirectA counted_CreateFontIndirectA
#define CreateCompatibleBitmap counted_CreateCompatibleBitmap
#define CreateBitmap counted_CreateBitmap
#define CreateDIBSection counted_CreateDIBSection
#define CreateRectRgn counted_CreateRectRgn
#define CreateRectRgnIndirect counted_CreateRectRgnIndirect
#define CreateCompatibleDC counted_CreateCompatibleDC
#define GetDC counted_GetDC
#define GetWindowDC counted_GetWindowDC
#define DeleteObject counted_DeleteObject
#define DeleteDC counted_DeleteDC
#define ReleaseDC counted_ReleaseDC

#endif
#endif
