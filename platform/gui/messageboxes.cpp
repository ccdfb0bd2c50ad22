#include "platform/gui/messageboxes.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSpacerItem>
#include <algorithm>
#include <utility>
#include <vector>

#include "platform/gui/dialogplacement.h"
#include "platform/gui/textfit.h"
#include "platform/gui/topmosts.h"
#include "platform/sysutils.h"

namespace {

std::shared_ptr<IMessageBoxes>& Current() {
    static std::shared_ptr<IMessageBoxes> boxes = std::make_shared<TQtMessageBoxes>();
    return boxes;
}

struct ButtonInfo {
    TMsgDlgBtn button;
    QMessageBox::StandardButton qt;
    TModalResult result;
};

constexpr ButtonInfo ButtonTable[] = {
    {mbYes, QMessageBox::Yes, mrYes},
    {mbNo, QMessageBox::No, mrNo},
    {mbOK, QMessageBox::Ok, mrOk},
    {mbCancel, QMessageBox::Cancel, mrCancel},
    {mbAbort, QMessageBox::Abort, mrAbort},
    {mbRetry, QMessageBox::Retry, mrRetry},
    {mbIgnore, QMessageBox::Ignore, mrIgnore},
    {mbAll, QMessageBox::YesToAll, mrAll},
    {mbNoToAll, QMessageBox::NoToAll, mrNoToAll},
    {mbYesToAll, QMessageBox::YesToAll, mrYesToAll},
    {mbHelp, QMessageBox::Help, mrNone},
    {mbClose, QMessageBox::Close, mrClose},
};

QMessageBox::Icon IconOf(TMsgDlgType type) {
    switch (type) {
    case mtWarning:
        return QMessageBox::Warning;
    case mtError:
        return QMessageBox::Critical;
    case mtInformation:
        return QMessageBox::Information;
    case mtConfirmation:
        return QMessageBox::Question;
    default:
        return QMessageBox::NoIcon;
    }
}

std::string ApplicationTitle() {
    return qApp ? QCoreApplication::applicationName().toStdString() : std::string();
}

// The font window managers commonly draw titles in: a bold face of about the application's.
QFont TitleFont() {
    QFont font = QApplication::font();
    font.setBold(true);
    return font;
}

// Shows box (built with its buttons) until it is answered: with text as SetBoxText cuts it
// (as it stands, never read as markup), placed, its whole title shown, and above the
// application's stay-on-top windows, owner or not.
void RunBox(QMessageBox& box, const std::string& text) {
    SetBoxText(box, text);
    WidenForTitle(box);
    PlaceDialog(&box);
    const TTopMostsLowered lowered;
    box.exec();
}

} // namespace

IMessageBoxes& MessageBoxes() {
    return *Current();
}

std::shared_ptr<IMessageBoxes> SetMessageBoxes(std::shared_ptr<IMessageBoxes> boxes) {
    if (!boxes)
        boxes = std::make_shared<TQtMessageBoxes>();
    return std::exchange(Current(), std::move(boxes));
}

int MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons) {
    static const char* const captions[] = {"Warning", "Error", "Information", "Confirm"};
    std::string caption = type < mtCustom ? captions[type] : ApplicationTitle();
    return MessageBoxes().MessageBox(HintLineBreaks(text), caption, type, buttons);
}

std::string ExceptionBoxText(const std::string& message) {
    std::string text = message;
    if (!text.empty()) {
        unsigned char last = static_cast<unsigned char>(text.back());
        // Letters, digits and closing marks get a full stop; '.', '!', '?', ':' and the like not.
        if (last > '.' && last != '!' && last != '?' && last != ':' && last != ';')
            text += '.';
    }
    return text;
}

void ShowException(const std::string& message) {
    MessageBoxes().ErrorBox(ExceptionBoxText(message));
}

void ShowException(const std::exception& e) {
    ShowException(std::string(e.what()));
}

QWidget* DialogOwner() {
    // A box owned by a window behind the modal one, or by none, may open behind it: a modal
    // window of a stay-on-top owner shares its owner's layer.
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

int TQtMessageBoxes::MessageBox(const std::string& text, const std::string& caption,
                                TMsgDlgType type, TMsgDlgButtons buttons) {
    QMessageBox box(IconOf(type), QString::fromStdString(caption), QString(), QMessageBox::NoButton,
                    DialogOwner());
    std::vector<std::pair<QAbstractButton*, TModalResult>> map;
    for (const ButtonInfo& b : ButtonTable)
        if (buttons & Buttons(b.button)) {
            QAbstractButton* button = box.addButton(b.qt);
            if (b.button == mbAll)
                button->setText(QStringLiteral("All"));
            map.emplace_back(button, b.result);
        }
    if (map.empty())
        map.emplace_back(box.addButton(QMessageBox::Ok), mrOk);
    RunBox(box, text);
    for (auto& [button, result] : map)
        if (box.clickedButton() == button)
            return result;
    return (buttons & Buttons(mbCancel)) ? mrCancel : mrNo;
}

void TQtMessageBoxes::ErrorBox(const std::string& message) {
    QMessageBox box(QMessageBox::Critical, QString::fromStdString(ApplicationTitle()), QString(),
                    QMessageBox::Ok, DialogOwner());
    RunBox(box, message);
}

QString FitTextToLines(const std::string& text, const QFont& font, int width, int lines) {
    // Measured as the label lays the lines out.
    const QFontMetricsF metrics(font);
    return WrapText(TextWidthOf(metrics), text, std::max(width, 1), lines, TLongWords::Break).Kept;
}

void SetBoxText(QMessageBox& box, const std::string& text) {
    box.setTextFormat(Qt::PlainText);
    auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    const QFont font = label ? label->font() : box.font();
    QRect area = OwnerWorkArea(&box);
    if (!area.isValid())
        area = QRect(0, 0, 640, 480);
    // Beside the text: the margins, the icon and the space after it; above and below it: the
    // margins, the buttons and the space before them, and the frame's title bar and borders.
    int beside = 0, aboveBelow = 3 * QFontMetrics(TitleFont()).height();
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        const QMargins margins = grid->contentsMargins();
        beside += margins.left() + margins.right() + std::max(grid->horizontalSpacing(), 0);
        aboveBelow += margins.top() + margins.bottom() + 2 * std::max(grid->verticalSpacing(), 0);
    }
    if (auto* icon = box.findChild<QLabel*>(QStringLiteral("qt_msgboxex_icon_label")))
        beside += icon->sizeHint().width();
    if (auto* buttons = box.findChild<QDialogButtonBox*>())
        aboveBelow += buttons->sizeHint().height();
    const int width = std::min(area.width() / 2, 500) - beside;
    const int lines = (area.height() - aboveBelow) / QFontMetrics(font).lineSpacing();
    box.setText(FitTextToLines(text, font, width, lines));
    // The box may make the text narrower than its longest line only by breaking it at width.
    if (label)
        label->setMinimumWidth(std::min(width, label->sizeHint().width()));
}

int TitleBarWidth(const QString& title) {
    const QFontMetrics metrics(TitleFont());
    // The frame's icon and three buttons, with the space around them and the title, take about
    // nine lines' height.
    return metrics.horizontalAdvance(title) + 9 * metrics.height();
}

void WidenForTitle(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid)
        return;
    const QMargins margins = grid->contentsMargins();
    int width = TitleBarWidth(box.windowTitle()) - margins.left() - margins.right();
    if (const QScreen* screen = box.screen())
        width =
            std::min(width, screen->availableGeometry().width() - margins.left() - margins.right());
    // The box sizes itself to its layout's minimum: a strut across it makes that wide enough.
    grid->addItem(new QSpacerItem(std::max(width, 0), 0, QSizePolicy::Fixed, QSizePolicy::Minimum),
                  grid->rowCount(), 0, 1, grid->columnCount());
}
