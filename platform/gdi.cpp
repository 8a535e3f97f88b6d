#include <QApplication>
#include <QFile>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cstring>
#include <set>
#include <utility>

#include "widgets.h"

namespace {

std::set<HBITMAP>& LiveBitmaps() {
    static std::set<HBITMAP> live;
    return live;
}

HDC NewWindowDC(CWnd* wnd) {
    HWND h = wnd != nullptr ? wnd->m_hWnd : nullptr;
    auto* dc = new HDC__;
    dc->font = QApplication::font();
    if (afx::IsLiveWindow(h)) {
        dc->window = h;
        dc->target = &h->picture;
        if (h->widget)
            dc->font = h->widget->font();
    } else {
        dc->scratch = QImage(1, 1, QImage::Format_RGB32);
        dc->target = &dc->scratch;
    }
    return dc;
}

// Shows what a window context drew.
void Flush(HDC dc) {
    if (dc == nullptr || !afx::IsLiveWindow(dc->window) || !dc->window->widget)
        return;
    if (!dc->dirty.isEmpty())
        dc->window->widget->update();
    dc->dirty = QRect();
}

bool Usable(HDC dc) {
    return dc != nullptr && dc->target != nullptr && !dc->target->isNull() &&
           (dc->window == nullptr || afx::IsLiveWindow(dc->window));
}

QRect ToQRect(const RECT& r) {
    return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
}

// Removes mnemonic markers: "&x" shows x, "&&" shows "&".
QString StripPrefix(const QString& text) {
    QString out;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size())
            ++i;
        else if (text[i] == '&')
            continue;
        out += text[i];
    }
    return out;
}

}  // namespace

QImage* afx::BitmapImage(HBITMAP h) {
    return h != nullptr && LiveBitmaps().count(h) != 0 ? &h->image : nullptr;
}

IMPLEMENT_DYNAMIC(CDC, CObject)

CDC::CDC() = default;

CDC::~CDC() {
    if (m_hDC != nullptr) {
        Flush(m_hDC);
        delete m_hDC;
    }
}

BOOL CDC::CreateCompatibleDC(CDC* pDC) {
    afx::EnsureApplication();
    if (m_hDC != nullptr)
        return FALSE;
    m_hDC = new HDC__;
    m_hDC->scratch = QImage(1, 1, QImage::Format_RGB32);
    m_hDC->target = &m_hDC->scratch;
    m_hDC->font = pDC != nullptr && pDC->m_hDC != nullptr ? pDC->m_hDC->font : QApplication::font();
    return TRUE;
}

HBITMAP CDC::SelectObject(HBITMAP hBitmap) {
    if (m_hDC == nullptr || m_hDC->window != nullptr)
        return nullptr;
    QImage* image = afx::BitmapImage(hBitmap);
    if (image == nullptr)
        return nullptr;
    HBITMAP previous = m_hDC->selected;
    m_hDC->selected = hBitmap;
    m_hDC->target = image;
    return previous;
}

CBitmap* CDC::SelectObject(CBitmap* pBitmap) {
    if (pBitmap == nullptr)
        return nullptr;
    SelectObject(static_cast<HBITMAP>(*pBitmap));
    return nullptr;
}

BOOL CDC::BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc,
                 DWORD dwRop) {
    if (!Usable(m_hDC))
        return FALSE;
    QRect dest(x, y, nWidth, nHeight);
    if (dwRop == DSTINVERT) {
        RECT r{x, y, x + nWidth, y + nHeight};
        InvertRect(&r);
        return TRUE;
    }
    if (dwRop != SRCCOPY || pSrcDC == nullptr || !Usable(pSrcDC->m_hDC))
        return FALSE;
    const QImage& source = *pSrcDC->m_hDC->target;
    QPainter p(m_hDC->target);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(dest, source, QRect(xSrc, ySrc, nWidth, nHeight));
    m_hDC->dirty |= dest;
    return TRUE;
}

int CDC::DrawText(LPCTSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat) {
    if (!Usable(m_hDC) || lpszString == nullptr || lpRect == nullptr)
        return 0;
    int length = nCount < 0 ? static_cast<int>(std::strlen(lpszString)) : nCount;
    QString text = afx::FromAnsi(lpszString, static_cast<int>(::strnlen(lpszString, length)));
    if ((nFormat & DT_NOPREFIX) == 0)
        text = StripPrefix(text);
    if ((nFormat & DT_SINGLELINE) != 0) {
        text.replace('\r', ' ');
        text.replace('\n', ' ');
    }
    QRect rect = ToQRect(*lpRect);
    int flags = Qt::TextSingleLine;
    flags |= (nFormat & DT_CENTER) != 0  ? Qt::AlignHCenter
             : (nFormat & DT_RIGHT) != 0 ? Qt::AlignRight
                                         : Qt::AlignLeft;
    flags |= (nFormat & DT_VCENTER) != 0  ? Qt::AlignVCenter
             : (nFormat & DT_BOTTOM) != 0 ? Qt::AlignBottom
                                          : Qt::AlignTop;
    QPainter p(m_hDC->target);
    p.setFont(m_hDC->font);
    QFontMetrics fm(m_hDC->font, m_hDC->target);
    if ((nFormat & DT_NOCLIP) == 0)
        p.setClipRect(rect);
    // Text starts at the rectangle even when it is wider: lay it out in a wide enough box.
    QRect box = rect;
    int textWidth = fm.horizontalAdvance(text);
    if (textWidth > box.width() && (flags & Qt::AlignLeft) != 0)
        box.setWidth(textWidth + 1);
    if (m_hDC->bkMode == OPAQUE) {
        QRect bounds = p.boundingRect(box, flags, text);
        p.fillRect(bounds.intersected((nFormat & DT_NOCLIP) == 0 ? rect : bounds),
                   afx::ToColor(m_hDC->bkColor));
    }
    p.setPen(afx::ToColor(m_hDC->textColor));
    p.drawText(box, flags, text);
    m_hDC->dirty |= (nFormat & DT_NOCLIP) == 0 ? rect : p.boundingRect(box, flags, text);
    return fm.height();
}

void CDC::InvertRect(LPCRECT lpRect) {
    if (!Usable(m_hDC) || lpRect == nullptr)
        return;
    QImage& image = *m_hDC->target;
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32) {
        image = image.convertToFormat(QImage::Format_RGB32);
    }
    QRect r = ToQRect(*lpRect).intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = r.left(); x <= r.right(); ++x)
            line[x] ^= 0x00FFFFFFu;
    }
    m_hDC->dirty |= r;
}

void CDC::FillSolidRect(LPCRECT lpRect, COLORREF color) {
    if (!Usable(m_hDC) || lpRect == nullptr)
        return;
    QPainter p(m_hDC->target);
    p.fillRect(ToQRect(*lpRect), afx::ToColor(color));
    m_hDC->dirty |= ToQRect(*lpRect);
}

BOOL CDC::GetTextMetrics(LPTEXTMETRIC tm) const {
    if (m_hDC == nullptr || tm == nullptr)
        return FALSE;
    QFontMetrics fm(m_hDC->font, m_hDC->target);
    tm->tmHeight = fm.height();
    tm->tmAscent = fm.ascent();
    tm->tmDescent = fm.descent();
    tm->tmInternalLeading = std::max(0, fm.height() - m_hDC->font.pixelSize());
    tm->tmExternalLeading = std::max(0, fm.leading());
    tm->tmAveCharWidth = fm.averageCharWidth();
    tm->tmMaxCharWidth = fm.maxWidth();
    return TRUE;
}

CSize CDC::GetTextExtent(LPCTSTR s, int n) const {
    if (m_hDC == nullptr || s == nullptr)
        return {};
    QFontMetrics fm(m_hDC->font, m_hDC->target);
    QString text = afx::FromAnsi(s, n < 0 ? -1 : static_cast<int>(::strnlen(s, n)));
    return {fm.horizontalAdvance(text), fm.height()};
}

COLORREF CDC::SetTextColor(COLORREF color) {
    if (m_hDC == nullptr)
        return 0;
    return std::exchange(m_hDC->textColor, color);
}

COLORREF CDC::SetBkColor(COLORREF color) {
    if (m_hDC == nullptr)
        return 0;
    return std::exchange(m_hDC->bkColor, color);
}

int CDC::SetBkMode(int nBkMode) {
    if (m_hDC == nullptr || (nBkMode != TRANSPARENT && nBkMode != OPAQUE))
        return 0;
    return std::exchange(m_hDC->bkMode, nBkMode);
}

COLORREF CDC::GetPixel(int x, int y) const {
    if (!Usable(m_hDC) || !m_hDC->target->rect().contains(x, y))
        return 0xFFFFFFFFu;
    QRgb c = m_hDC->target->pixel(x, y);
    return RGB(qRed(c), qGreen(c), qBlue(c));
}

CClientDC::CClientDC(CWnd* pWnd) : m_pWnd(pWnd) {
    afx::EnsureApplication();
    m_hDC = NewWindowDC(pWnd);
}

CClientDC::~CClientDC() = default;

CPaintDC::CPaintDC(CWnd* pWnd) : m_pWnd(pWnd) {
    afx::EnsureApplication();
    m_hDC = NewWindowDC(pWnd);
    HWND h = m_hDC->window;
    if (h != nullptr) {
        if (h->eraseOnPaint)
            h->picture.fill(Qt::white);
        h->eraseOnPaint = false;
        h->needsPaint = false;
        m_hDC->dirty = h->picture.rect();
    }
}

CPaintDC::~CPaintDC() = default;

CDC* CWnd::GetDC() {
    if (!afx::IsLiveWindow(m_hWnd))
        return nullptr;
    auto* dc = new CDC;
    dc->m_hDC = NewWindowDC(this);
    return dc;
}

int CWnd::ReleaseDC(CDC* pDC) {
    if (pDC == nullptr)
        return 0;
    delete pDC;
    return 1;
}

// ---------------------------------------------------------------------------------------
// Bitmaps

IMPLEMENT_DYNAMIC(CGdiObject, CObject)
IMPLEMENT_DYNAMIC(CBitmap, CGdiObject)

CGdiObject::~CGdiObject() {
    DeleteObject();
}

BOOL CGdiObject::Attach(HGDIOBJ hObject) {
    if (m_hObject != nullptr || hObject == nullptr)
        return FALSE;
    m_hObject = hObject;
    return TRUE;
}

HGDIOBJ CGdiObject::Detach() {
    return std::exchange(m_hObject, nullptr);
}

BOOL CGdiObject::DeleteObject() {
    if (m_hObject == nullptr)
        return FALSE;
    return ::DeleteObject(Detach());
}

BOOL CBitmap::LoadBitmap(LPCTSTR name) {
    if (m_hObject != nullptr)
        return FALSE;
    m_hObject = LoadImageA(AfxGetResourceHandle(), name, IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR);
    return m_hObject != nullptr;
}

int CBitmap::GetBitmap(BITMAP* pBitMap) const {
    return ::GetObjectA(m_hObject, sizeof(BITMAP), pBitMap);
}

HANDLE LoadImageA(HINSTANCE module, LPCSTR name, UINT type, int /*cx*/, int /*cy*/, UINT flags) {
    afx::EnsureApplication();
    if (name == nullptr || (type != IMAGE_BITMAP && type != IMAGE_ICON)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    QString path;
    if ((flags & LR_LOADFROMFILE) != 0) {
        if (IS_INTRESOURCE(name)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        path = QFile::decodeName(name);
    } else {
        path = afx::ResourcePath(module, name, type == IMAGE_BITMAP ? "BITMAP" : "ICON");
    }
    QFile file(path);
    // Our bitmaps are small; anything this large is not one of them.
    constexpr qint64 kMaxImageFile = 16 * 1024 * 1024;
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly) || file.size() > kMaxImageFile) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    QImage image;
    if (!image.loadFromData(file.readAll(), type == IMAGE_BITMAP ? "BMP" : nullptr)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    auto* bitmap = new HBITMAP__;
    // A loaded bitmap takes the display's format, as a device-dependent bitmap does.
    bitmap->image =
        image.convertToFormat(type == IMAGE_BITMAP ? QImage::Format_RGB32 : QImage::Format_ARGB32);
    LiveBitmaps().insert(bitmap);
    return bitmap;
}

BOOL DeleteObject(HGDIOBJ object) {
    auto* bitmap = static_cast<HBITMAP>(object);
    if (bitmap == nullptr || LiveBitmaps().erase(bitmap) == 0)
        return FALSE;
    delete bitmap;
    return TRUE;
}

int GetObjectA(HGDIOBJ object, int size, void* out) {
    QImage* image = afx::BitmapImage(static_cast<HBITMAP>(object));
    if (image == nullptr)
        return 0;
    if (out == nullptr)
        return sizeof(BITMAP);
    if (size < static_cast<int>(sizeof(BITMAP)))
        return 0;
    BITMAP bm{};
    bm.bmWidth = image->width();
    bm.bmHeight = image->height();
    bm.bmWidthBytes = static_cast<LONG>(image->bytesPerLine());
    bm.bmPlanes = 1;
    bm.bmBitsPixel = static_cast<WORD>(image->depth());
    std::memcpy(out, &bm, sizeof bm);
    return sizeof(BITMAP);
}
