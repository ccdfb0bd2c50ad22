#pragma once
// Image lists of the tree: equally sized images addressed by index (the normal images beside a
// row's label and the state images before them), and where a row's image comes from.

#include <QImage>
#include <QPixmap>
#include <functional>
#include <memory>
#include <vector>

class QPainter;

// A list of images of one size. Several trees may share a list; each one that shows it
// registers for change notices (through TLTImageLink).
class TLTImageList {
public:
    // Images are Width x Height pixels; a size below 1 becomes 16.
    explicit TLTImageList(int Width = 16, int Height = 16);
    TLTImageList(const TLTImageList&) = delete;
    TLTImageList& operator=(const TLTImageList&) = delete;

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    int Count() const { return int(FImages.size()); }
    // Appends Image, scaled to the list's size when it has another (a null image adds a
    // transparent one); returns its index.
    int Add(const QImage& Image);
    int Add(const QPixmap& Image) { return Add(Image.toImage()); }
    // Replaces image Index; false when Index is out of range.
    bool Replace(int Index, const QImage& Image);
    void Clear();
    // Image Index, or a null image when Index is out of range.
    QImage Image(int Index) const;
    // Draws image Index with its top-left corner at (X, Y); Ghosted draws it at half opacity.
    // Nothing for an index out of range.
    void Draw(QPainter& P, int X, int Y, int Index, bool Ghosted) const;

private:
    friend class TLTImageLink;
    void Changed();
    int FWidth, FHeight;
    std::vector<QImage> FImages;
    std::vector<std::pair<const void*, std::function<void()>>> FLinks;
};

// One reference to a list with a change notice: OnChange runs after each change of the list
// while the link holds it. The link drops its registration when it lets go of the list.
class TLTImageLink {
public:
    explicit TLTImageLink(std::function<void()> OnChange) : FOnChange(std::move(OnChange)) {}
    ~TLTImageLink() { Set(nullptr); }
    TLTImageLink(const TLTImageLink&) = delete;
    TLTImageLink& operator=(const TLTImageLink&) = delete;
    const std::shared_ptr<TLTImageList>& List() const { return FList; }
    void Set(std::shared_ptr<TLTImageList> Value);

private:
    std::shared_ptr<TLTImageList> FList;
    std::function<void()> FOnChange;
};

// One image of a row: its index in Images (-1 for none), whether it is drawn ghosted and its
// position in the cell (XPos from the cell's leading edge, YPos from its top).
struct TLTImageInfo {
    int Index = -1;
    bool Ghosted = false;
    std::shared_ptr<TLTImageList> Images;
    int XPos = 0;
    int YPos = 0;
    bool Shown() const { return Index >= 0 && Images && Index < Images->Count(); }
    // The room the image takes in the row: its width + 2, 0 without one.
    int Room() const { return Shown() ? Images->Width() + 2 : 0; }
};
