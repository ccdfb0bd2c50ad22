#include "controls/edits/enhedit.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QStyle>
#include <QToolTip>

#include "platform/gui/canvas.h"
#include "platform/gui/qtcolors.h"
#include "platform/inifile.h"
#include "platform/shell.h"
#include "platform/sysutils.h"

Qt::Alignment AlignmentOf(TEditAlign a) {
    switch (a) {
    case TEditAlign::eaRight:
        return Qt::AlignRight | Qt::AlignVCenter;
    case TEditAlign::eaCenter:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    default:
        return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

namespace {

// Runs f with flag set, restoring it afterwards (also on exceptions).
template <class F> void WithFlag(bool& flag, F&& f) {
    bool old = flag;
    flag = true;
    try {
        f();
    } catch (...) {
        flag = old;
        throw;
    }
    flag = old;
}

} // namespace

QRect LabelRect(TLabelPosition pos, const QRect& r, const QSize& ls, int m) {
    int w = ls.width(), h = ls.height();
    int leftOf = r.left() - w - m;
    int centreY = r.top() + (r.height() - h) / 2;
    int bottomY = r.top() + r.height() - h;
    int above = r.top() - h - m;
    int below = r.top() + r.height() + m;
    int centreX = r.left() + (r.width() - w) / 2;
    switch (pos) {
    case lpLeftTop:
        return {leftOf, r.top(), w, h};
    case lpLeftCenter:
        return {leftOf, centreY, w, h};
    case lpLeftBottom:
        return {leftOf, bottomY, w, h};
    case lpTopLeft:
        return {r.left(), above, w, h};
    case lpBottomLeft:
        return {r.left(), below, w, h};
    case lpLeftTopLeft:
        return {r.left() - m, r.top(), w, h};
    case lpLeftCenterLeft:
        return {r.left() - m, centreY, w, h};
    case lpLeftBottomLeft:
        return {r.left() - m, bottomY, w, h};
    case lpTopCenter:
        return {centreX, above, w, h};
    case lpBottomCenter:
        return {centreX, below, w, h};
    }
    return {};
}

TEnhEdit::TEnhEdit(QWidget* parent) : QLineEdit(parent) {
    typing_.SetSeparators(LocaleSettings());
    setDragEnabled(false);
    setAcceptDrops(false);
    setMouseTracking(true);
    connect(this, &QLineEdit::textChanged, this, [this] { Change(); });
    ApplyColors();
}

TEnhEdit::~TEnhEdit() {
    try {
        SavePersist();
    } catch (...) {
        // The settings could not be written; the edit goes away all the same.
    }
    delete label_.data();
}

// ---- Value ---------------------------------------------------------------------------------

const TTypingSettings& TEnhEdit::TypingSettings() const {
    return typing_;
}

std::string TEnhEdit::Text() const {
    return ValueOf(text(), typing_).toStdString();
}

void TEnhEdit::SetText(const std::string& v) {
    QString value = NormalizeValue(QString::fromStdString(v), typing_);
    setText(typing_.Prefix + value + typing_.Suffix);
    SetModified(false);
    if (showURL_)
        SetURLLook(IsURL(value));
}

double TEnhEdit::ValueAsFloat() const {
    QString value = ValueOf(text(), typing_);
    switch (typing_.EditType) {
    case etNumeric:
    case etFloat:
        if (value.isEmpty() || value == "-")
            return 0;
        return NumberOfText(value, typing_);
    case etMoney:
        value.remove(typing_.ThousandSeparator);
        if (value.endsWith(typing_.DecimalSeparator))
            value.chop(1);
        if (value.isEmpty() || value == "-")
            return 0;
        return NumberOfText(value, typing_);
    case etHex: {
        bool ok = false;
        uint32_t v = value.toUInt(&ok, 16);
        if (!ok)
            throw EConvertError("'" + value.toStdString() + "' is not a valid hexadecimal value");
        return v;
    }
    case etString:
        return LeadingNumber(value);
    default:
        return 0;
    }
}

void TEnhEdit::SetValueAsFloat(double x) {
    QString v;
    switch (typing_.EditType) {
    case etString:
    case etFloat:
    case etMoney:
        v = FormatNumber(x, typing_.Precision, false, typing_);
        break;
    case etNumeric:
        v = FormatNumber(x, typing_.Precision, typing_.Precision >= 0, typing_);
        break;
    case etHex:
        v = QString::number(static_cast<uint32_t>(static_cast<int64_t>(x)), 16).toUpper();
        break;
    default:
        return;
    }
    setText(typing_.Prefix + v + typing_.Suffix);
    if (typing_.EditType == etMoney)
        MoneyReformatNow();
    SetModified(true);
}

void TEnhEdit::SetValueAsInteger(int i) {
    QString v;
    switch (typing_.EditType) {
    case etNumeric:
    case etFloat:
    case etMoney:
        v = QString::number(i);
        break;
    case etHex:
        v = QString::number(static_cast<uint32_t>(i), 16).toUpper();
        break;
    default:
        return;
    }
    setText(typing_.Prefix + v + typing_.Suffix);
    if (typing_.EditType == etMoney)
        MoneyReformatNow();
    SetModified(true);
}

void TEnhEdit::SelectAll() {
    TValueSpan v = ValueSpan(text(), typing_);
    int start = v.Start;
    if (showURL_) {
        QString value = text().mid(v.Start, v.End - v.Start);
        int at = value.indexOf("://");
        if (at >= 0)
            start = v.Start + at + 3;
        else if (value.startsWith("mailto:", Qt::CaseInsensitive))
            start = v.Start + 7;
    }
    setSelection(start, v.End - start);
}

void TEnhEdit::SetEditType(TEnhEditType t) {
    if (typing_.EditType == t)
        return;
    typing_.EditType = t;
    setEchoMode(t == etPassword ? QLineEdit::Password : QLineEdit::Normal);
    if (t != etString && !IsFloatType(t))
        typing_.Precision = 0;
    // A value that does not fit the new type is left for the user to correct.
}

void TEnhEdit::SetPrefix(const std::string& v) {
    QString value = ValueOf(text(), typing_);
    typing_.Prefix = QString::fromStdString(v);
    setText(typing_.Prefix + value + typing_.Suffix);
}

void TEnhEdit::SetSuffix(const std::string& v) {
    QString value = ValueOf(text(), typing_);
    typing_.Suffix = QString::fromStdString(v);
    setText(typing_.Prefix + value + typing_.Suffix);
}

void TEnhEdit::SetPrecision(int v) {
    TEnhEditType t = typing_.EditType;
    if ((t != etString && !IsFloatType(t)) || v == typing_.Precision)
        return;
    typing_.Precision = v;
    QString value = ValueOf(text(), typing_);
    TValueKind kind = ClassifyValue(value, typing_);
    double n = 0;
    if (kind == vkInteger || kind == vkFloat) {
        try {
            n = NumberOfText(value, typing_);
        } catch (const EConvertError&) {
            n = 0;
        }
    } else if (t == etString && !value.isEmpty()) {
        return; // a text that is no number keeps its words
    }
    bool modified = isModified();
    SetValueAsFloat(n);
    SetModified(modified);
}

void TEnhEdit::SetAutoThousandSeparator(bool v) {
    typing_.AutoThousandSeparator = v;
    if (typing_.EditType == etMoney)
        MoneyReformatNow();
}

// ---- Modified, error, colours --------------------------------------------------------------

void TEnhEdit::SetModified(bool v) {
    if (isReadOnly() && v)
        return;
    setModified(v);
    ApplyColors();
}

void TEnhEdit::SetError(bool v) {
    if (!showError_)
        return;
    error_ = v;
    ApplyColors();
}

void TEnhEdit::SetColor(TColor c) {
    color_ = c;
    ApplyColors();
}

void TEnhEdit::SetFontColor(TColor c) {
    fontColor_ = c;
    ApplyColors();
}

void TEnhEdit::ApplyColors() {
    bool focused = hasFocus();
    TColor back = color_;
    if (flat_ && FlatParentColor && parentWidget())
        back = QColorToColor(parentWidget()->palette().color(QPalette::Window));
    if (!isEnabled())
        back = DisabledColor;
    else if (error_ && showError_)
        back = ErrorColor;
    else if (focused && FocusColor != clNone)
        back = FocusColor;
    TColor fore = fontColor_;
    if (error_ && showError_)
        fore = ErrorFontColor;
    else if (ShowModified && isModified())
        fore = ModifiedColor;
    else if (urlLook_)
        fore = URLColor;
    else if (focused && FocusFontColor != clNone)
        fore = FocusFontColor;
    QPalette pal = palette();
    pal.setColor(QPalette::Base, transparent_ ? QColor(Qt::transparent)
                                              : ColorToQColor(back, pal.color(QPalette::Base)));
    pal.setColor(QPalette::Text, ColorToQColor(fore, pal.color(QPalette::Text)));
    setPalette(pal);
}

void TEnhEdit::SetShowURL(bool v) {
    showURL_ = v;
    SetURLLook(v && IsURL(ValueOf(text(), typing_)));
}

void TEnhEdit::SetURLLook(bool on) {
    if (urlLook_ == on)
        return;
    urlLook_ = on;
    QFont f = font();
    f.setUnderline(on);
    setFont(f);
    setCursor(on ? Qt::PointingHandCursor : Qt::IBeamCursor);
    ApplyColors();
    update();
}

void TEnhEdit::SetEditAlign(TEditAlign a) {
    editAlign_ = a;
    setAlignment(AlignmentOf(a));
}

void TEnhEdit::SetFlat(bool v) {
    if (flat_ == v)
        return;
    flat_ = v;
    setFrame(!v);
    ApplyTextRect();
    ApplyColors();
    update();
}

void TEnhEdit::SetEmptyText(const std::string& v) {
    emptyText_ = v;
    update();
}

void TEnhEdit::SetRightInset(int v) {
    rightInset_ = v;
    ApplyTextRect();
}

void TEnhEdit::ApplyTextRect() {
    if (flat_)
        setTextMargins(leftInset_ + 2, 0, rightInset_ + 2, 0);
    else
        setTextMargins(leftInset_, 0, rightInset_, 0);
}

void TEnhEdit::setVisible(bool visible) {
    QLineEdit::setVisible(visible);
    if (label_)
        label_->setVisible(visible);
}

// ---- Label ---------------------------------------------------------------------------------

std::string TEnhEdit::LabelCaption() const {
    return label_ ? label_->text().toStdString() : std::string();
}

void TEnhEdit::SetLabelCaption(const std::string& v) {
    if (!label_) {
        label_ = new QLabel(parentWidget());
        label_->setBuddy(this);
        label_->setAutoFillBackground(!labelTransparent_);
        if (labelParentFont_)
            label_->setFont(font());
        label_->installEventFilter(this);
        label_->setVisible(isVisibleTo(parentWidget() ? parentWidget() : this));
    }
    label_->setText(QString::fromStdString(v));
    PlaceLabel();
}

void TEnhEdit::SetLabelPosition(TLabelPosition p) {
    labelPosition_ = p;
    PlaceLabel();
}

void TEnhEdit::SetLabelMargin(int m) {
    labelMargin_ = m;
    PlaceLabel();
}

void TEnhEdit::SetLabelFont(const QFont& f) {
    labelFont_ = f;
    labelParentFont_ = false;
    if (label_)
        label_->setFont(f);
    PlaceLabel();
}

void TEnhEdit::SetLabelParentFont(bool v) {
    labelParentFont_ = v;
    if (label_)
        label_->setFont(v ? font() : labelFont_);
    PlaceLabel();
}

void TEnhEdit::SetLabelTransparent(bool v) {
    labelTransparent_ = v;
    if (label_)
        label_->setAutoFillBackground(!v);
}

void TEnhEdit::SetTransparent(bool v) {
    transparent_ = v;
    setAttribute(Qt::WA_TranslucentBackground, v);
    ApplyColors();
    update();
}

void TEnhEdit::PlaceLabel() {
    if (!label_)
        return;
    if (!labelParentFont_ && label_->font() != labelFont_)
        label_->setFont(labelFont_);
    QSize size(label_->fontMetrics().horizontalAdvance(label_->text()),
               label_->sizeHint().height());
    label_->setGeometry(LabelRect(labelPosition_, geometry(), size, labelMargin_));
    label_->setEnabled(isEnabled() || LabelAlwaysEnabled);
}

// ---- Validation and change -----------------------------------------------------------------

std::string TEnhEdit::Version() const {
    uint32_t v = GetVersionNr();
    return IntToStr(v >> 24) + "." + IntToStr((v >> 16) & 0xFF) + "." + IntToStr((v >> 8) & 0xFF) +
           "." + IntToStr(v & 0xFF);
}

bool TEnhEdit::IsValid(const std::string& value) {
    if (validating_)
        return true;
    bool ok = true;
    WithFlag(validating_, [&] { ValidateEvent(value, ok); });
    return ok;
}

void TEnhEdit::ValidateEvent(const std::string& value, bool& IsValid) {
    if (OnValueValidate)
        OnValueValidate(this, value, IsValid);
}

void TEnhEdit::Change() {
    if (showError_)
        SetError(!IsValid(Text()));
    if (showURL_)
        SetURLLook(IsURL(ValueOf(text(), typing_)));
    if (transparent_)
        update();
    if (!swallowChange_ && OnChange)
        OnChange(this);
}

void TEnhEdit::Loaded() {
    ApplyTextRect();
    ApplyColors();
    PlaceLabel();
    LoadPersist();
}

// ---- Persistence and lookup ----------------------------------------------------------------

void TEnhEdit::LoadPersist() {
    if (!persistence_.Enable)
        return;
    std::unique_ptr<TCustomIniFile> ini = OpenPersistence(persistence_);
    std::string v =
        LoadPersistValues(*ini, persistence_.Section, objectName().toStdString(), lookup_);
    if (v != "@")
        setText(QString::fromStdString(v));
}

void TEnhEdit::SavePersist() {
    if (!persistence_.Enable)
        return;
    std::unique_ptr<TCustomIniFile> ini = OpenPersistence(persistence_);
    SavePersistValues(*ini, persistence_.Section, objectName().toStdString(), WindowText(),
                      lookup_);
    ini->UpdateFile();
}

bool TEnhEdit::LookupShown() const {
    return lookupWindow_ && lookupWindow_->isVisible();
}

void TEnhEdit::UpdateLookup() {
    if (!lookup_.Enabled)
        return;
    TLookupPart part = LookupTypedPart(ValueOf(text(), typing_), lookup_.Multi, lookup_.Separator);
    if (part.Typed.size() < lookup_.NumChars()) {
        if (lookupWindow_)
            lookupWindow_->hide();
        return;
    }
    if (!lookupWindow_)
        lookupWindow_ = new TListHintWindow(*this);
    TListHintWindow& w = *lookupWindow_;
    QListWidget* list = w.ListControl();
    std::vector<TLookupMatch> matches = LookupMatches(lookup_, part.Typed);
    list->clear();
    int widest = 0;
    for (const TLookupMatch& m : matches) {
        auto* item = new QListWidgetItem(m.Text, list);
        item->setData(Qt::UserRole, m.Index);
        item->setSizeHint(QSize(0, 12));
        widest = std::max(widest, list->fontMetrics().horizontalAdvance(m.Text));
    }
    if (!matches.empty())
        list->setCurrentRow(0);
    QPalette pal = list->palette();
    pal.setColor(QPalette::Base, ColorToQColor(lookup_.Color, pal.color(QPalette::Base)));
    list->setPalette(pal);
    int rows = std::min<int>(static_cast<int>(matches.size()), lookup_.DisplayCount);
    int height = rows * 12 + 4;
    if (matches.empty()) {
        w.hide();
        return;
    }
    int width = std::max(widest, 50);
    if (static_cast<int>(matches.size()) > lookup_.DisplayCount)
        width += style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    if (!w.isVisible())
        width += 10;
    else
        width = w.width();
    TValueSpan v = ValueSpan(text(), typing_);
    QPoint origin = mapToGlobal(QPoint(0, 0));
    w.setGeometry(origin.x() + 8 + CharX(v.Start + part.Offset), origin.y() + this->height() - 6,
                  width, height);
    w.show();
}

void TEnhEdit::PickLookup() {
    if (!lookupWindow_)
        return;
    QListWidget* list = lookupWindow_->ListControl();
    QListWidgetItem* item = list->currentItem();
    lookupWindow_->hide();
    activateWindow();
    setFocus();
    if (!item)
        return;
    int index = item->data(Qt::UserRole).toInt();
    std::string value = LookupValue(lookup_, index, item->text()).toStdString();
    if (OnLookupSelect)
        OnLookupSelect(this, value);
    if (OnLookupIndexSelect)
        OnLookupIndexSelect(this, index, value);
    if (lookup_.Multi) {
        QString old = ValueOf(text(), typing_);
        QString nt =
            old.left(old.lastIndexOf(lookup_.Separator) + 1) + QString::fromStdString(value);
        setText(typing_.Prefix + nt + typing_.Suffix);
        setCursorPosition(typing_.Prefix.size() + nt.size());
    } else {
        SetText(value);
        SelectAll();
    }
    SetModified(true);
}

bool TEnhEdit::LookupKey(int key) {
    if (!LookupShown())
        return false;
    QListWidget* list = lookupWindow_->ListControl();
    int last = list->count() - 1;
    int row = list->currentRow();
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        PickLookup();
        return true;
    case Qt::Key_Home:
        row = 0;
        break;
    case Qt::Key_End:
        row = last;
        break;
    case Qt::Key_PageDown:
        row += lookup_.DisplayCount;
        break;
    case Qt::Key_PageUp:
        row -= lookup_.DisplayCount;
        break;
    case Qt::Key_Down:
        ++row;
        break;
    case Qt::Key_Up:
        --row;
        break;
    default:
        return false;
    }
    list->setCurrentRow(std::clamp(row, 0, std::max(0, last)));
    return true;
}

// ---- Painting and other events ---------------------------------------------------------------

void TEnhEdit::paintEvent(QPaintEvent* e) {
    QLineEdit::paintEvent(e);
    QPainter p(this);
    if (!hasFocus() && !emptyText_.empty() && ValueOf(text(), typing_).isEmpty()) {
        p.setPen(QColor(0x80, 0x80, 0x80));
        p.setFont(QApplication::font());
        // The text cell's top-left corner at (2, 2), whatever the insets and the edit's height.
        p.drawText(QPoint(2, 2 + p.fontMetrics().ascent()), QString::fromStdString(emptyText_));
    }
    if (flat_ && !FocusBorder) {
        p.setPen(ColorToQColor(FlatLineColor, Qt::black));
        if (SoftBorder)
            p.drawRect(QRect(leftInset_, 0, width() - 1 - leftInset_, height() - 1));
        else
            p.drawLine(leftInset_, height() - 1, width() - rightInset_, height() - 1);
    }
    PaintBorder(p);
    if (dropCaret_ >= 0) {
        int x = CharX(dropCaret_);
        int h = fontMetrics().height();
        int top = (height() - h) / 2;
        p.setPen(palette().color(QPalette::Text));
        p.drawLine(x, top, x, top + h - 1);
    }
    if (!hasFocus() && ErrorMarkerLen > 0) {
        QString shown = displayText();
        int from = std::clamp(ErrorMarkerPos, 0, static_cast<int>(shown.size()));
        int to = ErrorMarkerPos + ErrorMarkerLen;
        int x0 = CharX(from);
        int x1 = to > shown.size() ? CharX(shown.size()) + 4 : CharX(to);
        int y = (height() + fontMetrics().height()) / 2;
        p.setPen(QPen(Qt::red, 2));
        bool up = true;
        for (int x = x0; x < x1; x += 3, up = !up)
            p.drawLine(x, up ? y : y - 3, x + 3, up ? y - 3 : y);
    }
}

void TEnhEdit::PaintBorder(QPainter& p) {
    QRect r = rect();
    if (FocusBorderColor != clNone) {
        if (hasFocus())
            Frame3D(p, r, FocusBorderColor, FocusBorderColor, 1);
        return;
    }
    if (!FocusBorder)
        return;
    if (hot_ || hasFocus()) {
        DrawEdge(p, r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
        Frame3D(p, r, clBtnFace, clBtnFace, 1);
        return;
    }
    // Two rings in the parent's colour cover the frame, so the edit shows none.
    QWidget* parent = parentWidget();
    TColor back =
        parent ? QColorToColor(parent->palette().color(parent->backgroundRole())) : color_;
    Frame3D(p, r, back, back, 2);
}

void TEnhEdit::resizeEvent(QResizeEvent* e) {
    QLineEdit::resizeEvent(e);
    PlaceLabel();
}

void TEnhEdit::moveEvent(QMoveEvent* e) {
    QLineEdit::moveEvent(e);
    PlaceLabel();
}

void TEnhEdit::changeEvent(QEvent* e) {
    QLineEdit::changeEvent(e);
    if (e->type() == QEvent::EnabledChange) {
        ApplyColors();
        if (label_)
            label_->setEnabled(isEnabled() || LabelAlwaysEnabled);
    } else if (e->type() == QEvent::ParentChange && label_) {
        label_->setParent(parentWidget());
        PlaceLabel();
        label_->setVisible(isVisible());
    } else if (e->type() == QEvent::FontChange && label_) {
        if (labelParentFont_) {
            QFont f = font();
            f.setUnderline(false); // the address look underlines the edit only
            label_->setFont(f);
        }
        PlaceLabel();
    }
}

bool TEnhEdit::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip && HintShowLargeText) {
        QString value = ValueOf(text(), typing_);
        if (fontMetrics().horizontalAdvance(value) > width()) {
            QToolTip::showText(mapToGlobal(QPoint(0, 0)), value, this, QRect(), toolTipDuration());
            return true;
        }
    }
    return QLineEdit::event(e);
}

bool TEnhEdit::eventFilter(QObject* watched, QEvent* e) {
    // A label being destroyed is no longer a QLabel: qobject_cast leaves it out.
    auto* label = qobject_cast<QLabel*>(watched);
    if (label && label == label_) {
        if (e->type() == QEvent::MouseButtonRelease && OnLabelClick)
            OnLabelClick(this);
        else if (e->type() == QEvent::MouseButtonDblClick && OnLabelDblClick)
            OnLabelDblClick(this);
    }
    return QLineEdit::eventFilter(watched, e);
}

void TEnhEdit::contextMenuEvent(QContextMenuEvent* e) {
    std::unique_ptr<QMenu> menu(createStandardContextMenu());
    // The menu's clipboard commands go through the edit's own rules and events.
    for (QAction* a : menu->actions()) {
        QString name = a->objectName();
        if (name == "edit-paste" || name == "edit-cut" || name == "edit-copy") {
            a->disconnect();
            if (name == "edit-paste")
                connect(a, &QAction::triggered, this, [this] { PasteFromClipboard(); });
            else if (name == "edit-cut")
                connect(a, &QAction::triggered, this, [this] { CutToClipboard(); });
            else
                connect(a, &QAction::triggered, this, [this] { CopyToClipboard(); });
        }
    }
    menu->exec(e->globalPos());
}
