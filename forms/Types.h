#pragma once
// Plain value types of the forms library: points, rectangles, sizes and small enum sets.
#include <windows.h>

#include <cstdint>
#include <initializer_list>

// A point; x and y as in POINT, so &pt goes straight to Win32.
struct TPoint : public POINT {
    TPoint()
    {
        x = 0;
        y = 0;
    }
    TPoint(int ax, int ay)
    {
        x = ax;
        y = ay;
    }
    TPoint(const POINT& p)
    {
        x = p.x;
        y = p.y;
    }
    bool operator==(const TPoint& o) const { return x == o.x && y == o.y; }
    bool operator!=(const TPoint& o) const { return !(*this == o); }
};

struct TSize : public SIZE {
    TSize()
    {
        cx = 0;
        cy = 0;
    }
    TSize(int w, int h)
    {
        cx = w;
        cy = h;
    }
    bool operator==(const TSize& o) const { return cx == o.cx && cy == o.cy; }
    bool operator!=(const TSize& o) const { return !(*this == o); }
};

// A rectangle; right and bottom are exclusive. Fields as in RECT.
struct TRect : public RECT {
    TRect() { left = top = right = bottom = 0; }
    TRect(int l, int t, int r, int b)
    {
        left = l;
        top = t;
        right = r;
        bottom = b;
    }
    TRect(const TPoint& topLeft, const TPoint& bottomRight)
    {
        left = topLeft.x;
        top = topLeft.y;
        right = bottomRight.x;
        bottom = bottomRight.y;
    }
    TRect(const RECT& r)
    {
        left = r.left;
        top = r.top;
        right = r.right;
        bottom = r.bottom;
    }

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    TPoint TopLeft() const { return TPoint(left, top); }
    TPoint BottomRight() const { return TPoint(right, bottom); }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(const TPoint& p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    void Offset(int dx, int dy)
    {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
    }
    bool operator==(const TRect& o) const
    {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    bool operator!=(const TRect& o) const { return !(*this == o); }
};

inline TPoint Point(int x, int y) { return TPoint(x, y); }
inline TRect Rect(int left, int top, int right, int bottom) { return TRect(left, top, right, bottom); }
inline TRect Bounds(int left, int top, int width, int height)
{
    return TRect(left, top, left + width, top + height);
}

// A set of enumeration values (at most 64), written like the library's sets:
//   TShiftState s; s << ssLeft; if (s.Contains(ssLeft)) ...
template <typename E>
class TSet {
public:
    constexpr TSet() : m_bits(0) {}
    TSet(std::initializer_list<E> items) : m_bits(0)
    {
        for (E e : items)
            m_bits |= Bit(e);
    }
    bool Contains(E e) const { return (m_bits & Bit(e)) != 0; }
    bool Empty() const { return m_bits == 0; }
    TSet& operator<<(E e)
    {
        m_bits |= Bit(e);
        return *this;
    }
    TSet& operator>>(E e)
    {
        m_bits &= ~Bit(e);
        return *this;
    }
    TSet operator+(const TSet& o) const { return FromBits(m_bits | o.m_bits); }
    TSet operator-(const TSet& o) const { return FromBits(m_bits & ~o.m_bits); }
    TSet operator*(const TSet& o) const { return FromBits(m_bits & o.m_bits); }
    TSet& operator+=(const TSet& o)
    {
        m_bits |= o.m_bits;
        return *this;
    }
    TSet& operator-=(const TSet& o)
    {
        m_bits &= ~o.m_bits;
        return *this;
    }
    bool operator==(const TSet& o) const { return m_bits == o.m_bits; }
    bool operator!=(const TSet& o) const { return m_bits != o.m_bits; }
    uint64_t ToInt() const { return m_bits; }
    static TSet FromBits(uint64_t bits)
    {
        TSet s;
        s.m_bits = bits;
        return s;
    }

private:
    static uint64_t Bit(E e) { return uint64_t(1) << static_cast<unsigned>(e); }
    uint64_t m_bits;
};
