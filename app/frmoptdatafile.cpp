#include "app/frmoptdatafile.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/datafilestore.h"
#include "app/frmtockwelloptions.h"

namespace {

const TOptionsSheetRegistrar registrar(
    GeneralOptionsGroup, "Data File",
    [](TTockwellOptionsWnd* owner, QWidget* parent) {
        return new TfrmOptionsDataFile(owner, parent);
    },
    3);

} // namespace

TfrmOptionsDataFile::TfrmOptionsDataFile(TTockwellOptionsWnd* owner, QWidget* parent)
    : TOptionsSheetBase(owner, parent) {
    setObjectName(QStringLiteral("frmOptionsDataFile"));
    lbSheetBaseLabel->hide();
    auto* l = new QVBoxLayout(this);
    l->addWidget(new QLabel(QStringLiteral("Current data file:"), this));
    edDataFilePath = new QLineEdit(this);
    edDataFilePath->setReadOnly(true);
    l->addWidget(edDataFilePath);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    btnOpen = new QPushButton(QStringLiteral("Open..."), this);
    btnSaveAs = new QPushButton(QStringLiteral("Save as..."), this);
    for (QPushButton* b : {btnOpen, btnSaveAs}) {
        b->setAutoDefault(false);
        row->addWidget(b);
    }
    l->addLayout(row);
    l->addStretch(1);

    IOptionsHost* host = OptionsHost();
    edDataFilePath->setText(QString::fromStdString(host ? host->CurrentDataFileName()
                                                        : TDataFileStore::DefaultDataFile()));
    connect(btnOpen, &QPushButton::clicked, this, [this] { btnOpenClick(); });
    connect(btnSaveAs, &QPushButton::clicked, this, [this] { btnSaveAsClick(); });
}

void TfrmOptionsDataFile::btnOpenClick() {
    IOptionsHost* host = OptionsHost();
    if (!host)
        return;
    const std::string name = host->AskOpenDataFileName();
    if (name.empty())
        return;
    // A file that cannot be read leaves the current one open.
    host->SwitchDataFile(name);
    edDataFilePath->setText(QString::fromStdString(host->CurrentDataFileName()));
    if (OptionsWindow())
        OptionsWindow()->SwitchToCloseMode();
}

void TfrmOptionsDataFile::btnSaveAsClick() {
    IOptionsHost* host = OptionsHost();
    if (!host)
        return;
    const std::string name = host->AskSaveDataFileName();
    if (name.empty())
        return;
    host->SaveDataFileTo(name);
    edDataFilePath->setText(QString::fromStdString(host->CurrentDataFileName()));
    if (OptionsWindow())
        OptionsWindow()->SwitchToCloseMode();
}
