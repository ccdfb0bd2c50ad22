#include "platform/gui/messageboxes.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSpacerItem>
#include <algorithm>
#include <utility>
#include <vector>

#include "platform/gui/dialogplacement.h"
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

// A box built for text and title, placed, its whole title shown; its text is shown as it
// stands, never read as markup.
void PrepareBox(QMessageBox& box) {
    box.setTextFormat(Qt::PlainText);
    WidenForTitle(box);
    PlaceDialog(&box);
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
    QMessageBox box(IconOf(type), QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::NoButton, DialogOwner());
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
    PrepareBox(box);
    box.exec();
    for (auto& [button, result] : map)
        if (box.clickedButton() == button)
            return result;
    return (buttons & Buttons(mbCancel)) ? mrCancel : mrNo;
}

void TQtMessageBoxes::ErrorBox(const std::string& message) {
    QMessageBox box(QMessageBox::Critical, QString::fromStdString(ApplicationTitle()),
                    QString::fromStdString(message), QMessageBox::Ok, DialogOwner());
    PrepareBox(box);
    box.exec();
}

int TitleBarWidth(const QString& title) {
    // Window managers commonly draw the title in a bold face of about the application's font.
    QFont font = QApplication::font();
    font.setBold(true);
    const QFontMetrics metrics(font);
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
