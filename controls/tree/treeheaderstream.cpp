// The header and column streams.
#include <QString>
#include <algorithm>
#include <numeric>

#include "controls/tree/leantree.h"
#include "controls/tree/treeheader.h"

using enum TLTHeaderOption;
using enum THeaderState;

namespace {

void WriteInt(TStream& s, int32_t v) {
    s.WriteValue<int32_t>(v);
}

int32_t ReadInt(TStream& s) {
    return s.ReadValue<int32_t>();
}

void WriteText(TStream& s, const std::string& text) {
    std::u16string units = QString::fromStdString(text).toStdU16String();
    WriteInt(s, int32_t(units.size()));
    s.WriteBuffer(units.data(), int64_t(units.size() * 2));
}

// A length read from the stream is checked against what remains before anything is allocated.
int32_t ReadCount(TStream& s, int64_t unitSize) {
    int32_t n = ReadInt(s);
    if (n < 0 || int64_t(n) * unitSize > s.Remaining())
        throw EReadError("Stream read error");
    return n;
}

std::string ReadText(TStream& s) {
    std::u16string units(size_t(ReadCount(s, 2)), u'\0');
    s.ReadBuffer(units.data(), int64_t(units.size() * 2));
    return QString::fromStdU16String(units).toStdString();
}

// Column options written by older versions.
uint16_t ConvertOptions(int32_t stored, int version) {
    if (version >= 3)
        return uint16_t(stored);
    if (version == 2)
        return uint16_t(stored & 0xFF);
    return uint16_t((stored & 0x0F) | ((stored & 0x70) << 1));
}

} // namespace

void TLeanTreeColumn::SaveToStream(TStream& Stream) const {
    WriteText(Stream, text_);
    WriteText(Stream, hint_);
    for (int32_t v :
         {width_, minWidth_, maxWidth_, int(style_), imageIndex_, int(layout_), margin_, spacing_,
          int(bidi_), int(options_.Bits()), tag_, int(alignment_), int(color_)})
        WriteInt(Stream, v);
}

void TLeanTreeColumn::LoadFromStream(TStream& Stream, int Version) {
    text_ = ReadText(Stream);
    hint_ = ReadText(Stream);
    int width = ReadInt(Stream);
    minWidth_ = std::max(0, ReadInt(Stream));
    maxWidth_ = std::max(minWidth_, int(ReadInt(Stream)));
    width_ = std::clamp(width, minWidth_, maxWidth_);
    style_ = TLeanTreeColumnStyle(ReadInt(Stream) == 1 ? 1 : 0);
    imageIndex_ = ReadInt(Stream);
    layout_ = TLTHeaderColumnLayout(std::clamp<int32_t>(ReadInt(Stream), 0, 3));
    int margin = ReadInt(Stream);
    margin_ = margin < 0 ? 4 : margin;
    spacing_ = ReadInt(Stream);
    bidi_ = TBiDiMode(std::clamp<int32_t>(ReadInt(Stream), 0, 3));
    options_ = TLTColumnOptions::FromBits(ConvertOptions(ReadInt(Stream), Version));
    if (Version >= 1) {
        tag_ = ReadInt(Stream);
        alignment_ = TAlignment(std::clamp<int32_t>(ReadInt(Stream), 0, 2));
    }
    if (Version >= 2)
        color_ = TColor(ReadInt(Stream));
    lastWidth_ = width_;
}

void TLeanTreeColumns::SaveToStream(TStream& Stream) const {
    WriteInt(Stream, Count());
    if (Count() == 0)
        return;
    for (const auto& c : items_)
        c->SaveToStream(Stream);
    for (int i : positionToIndex_)
        WriteInt(Stream, i);
}

void TLeanTreeColumns::LoadFromStream(TStream& Stream, int Version) {
    Clear();
    int count = ReadCount(Stream, 2 * 4 + 11 * 4);
    if (count == 0)
        return;
    BeginUpdate();
    try {
        for (int i = 0; i < count; ++i)
            items_.push_back(header_->tree_->GetColumnClass(this));
        for (auto& c : items_)
            c->LoadFromStream(Stream, Version);
        std::vector<int> order(static_cast<size_t>(count));
        for (int& p : order)
            p = ReadInt(Stream);
        // A damaged order falls back to the collection order.
        std::vector<int> sorted = order;
        std::sort(sorted.begin(), sorted.end());
        std::vector<int> identity(static_cast<size_t>(count));
        std::iota(identity.begin(), identity.end(), 0);
        positionToIndex_ = sorted == identity ? order : identity;
        for (size_t p = 0; p < positionToIndex_.size(); ++p)
            items_[size_t(positionToIndex_[p])]->position_ = uint32_t(p);
    } catch (...) {
        items_.clear();
        positionToIndex_.clear();
        updateCount_ = 0;
        throw;
    }
    EndUpdate();
    UpdatePositions(true);
}

void TLTHeader::SaveToStream(TStream& Stream) const {
    WriteInt(Stream, -1);
    WriteInt(Stream, 3);
    columns_->SaveToStream(Stream);
    WriteInt(Stream, autoSizeIndex_);
    WriteInt(Stream, background_);
    WriteInt(Stream, height_);
    WriteInt(Stream, options_.Bits());
    WriteInt(Stream, style_);
    WriteInt(Stream, FontColor);
    WriteInt(Stream, font_.pixelSize() > 0 ? -font_.pixelSize() : font_.pointSize());
    std::string name = font_.family().toLatin1().toStdString();
    WriteInt(Stream, int32_t(name.size()));
    Stream.WriteBuffer(name.data(), int64_t(name.size()));
    WriteInt(Stream, font_.fixedPitch() ? 2 : 0);
    WriteInt(Stream, (font_.bold() ? 1 : 0) | (font_.italic() ? 2 : 0) |
                         (font_.underline() ? 4 : 0) | (font_.strikeOut() ? 8 : 0));
    WriteInt(Stream, mainColumn_);
    WriteInt(Stream, sortColumn_);
    WriteInt(Stream, sortDirection_);
}

void TLTHeader::LoadFromStream(TStream& Stream) {
    int version = -1;
    int32_t first = ReadInt(Stream);
    if (first >= 0)
        Stream.Seek(-4, TSeekOrigin::soCurrent);
    else
        version = ReadInt(Stream);
    states_ |= hsLoading;
    options_ = {};
    try {
        columns_->LoadFromStream(Stream, version);
        autoSizeIndex_ = ReadInt(Stream);
        background_ = TColor(ReadInt(Stream));
        height_ = std::max<int32_t>(0, ReadInt(Stream));
        TLTHeaderOptions options = TLTHeaderOptions::FromBits(uint16_t(ReadInt(Stream)));
        style_ = TLTHeaderStyle(std::clamp<int32_t>(ReadInt(Stream), 0, 3));
        FontColor = TColor(ReadInt(Stream));
        int32_t fontHeight = ReadInt(Stream);
        int32_t nameLength = ReadCount(Stream, 1);
        std::string name(size_t(nameLength), '\0');
        Stream.ReadBuffer(name.data(), nameLength);
        int32_t pitch = ReadInt(Stream) & 0x7F;
        int32_t style = ReadInt(Stream);
        QFont font(QString::fromLatin1(name.data(), nameLength));
        if (fontHeight < 0)
            font.setPixelSize(-fontHeight);
        else if (fontHeight > 0)
            font.setPointSize(fontHeight);
        font.setFixedPitch(pitch == 2);
        font.setBold(style & 1);
        font.setItalic(style & 2);
        font.setUnderline(style & 4);
        font.setStrikeOut(style & 8);
        font_ = font;
        options_ = options;
        if (version > 0) {
            int count = columns_->Count();
            int32_t main = ReadInt(Stream), sort = ReadInt(Stream);
            mainColumn_ = count ? std::clamp<int32_t>(main, 0, count - 1) : NoColumn;
            sortColumn_ = std::clamp<int32_t>(sort, -1, count - 1);
            sortDirection_ = ReadInt(Stream) == 1 ? sdDescending : sdAscending;
        } else {
            // Kept from before the stream: within the columns read.
            int count = columns_->Count();
            mainColumn_ = count ? std::clamp(mainColumn_, 0, count - 1) : NoColumn;
            sortColumn_ = std::clamp(sortColumn_, -1, count - 1);
        }
    } catch (...) {
        states_ -= hsLoading;
        throw;
    }
    states_ -= hsLoading;
    RecalculateHeader();
    tree_->DoColumnResize(NoColumn);
}
