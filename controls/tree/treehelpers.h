#pragma once
// Helpers shared by every tree: alpha blending of 32-bit images, text shortening, rectangle
// ordering, colour conversion, the drawn header faces, and growable text buffers for the text
// exports.

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QString>
#include <QTimer>
#include <concepts>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "controls/tree/treeheader.h"
#include "controls/tree/treetextfit.h"
#include "controls/tree/treetypes.h"
#include "platform/colors.h"

// Blend modes of AlphaBlend.
enum TBlendMode {
    bmConstantAlpha,        // D += (S - D) * ConstantAlpha / 256 + Bias
    bmPerPixelAlpha,        // the same with the source pixel's alpha
    bmMasterAlpha,          // the source pixel's alpha scaled by ConstantAlpha / 256
    bmConstantAlphaAndColor // no source: every byte blended toward the colour Bias's byte
};

// Blends the rectangle R of Source into Destination at Target, byte by byte with saturation.
// Both images must be Format_ARGB32_Premultiplied (or ARGB32/RGB32); Source may be null for
// bmConstantAlphaAndColor, where Bias is the colour ($00RRGGBB as stored in the pixel).
// R is clipped to both images; an empty R does nothing. Fails an assertion for other formats.
void AlphaBlend(const QImage* Source, QImage& Destination, QRect R, QPoint Target, TBlendMode Mode,
                int ConstantAlpha, int Bias);

// S cut to Width pixels with "..." as ElideToWidth cuts it, measured by Metrics'
// horizontalAdvance (QFontMetrics or alike): no more characters of S than can fit.
template <typename TMetrics>
requires requires(const TMetrics& m, const QString& s) {
    { m.horizontalAdvance(s) } -> std::convertible_to<int>;
}
QString ShortenString(const TMetrics& Metrics, const QString& S, int Width) {
    return ElideToWidth(
        [&Metrics](QStringView t) { return int(Metrics.horizontalAdvance(t.toString())); }, S,
        Width);
}

// R with left <= right and top <= bottom.
QRect OrderRect(const QRect& R);

// Timer, made on the first call: a single-shot timer that Owner owns and that runs OnTimeout
// on Owner's thread. Returns Timer.
QTimer* SingleShotTimer(QTimer*& Timer, QObject* Owner, std::function<void()> OnTimeout);

// The colour as $00BBGGRR: system colours resolved; clNone gives $FFFFFFFF, clDefault
// $FF000000.
uint32_t GetRGBColor(TColor Value);

// The own "XP" header face (pressed, hot or normal with a splitter).
void DrawXPButton(QPainter& p, const QRect& r, bool DrawSplitter, bool Down, bool Hover);
// The classic beveled header faces of the thick, flat and plate styles. Without RightEdge (the
// last cell) a face that is not closed all round leaves its right edge out.
void DrawHeaderEdge(QPainter& p, const QRect& r, TLTHeaderStyle Style, bool Down, bool Hover,
                    bool RightEdge = true);

// Asks the system to back a large buffer about to be written (Size bytes at Data) with large
// pages, so that filling it takes a few page faults instead of one per 4 KiB page. Does
// nothing for buffers below 32 MiB or where the system has no such advice.
void AdviseLargeBuffer(void* Data, size_t Size);

// A growable text buffer for large outputs. The text is written into blocks of a fixed size
// that are put together once, in a string of exactly the text's length, when the text is
// asked for: no estimate, no copying while it grows, and the result takes one allocation of
// its own size (room reserved but never written would cost fresh pages on large exports).
template <typename CharT> class TBasicBufferedString {
public:
    static constexpr size_t BlockSize = 32768; // units; small enough to stay in the heap

    void Add(std::basic_string_view<CharT> s) {
        while (s.size() > block_.capacity() - block_.size()) {
            const size_t n = block_.capacity() - block_.size();
            block_.append(s.substr(0, n));
            s.remove_prefix(n);
            NewBlock();
        }
        block_.append(s);
    }
    void Add(CharT c) {
        if (block_.size() == block_.capacity())
            NewBlock();
        block_.push_back(c);
    }
    void AddNewLine() {
        const CharT crlf[] = {CharT('\r'), CharT('\n')};
        Add(std::basic_string_view<CharT>(crlf, 2));
    }
    // The text so far, put together (valid until the next Add).
    const std::basic_string<CharT>& AsString() {
        Join();
        return block_;
    }
    size_t Size() const { return written_ + block_.size(); }
    // Hands the text over (exactly its length); the buffer is empty afterwards.
    std::basic_string<CharT> Take() {
        Join();
        written_ = 0;
        return std::exchange(block_, {});
    }

private:
    void NewBlock() {
        if (!block_.empty()) {
            written_ += block_.size();
            full_.push_back(std::move(block_));
        }
        block_ = {};
        block_.reserve(BlockSize);
    }
    void Join() {
        if (full_.empty())
            return;
        std::basic_string<CharT> all;
        all.reserve(Size());
        AdviseLargeBuffer(all.data(), all.capacity() * sizeof(CharT));
        for (const auto& b : full_)
            all.append(b);
        all.append(block_);
        full_.clear();
        written_ = 0;
        block_ = std::move(all);
    }
    std::vector<std::basic_string<CharT>> full_; // filled blocks, in order
    std::basic_string<CharT> block_;             // the block being written
    size_t written_ = 0;                         // units in full_
};
using TBufferedString = TBasicBufferedString<char>;
using TWideBufferedString = TBasicBufferedString<char16_t>;
