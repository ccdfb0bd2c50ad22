#pragma once
// Helpers shared by every tree: alpha blending of 32-bit images, text shortening, rectangle
// ordering, colour conversion, the drawn header faces and check images, and growable text
// buffers for the text exports.

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QString>
#include <string>
#include <utility>

#include "controls/tree/treeheader.h"
#include "controls/tree/treetypes.h"
#include "platform/colors.h"

// Blend modes of AlphaBlend.
enum TBlendMode {
    bmConstantAlpha,        // D += (S - D) * ConstantAlpha / 256 + Bias
    bmPerPixelAlpha,        // the same with the source pixel's alpha
    bmMasterAlpha,          // the source pixel's alpha scaled by ConstantAlpha / 256
    bmConstantAlphaAndColor // no source: every pixel blended toward the colour Bias
};

// Blends the rectangle R of Source into Destination at Target, byte by byte with saturation.
// Both images must be Format_ARGB32_Premultiplied (or ARGB32/RGB32); Source may be null for
// bmConstantAlphaAndColor, where Bias is the colour ($00RRGGBB as stored in the pixel).
// R is clipped to both images; an empty R does nothing. Fails an assertion for other formats.
void AlphaBlend(const QImage* Source, QImage& Destination, QRect R, QPoint Target, TBlendMode Mode,
                int ConstantAlpha, int Bias);

// The longest prefix of S that fits into Width pixels together with "...", followed by
// "..."; S itself when it fits.
QString ShortenString(const QFontMetrics& Metrics, const QString& S, int Width);

// R with left <= right and top <= bottom.
QRect OrderRect(const QRect& R);

// The colour as $00BBGGRR: system colours resolved; clNone gives $FFFFFFFF.
uint32_t GetRGBColor(TColor Value);

// The own "XP" header face (pressed, hot or normal with a splitter).
void DrawXPButton(QPainter& p, const QRect& r, bool DrawSplitter, bool Down, bool Hover);
// The classic beveled header faces of the thick, flat and plate styles.
void DrawHeaderEdge(QPainter& p, const QRect& r, TLTHeaderStyle Style, bool Down, bool Hover);
// A node's check image (check box, tri-state box or radio button) centred in r.
void DrawCheckImage(QPainter& p, const QRect& r, TCheckType Type, TCheckState State, bool Enabled,
                    bool Hot);

// A growable text buffer; its capacity at least doubles when it grows (linear time overall).
template <typename CharT> class TBasicBufferedString {
public:
    void Add(std::basic_string_view<CharT> s) {
        if (buffer_.size() + s.size() > buffer_.capacity())
            buffer_.reserve(std::max(2 * buffer_.capacity(),
                                     buffer_.size() + std::max<size_t>(4096, s.size())));
        buffer_.append(s);
    }
    void Add(CharT c) { Add(std::basic_string_view<CharT>(&c, 1)); }
    void AddNewLine() {
        const CharT crlf[] = {CharT('\r'), CharT('\n')};
        Add(std::basic_string_view<CharT>(crlf, 2));
    }
    const std::basic_string<CharT>& AsString() const { return buffer_; }
    // Makes room for at least Size units in all (an estimate saves the growth steps).
    void Reserve(size_t Size) { buffer_.reserve(Size); }
    // Hands the text over without a copy; the buffer is empty afterwards.
    std::basic_string<CharT> Take() { return std::exchange(buffer_, {}); }

private:
    std::basic_string<CharT> buffer_;
};
using TBufferedString = TBasicBufferedString<char>;
using TWideBufferedString = TBasicBufferedString<char16_t>;
