#include "app/frmsmtpsettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <atomic>

#include "core/mailer.h"
#include "core/registrymanager.h"
#include "core/windows/alertwindowsetup.h"
#include "platform/gui/dialogplacement.h"
#include "platform/gui/messageboxes.h"

namespace {

QLineEdit* Edit(QFormLayout* form, const char* caption, QWidget* parent) {
    auto* e = new QLineEdit(parent);
    auto* label = new QLabel(QString::fromUtf8(caption), parent);
    label->setBuddy(e);
    form->addRow(label, e);
    return e;
}

const TOptionsSheetRegistrar registrar(
    GeneralOptionsGroup, "E-mail Account",
    [](TTockwellOptionsWnd* owner, QWidget* parent) { return new TOptSMTPsettings(owner, parent); },
    2);

} // namespace

std::string TOptSMTPsettings::DefaultKeyPath() {
    return SMTPSettingsKey;
}

TOptSMTPsettings::TOptSMTPsettings(TTockwellOptionsWnd* owner, QWidget* parent, std::string keyPath)
    : TOptionsSheetBase(owner, parent), keyPath_(std::move(keyPath)) {
    setObjectName(QStringLiteral("OptSMTPsettings"));
    lbSheetBaseLabel->hide();
    // One form, so that the labels of all sections line up.
    auto* form = new QFormLayout(this);
    form->addRow(Section(QStringLiteral("User Information (appears in field \"from\")")));
    edNameFrom = Edit(form, "&Your Name: ", this);
    edEMailFrom = Edit(form, "&E-mail Address", this);
    form->addRow(Section(QStringLiteral("Server")));
    EdHost = Edit(form, "&SMTP Server", this);
    edPort = Edit(form, "P&ort", this);
    edPort->setText(QStringLiteral("25"));
    edPort->setMaximumWidth(80);
    form->addRow(Section(QStringLiteral("Logon Information")));
    edUserName = Edit(form, "&User Name: ", this);
    edPassword = Edit(form, "&Password", this);
    edPassword->setEchoMode(QLineEdit::Password);
    cbAuthentication = new QCheckBox(QStringLiteral("&My server requires authentication"), this);
    form->addRow(QString(), cbAuthentication);
    cbEncoding = new QComboBox(this);
    cbEncoding->setEditable(true);
    cbEncoding->setInsertPolicy(QComboBox::NoInsert);
    cbEncoding->addItems({QStringLiteral("windows-1251"), QStringLiteral("utf-8"),
                          QStringLiteral("iso-8859-1"), QStringLiteral("koi8-r")});
    auto* encodingLabel = new QLabel(QStringLiteral("E&ncoding for outgoing messages"), this);
    encodingLabel->setBuddy(cbEncoding);
    form->addRow(encodingLabel, cbEncoding);
    Button1 = new QPushButton(QStringLiteral("Send &test message"), this);
    Button1->setAutoDefault(false);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(Button1);
    form->addRow(row);
    for (QLineEdit* e : findChildren<QLineEdit*>())
        e->setMinimumWidth(60);

    LoadSettings();
    for (QLineEdit* e : {edNameFrom, edEMailFrom, EdHost, edPort, edUserName, edPassword})
        connect(e, &QLineEdit::textChanged, this, [this] { Changed(); });
    connect(cbEncoding, &QComboBox::editTextChanged, this, [this] { Changed(); });
    connect(cbAuthentication, &QCheckBox::toggled, this, [this] { Changed(); });
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
}

void TOptSMTPsettings::LoadSettings() {
    ++Loading;
    TMailer mailer(keyPath_, true);
    edNameFrom->setText(QString::fromStdString(mailer.Message.From.Name));
    edEMailFrom->setText(QString::fromStdString(mailer.Message.From.Address));
    EdHost->setText(QString::fromStdString(mailer.SMTP.Host));
    edPort->setText(QString::number(mailer.SMTP.Port));
    edUserName->setText(QString::fromStdString(mailer.SMTP.Username));
    edPassword->setText(QString::fromStdString(mailer.SMTP.Password));
    cbEncoding->setEditText(QString::fromStdString(mailer.Message.CharSet));
    cbAuthentication->setChecked(mailer.SMTP.AuthType != satNone);
    --Loading;
}

void TOptSMTPsettings::Save() {
    bool ok = false;
    const int port = edPort->text().trimmed().toInt(&ok);
    if (!ok || port < 1 || port > 65535)
        throw EOptionsField("The port must be a number from 1 to 65535.", edPort);
    TMailer mailer(keyPath_);
    mailer.Message.From.Name = edNameFrom->text().toStdString();
    mailer.Message.From.Address = edEMailFrom->text().toStdString();
    mailer.SMTP.Host = EdHost->text().toStdString();
    mailer.SMTP.Port = port;
    mailer.SMTP.Username = edUserName->text().toStdString();
    mailer.SMTP.Password = edPassword->text().toStdString();
    mailer.Message.CharSet = cbEncoding->currentText().trimmed().toStdString();
    mailer.SaveSettings();
    TRegistryManager(keyPath_).WriteIntegerValue(
        "Authentication", cbAuthentication->isChecked() ? satDefault : satNone);
    SetModified(false);
}

void TOptSMTPsettings::Button1Click() {
    try {
        Save();
    } catch (const std::exception& e) {
        ShowOptionsError(e);
        return;
    }
    auto mail = std::make_unique<TMailer>(keyPath_, true);
    bool ok = false;
    const QString to = QInputDialog::getText(
        this, QStringLiteral("Test message"), QStringLiteral("Send test email to this address:"),
        QLineEdit::Normal, QString::fromStdString(mail->Message.From.Address), &ok);
    if (!ok)
        return;
    try {
        mail->Compose(to.toStdString(), TestMessageSubject, TestMessageBody);
    } catch (const std::exception& e) {
        ShowException(e);
        return;
    }
    SendTestMessage(std::move(mail), to);
}

void TOptSMTPsettings::SendTestMessage(std::unique_ptr<TMailer> mail, const QString& to) {
    // The session runs on the outbox's thread; the dialog stays responsive and can be
    // cancelled, which ends the session.
    struct TSending {
        QPointer<QProgressDialog> box;
        bool done = false;
        std::string error;
    };
    auto sending = std::make_shared<TSending>();
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    mail->SMTP.Cancel = cancel;
    QProgressDialog box(QStringLiteral("Sending the test message to %1...").arg(to),
                        QStringLiteral("Cancel"), 0, 0, this);
    box.setWindowTitle(QStringLiteral("Test message"));
    box.setMinimumDuration(0);
    box.setAutoClose(false);
    box.setAutoReset(false);
    PlaceDialog(&box);
    sending->box = &box;
    if (!outbox_)
        outbox_ = MakeMailOutbox();
    outbox_->Send(std::move(mail), [sending](const std::string& error) {
        sending->done = true;
        sending->error = error;
        if (sending->box)
            sending->box->accept();
    });
    if (!sending->done)
        box.exec();
    if (!sending->done) { // cancelled: the session ends, its outcome is dropped
        cancel->store(true);
        return;
    }
    if (!sending->error.empty())
        ShowException(sending->error);
}
